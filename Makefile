# Thin front door over CMake presets. Every target first installs what is missing.
PRESET ?= default
BUILD  := build/$(PRESET)

.PHONY: deps build demo test test-asan test-tsan bench clean

deps:
	@scripts/deps.sh

build: deps
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET)

demo: build
	$(BUILD)/cli/tavren-host demo

test: build
	ctest --preset $(PRESET)

test-asan:
	@$(MAKE) --no-print-directory test PRESET=asan

test-tsan:
	@$(MAKE) --no-print-directory test PRESET=tsan

bench: build
	$(BUILD)/bench/tavren-bench

clean:
	rm -rf build

# Cross-built deliverables: tavren.cdl64 (Windows x64) and tavren.dylib (macOS x86_64) with
# res/, in one plug-in folder. Installs zig into build/toolchain and lld-14 when missing.
CROSS_OUT ?= build/cross/tavren
.PHONY: cross check-cross

cross:
	@scripts/cross.sh $(CROSS_OUT)

check-cross: cross
	@scripts/check-deliverables.sh $(CROSS_OUT)
	@tests/cross/run.sh

# The host application and the plug-in built for Windows x64, run under Wine beside the Linux
# build on the same meshes, and the results compared bit for bit. Installs wine when missing.
WINE_OUT ?= build/wine
.PHONY: wine-check

wine-check:
	@scripts/wine.sh $(WINE_OUT)
