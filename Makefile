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

# The 32-bit tiers run in the 64-bit tiers' prefix, with the 64-bit build unregistered so that
# their registration checks have the prefix to themselves; the 64-bit build is registered again
# beside the 32-bit one before the 32-bit build unregisters, and the last run shows that the 64-bit
# registration still answers, then unregisters it, after which nothing of either build may
# be left in the prefix. With nothing registered, a host that carries Fernwick privately uses it
# through its assembly manifest alone, and leaves nothing behind either. The Import dialog's soak
# test (minutes under Wine) runs for the 64-bit build only. Where the kernel runs no 32-bit
# programs, the 32-bit tier runs under emulation (scripts/x86-emulation, as root), as the few
# long-running Wine processes labelled "emulated"; X86_TIER=emulated picks that tier anywhere. A
# prefix made before the emulation lacks Wine's 32-bit side and is made anew with it. The 32-bit
# tests' registration checks want the prefix to themselves, so the 64-bit DLL is registered again
# only after them, before the 32-bit DLL is removed.
test: native native-asan fuzz-build windows windows32
	ctest --preset native
	ctest --preset native-asan
	scripts/run-fuzzers build/fuzz $(FUZZ_SMOKE_SECONDS)
	ctest --preset windows -E '^wine\.unregister$$' --fixture-exclude-cleanup registered
	prefix=$(CURDIR)/build/windows/wineprefix; \
	if [ "$(X86_TIER)" != emulated ] && scripts/wine-harness runs-win32-natively; then \
	    scripts/wine-harness unregister $$prefix $(CURDIR)/build/windows/Fernwick.dll && \
	    ctest --preset windows32 -E 'soak|^wine\.unregister$$' -LE emulated \
	        --fixture-exclude-cleanup registered && \
	    scripts/wine-harness register $$prefix $(CURDIR)/build/windows/Fernwick.dll && \
	    ctest --preset windows32 -R '^wine\.unregister$$' --fixture-exclude-setup registered; \
	else \
	    status=0; \
	    scripts/x86-emulation sh -c "scripts/wine-harness unregister $$prefix $(CURDIR)/build/windows/Fernwick.dll && \
	        ctest --preset windows32 -L emulated \
	            -E '^x86\.unregister\$$' --fixture-exclude-cleanup x86-registered && \
	        scripts/wine-harness register $$prefix $(CURDIR)/build/windows/Fernwick.dll && \
	        ctest --preset windows32 -R '^x86\.unregister\$$' --fixture-exclude-setup x86-registered" || \
	        status=$$?; \
	    [ $$status -ne 125 ] || echo "make test: windows32 tier skipped: this kernel cannot run 32-bit programs, so Wine's 32-bit side does not start, and it cannot be emulated here"; \
	    [ $$status -eq 0 ] || [ $$status -eq 125 ]; \
	fi
	ctest --preset windows --fixture-exclude-setup registered -R 'threads|script\.'
	scripts/wine-harness run $(CURDIR)/build/windows/wineprefix \
	    build/windows/tests/regfree/regfree_host.exe
	scripts/wine-harness stop $(CURDIR)/build/windows/wineprefix
	scripts/wine-harness leftovers build/windows/wineprefix

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
