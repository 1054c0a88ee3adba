# The README's commands. Each installs what is missing first (scripts/bootstrap).
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 5

.PHONY: all demo test bench fuzz screenshot bootstrap native native-asan windows fuzz-build

all: test

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

fuzz-build: bootstrap
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz

demo: windows
	scripts/demo build/windows

test: native native-asan fuzz-build windows
	ctest --preset native
	ctest --preset native-asan
	scripts/run-fuzzers build/fuzz $(FUZZ_SMOKE_SECONDS)
	ctest --preset windows

fuzz: fuzz-build native
	build/native/tests/unit/fernwick_unit_tests --gtest_filter='Utf8cvtExhaustiveTest.*'
	scripts/run-fuzzers build/fuzz $(FUZZ_SECONDS)

bench: native windows
	scripts/bench build/native build/windows

screenshot: windows
	scripts/screenshot build/windows
