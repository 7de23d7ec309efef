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
