#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# Runs apt-get as root, or through sudo; says clearly what to do when it can't.
set -euo pipefail

packages=(cmake ninja-build g++ clang make libgtest-dev libgmock-dev libbenchmark-dev
          libtinygltf-dev nlohmann-json3-dev libstb-dev libcli11-dev libclang-rt-14-dev llvm file
          libassimp-dev libcgal-dev libgif-dev parallel)
if [ "${1:-}" = "--with-cross-check" ]; then packages+=(llvm); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# The viewer page is bundled with node and npm (three.js from npm) and tested in Chromium;
# the tests run the Khronos glTF validator with node (npm installs it into the build tree).
# These count as present when their command is found, whichever package brought it (a node
# from elsewhere carries its own npm, which Debian's npm package would conflict with).
for pair in node:nodejs npm:npm chromium:chromium; do
  command -v "${pair%%:*}" >/dev/null 2>&1 || missing+=("${pair#*:}")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "deps: installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1; then
  SUDO="sudo"
else
  echo "deps: these Debian packages are missing: ${missing[*]}" >&2
  echo "deps: run as root or install sudo, or install them yourself with apt-get." >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get install -y --no-install-recommends "${missing[@]}"; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
