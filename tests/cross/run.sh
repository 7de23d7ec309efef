#!/usr/bin/env bash
# tests/cross/run.sh
# The cross toolchain and scripts/check-deliverables.sh, checked together on a stand-in
# plug-in (fixture_plugin.cpp: threads, virtual calls, static C++ runtime):
#   - built for both targets through cmake/toolchains/bin, it passes the check: each library
#     exports exactly c4d_main and needs only system libraries;
#   - the check refuses a library that exports something more, one whose entry is missing,
#     one that loads a library of its own (fixture_helper.cpp), and a folder without res/
#     or without one of the two libraries, naming the fault each time.
# Needs the toolchain that scripts/cross.sh installs. Works in build/cross-tests.
set -euo pipefail
cd "$(dirname "$0")/../.."
export ZIG_GLOBAL_CACHE_DIR=${ZIG_GLOBAL_CACHE_DIR:-$PWD/build/toolchain/zig-cache}
export ZIG_LOCAL_CACHE_DIR=${ZIG_LOCAL_CACHE_DIR:-$ZIG_GLOBAL_CACHE_DIR}
work=build/cross-tests
rm -rf "$work"
mkdir -p "$work"
flags=(-std=c++17 -O3 -DNDEBUG -fvisibility=hidden -fvisibility-inlines-hidden -Wall -Wextra -Werror)
src=tests/cross

# build PLATFORM CXX LIBNAME HELPERNAME: the fixture's variants for one target, in $work/PLATFORM.
build() {
  local p=$1 cxx=$2 lib=$3 helper=$4 o=$work/$1 implib=()
  mkdir -p "$o"
  [ "$p" = windows ] && implib=(-Wl,--out-implib,"$o/link.dll.a")
  "$cxx" "${flags[@]}" -c $src/fixture_plugin.cpp -o "$o/plugin.o"
  "$cxx" "${flags[@]}" -DFIXTURE_ENTRY=plugin_entry -c $src/fixture_plugin.cpp -o "$o/noentry.o"
  "$cxx" "${flags[@]}" -DFIXTURE_HELPER -c $src/fixture_plugin.cpp -o "$o/uses-helper.o"
  "$cxx" "${flags[@]}" -c $src/fixture_helper.cpp -o "$o/helper.o"
  "$cxx" -shared -o "$o/good-$lib" "$o/plugin.o" --export=c4d_main "${implib[@]}"
  "$cxx" -shared -o "$o/extra-$lib" "$o/plugin.o" "$o/helper.o" --export=c4d_main \
    --export=fixture_helper "${implib[@]}"
  "$cxx" -shared -o "$o/noentry-$lib" "$o/noentry.o" --export=plugin_entry "${implib[@]}"
  if [ "$p" = windows ]; then
    "$cxx" -shared -o "$o/$helper" "$o/helper.o" --export=fixture_helper \
      -Wl,--out-implib,"$o/helper.dll.a"
    "$cxx" -shared -o "$o/foreign-$lib" "$o/uses-helper.o" "$o/helper.dll.a" --export=c4d_main "${implib[@]}"
  else
    "$cxx" -shared -o "$o/$helper" "$o/helper.o" --export=fixture_helper \
      -Wl,-install_name,@rpath/$helper
    "$cxx" -shared -o "$o/foreign-$lib" "$o/uses-helper.o" "$o/$helper" --export=c4d_main
  fi
}
build windows cmake/toolchains/bin/x86_64-windows-gnu-c++ tavren.cdl64 libhelper.dll
build macos cmake/toolchains/bin/x86_64-macos-c++ tavren.dylib libhelper.dylib

# folder NAME WINVARIANT MACVARIANT: a plug-in folder with res/ and the two variants
# (an empty variant leaves that library out).
folder() {
  local d=$work/$1/tavren
  mkdir -p "$d/res"
  [ -z "$2" ] || cp "$work/windows/$2-tavren.cdl64" "$d/tavren.cdl64"
  [ -z "$3" ] || cp "$work/macos/$3-tavren.dylib" "$d/tavren.dylib"
}

failed=0
# expect NAME STATUS MESSAGE...: the check on folder NAME exits with STATUS and prints each MESSAGE.
expect() {
  local name=$1 status=$2 got=0 m
  shift 2
  scripts/check-deliverables.sh "$work/$name/tavren" >"$work/$name.log" 2>&1 || got=$?
  if [ "$got" -ne "$status" ]; then
    echo "FAIL $name: check exited $got, expected $status"; cat "$work/$name.log"; failed=1; return
  fi
  for m in "$@"; do
    grep -qF -- "$m" "$work/$name.log" || { echo "FAIL $name: no \"$m\" in:"; cat "$work/$name.log"; failed=1; return; }
  done
  echo "ok   $name"
}

folder good good good
expect good 0 "export only c4d_main"

folder extra extra extra
expect extra 1 "tavren.cdl64: must export exactly c4d_main, exports: c4d_main fixture_helper" \
  "tavren.dylib: must export exactly _c4d_main, exports: _c4d_main _fixture_helper"

folder noentry noentry noentry
expect noentry 1 "tavren.cdl64: must export exactly c4d_main, exports: plugin_entry" \
  "tavren.dylib: must export exactly _c4d_main, exports: _plugin_entry"

folder foreign foreign foreign
expect foreign 1 "tavren.cdl64: imports libhelper.dll, which is not a Windows system DLL" \
  "tavren.dylib: loads @rpath/libhelper.dylib, which is not a macOS system library"

folder nores good good
rmdir "$work/nores/tavren/res"
expect nores 1 "res: missing"

folder onlywindows good ""
expect onlywindows 1 "tavren.dylib: missing"

folder onlymacos "" good
expect onlymacos 1 "tavren.cdl64: missing"

exit $failed
