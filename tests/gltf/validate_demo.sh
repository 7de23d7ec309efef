#!/usr/bin/env bash
# The Khronos glTF validator on both .glb animations of a short demo: no errors allowed.
# Installs the validator from npm into TOOLS (a folder of the build tree) when it is missing.
# usage: validate_demo.sh TAVREN_HOST TOOLS
set -euo pipefail
host=$1
tools=$2
here=$(cd "$(dirname "$0")" && pwd)
version=2.0.0-dev.3.10

if [ ! -f "$tools/node_modules/gltf-validator/package.json" ]; then
  if ! command -v npm >/dev/null 2>&1 || ! command -v node >/dev/null 2>&1; then
    echo "validate_demo: node and npm are needed (scripts/deps.sh installs them)" >&2
    exit 1
  fi
  echo "validate_demo: installing gltf-validator $version into $tools"
  mkdir -p "$tools"
  npm install --prefix "$tools" --no-save --no-audit --no-fund --loglevel=error "gltf-validator@$version"
fi

out=$(mktemp -d "${TMPDIR:-/tmp}/tavren-glb-XXXXXX")
trap 'rm -rf "$out"' EXIT
"$host" demo --frames 6 --out "$out" >"$out/demo.log" || { cat "$out/demo.log"; exit 1; }
NODE_PATH="$tools/node_modules" node "$here/validate.js" "$out/arm_skin.glb" "$out/arm_corrected.glb"
