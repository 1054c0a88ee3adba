# The README's commands. Each installs what is missing first (scripts/bootstrap).
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 5
X86_TIER ?= auto

.PHONY: all demo test bench fuzz screenshot bootstrap native native-asan windows windows32 \
        fuzz-build package package-check package-test

# Builds every tree without running anything; `make test` runs the tiers.
all: native native-asan fuzz-build windows windows32

bootstrap:
	@scripts/bootstrap

native: bootstrap
	cmake --preset native >/dev/null
	cmake --build --preset native

native-asan: bootstrap
	cmake --preset native-asan >/dev/null
	cmake --build --preset native-asan

windows: bootstrap
	cmake --preset windows >/dev/null
	cmake --build --preset windows

windows32: bootstrap
	cmake --preset windows32 >/dev/null
	cmake --build --preset windows32

fuzz-build: bootstrap
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz

demo: windows
	scripts/demo build/windows

# Every tier over the built trees (scripts/run-tests tells how the 32-bit one runs).
test: native native-asan fuzz-build windows windows32
	FUZZ_SMOKE_SECONDS=$(FUZZ_SMOKE_SECONDS) X86_TIER=$(X86_TIER) scripts/run-tests

fuzz: fuzz-build native
	build/native/tests/unit/fernwick_unit_tests --gtest_filter='Utf8cvtExhaustiveTest.*'
	scripts/run-fuzzers build/fuzz $(FUZZ_SECONDS)

bench: native windows windows32
	scripts/bench build/native build/windows build/windows32

screenshot: windows
	scripts/screenshot build/windows

package: bootstrap
	scripts/package

# Four release builds: minutes, so not part of `make test`.
package-check: bootstrap
	scripts/package-check

# The x64 package installed, upgraded, used and removed under Wine, in a prefix of its own.
package-test: package
	scripts/package-test
