#!/usr/bin/env bash
# check-deliverables.sh [DIR]
# Checks the cross-built plug-in folder DIR (default build/cross/tavren): it holds res/ and
#   tavren.cdl64  a PE32+ x86-64 DLL that exports exactly c4d_main and imports only DLLs of
#                 Windows itself (no C++ runtime, no pthread or compiler DLL, no host program);
#   tavren.dylib  a Mach-O x86_64 dynamic library that exports exactly _c4d_main and loads only
#                 libraries of macOS itself (libSystem, /usr/lib/system, system frameworks).
# Prints one line per finding; exits 1 when anything is wrong, 0 when both files pass.
set -uo pipefail

dir=${1:-build/cross/tavren}
failures=0
fail() { echo "check-deliverables: $*" >&2; failures=$((failures + 1)); }
need() { command -v "$1" >/dev/null 2>&1 || { echo "check-deliverables: $1 is missing (Debian package ${2:-llvm})" >&2; exit 2; }; }
need llvm-objdump
need llvm-readobj
need file file

# Windows DLLs a plug-in may import: the kernel, the C runtime Windows ships, and the
# API sets that forward to them.
windows_system_dll() {
  case "${1,,}" in
    kernel32.dll | ntdll.dll | msvcrt.dll | ucrtbase.dll | advapi32.dll | user32.dll | \
      shell32.dll | ole32.dll | oleaut32.dll | gdi32.dll | bcrypt.dll | ws2_32.dll | \
      api-ms-win-*.dll) return 0 ;;
    *) return 1 ;;
  esac
}

# Mach-O libraries a plug-in may load: libSystem and what it is made of, system frameworks.
macos_system_dylib() {
  case "$1" in
    /usr/lib/libSystem.B.dylib | /usr/lib/system/* | /System/Library/Frameworks/*) return 0 ;;
    *) return 1 ;;
  esac
}

check_windows() { # $1: path of tavren.cdl64
  local f=$1 kind exports imports
  kind=$(file -b "$f")
  [[ $kind == *"PE32+ executable (DLL)"*"x86-64"* ]] || fail "$f: not a PE32+ x86-64 DLL: $kind"
  exports=$(llvm-readobj --coff-exports "$f" | awk '/^ *Name: /{print $2}' | sort)
  [ "$exports" = "c4d_main" ] ||
    fail "$f: must export exactly c4d_main, exports: $(echo ${exports:-nothing})"
  imports=$(llvm-readobj --needed-libs "$f" | awk '/NeededLibraries \[/{on=1; next} /^\]/{on=0} on{print $1}')
  [ -n "$imports" ] || fail "$f: imports no DLL at all (not a linked library?)"
  for d in $imports; do
    windows_system_dll "$d" || fail "$f: imports $d, which is not a Windows system DLL"
  done
}

check_macos() { # $1: path of tavren.dylib
  local f=$1 kind exports loads
  kind=$(file -b "$f")
  [[ $kind == "Mach-O 64-bit x86_64 dynamically linked shared library"* ]] ||
    fail "$f: not a Mach-O x86_64 dynamic library: $kind"
  exports=$(llvm-objdump --macho --exports-trie "$f" | awk '/^Exports trie:/{on=1; next} on && NF >= 2 {print $2}' | sort)
  [ "$exports" = "_c4d_main" ] ||
    fail "$f: must export exactly _c4d_main, exports: $(echo ${exports:-nothing} | cut -c1-300)"
  loads=$(llvm-objdump --macho -p "$f" |
    awk '/cmd LC_(LOAD|LOAD_WEAK|REEXPORT|LAZY_LOAD|LOAD_UPWARD)_DYLIB$/{want=1} want && /^ *name /{print $2; want=0}')
  [ -n "$loads" ] || fail "$f: loads no library at all (not a linked library?)"
  for d in $loads; do
    macos_system_dylib "$d" || fail "$f: loads $d, which is not a macOS system library"
  done
}

[ -d "$dir/res" ] || fail "$dir/res: missing; the host reads the plug-in's resources beside the library"
if [ -f "$dir/tavren.cdl64" ]; then check_windows "$dir/tavren.cdl64"; else fail "$dir/tavren.cdl64: missing"; fi
if [ -f "$dir/tavren.dylib" ]; then check_macos "$dir/tavren.dylib"; else fail "$dir/tavren.dylib: missing"; fi

if [ $failures -ne 0 ]; then
  echo "check-deliverables: $failures problem(s) in $dir" >&2
  exit 1
fi
echo "check-deliverables: $dir: tavren.cdl64 (PE32+ x86-64) and tavren.dylib (Mach-O x86_64) export only c4d_main and need only system libraries"
