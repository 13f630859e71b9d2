# The two set-up commands of the README (make run, make test) and the build
# targets behind them. Every target first installs what is missing.

BUILD      := build
ASAN_BUILD := build-asan
TSAN_BUILD := build-tsan
FUZZ_BUILD := build-fuzz
WINDOWS_BUILD := build-windows
CMAKE      := cmake
GENERATOR  := -G Ninja
CTEST_ARGS := --output-on-failure --timeout 600 -j $(shell nproc)

# Tests run headless; the few that need a real display get one from Xvfb when
# there is no display already.
XVFB := $(if $(DISPLAY),,$(shell command -v xvfb-run >/dev/null 2>&1 && echo xvfb-run -a -s \"-screen 0 1280x800x24\"))

export ASAN_OPTIONS := detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS := suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS := print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS := halt_on_error=1:second_deadlock_stack=1

.PHONY: all deps program run test test-fast test-asan test-tsan test-package package test-fuzz \
    fuzz bench clean windows deps-windows test-windows

all: program

deps:
	@./tools/install-deps.sh

$(BUILD)/build.ninja: | deps
	$(CMAKE) -S . -B $(BUILD) $(GENERATOR)

program: deps $(BUILD)/build.ninja
	$(CMAKE) --build $(BUILD)

run: program
	./$(BUILD)/zeltarik

# Every test: the normal build, then the address+undefined sanitizer build,
# then the threaded code under ThreadSanitizer, then the packages, then a short
# run of each fuzz target.
test: test-fast test-asan test-tsan test-package test-fuzz test-windows

# The package checks (label package-install) need make package first.
test-fast: program
	cd $(BUILD) && $(XVFB) ctest $(CTEST_ARGS) -LE package-install

$(ASAN_BUILD)/build.ninja: | deps
	$(CMAKE) -S . -B $(ASAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	    -DZEL_SANITIZE=address,undefined -DZEL_BUILD_BENCH=OFF

test-asan: deps $(ASAN_BUILD)/build.ninja
	$(CMAKE) --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && $(XVFB) ctest $(CTEST_ARGS)

$(TSAN_BUILD)/build.ninja: | deps
	$(CMAKE) -S . -B $(TSAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	    -DZEL_SANITIZE=thread -DZEL_BUILD_BENCH=OFF

test-tsan: deps $(TSAN_BUILD)/build.ninja
	$(CMAKE) --build $(TSAN_BUILD) --target tsan_tests
	cd $(TSAN_BUILD) && ctest $(CTEST_ARGS) -L tsan --no-tests=ignore

# The Debian and RPM packages, build/zeltarik_*.deb and build/zeltarik-*.rpm,
# and the screenshots their metainfo offers, in build/screenshots/.
package: program
	$(CMAKE) --build $(BUILD) --target screenshots
	cd $(BUILD) && cpack

# lintian, the RPM's requirements and files, and the install on a bare Debian
# 12 tree started under Xvfb (tests/package/smoke-test.sh).
test-package: package
	cd $(BUILD) && ctest --output-on-failure -L package-install

# The fuzz targets of tests/fuzz/ build with clang and libFuzzer in a build of
# their own. Where clang cannot be had, both fuzz steps say so and pass.
FUZZ_CXX   := clang++-14
FUZZ_CC    := clang-14
FUZZ_PROBE := tests/fuzz/have-libfuzzer.sh $(FUZZ_CXX)
# How long `make fuzz` runs each target, in seconds.
FUZZ_SECONDS ?= 600
FUZZ_TARGETS := picture theora vorbis workbook

$(FUZZ_BUILD)/build.ninja: | deps
	$(CMAKE) -S . -B $(FUZZ_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_C_COMPILER=$(FUZZ_CC) -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) -DZEL_BUILD_FUZZERS=ON

# Each target runs for a few seconds from its seeds and its corpus so far.
test-fuzz: deps
	@if ! reason=$$($(FUZZ_PROBE)); then \
	    echo "fuzz: skipped, the fuzz targets cannot be built here: $$reason"; exit 0; fi; \
	set -e; \
	$(MAKE) --no-print-directory $(FUZZ_BUILD)/build.ninja; \
	$(CMAKE) --build $(FUZZ_BUILD) --target fuzzers; \
	cd $(FUZZ_BUILD) && ctest $(CTEST_ARGS) -L fuzz

# Each target for FUZZ_SECONDS, one after another, at low priority. New inputs
# stay in $(FUZZ_BUILD)/tests/fuzz/work/<target>/corpus for the next run;
# findings go to .../findings.
fuzz: deps
	@if ! reason=$$($(FUZZ_PROBE)); then \
	    echo "fuzz: cannot run, the fuzz targets cannot be built here: $$reason"; exit 1; fi
	$(MAKE) --no-print-directory $(FUZZ_BUILD)/build.ninja
	$(CMAKE) --build $(FUZZ_BUILD) --target fuzzers
	@set -e; for t in $(FUZZ_TARGETS); do \
	    echo "== fuzz_$$t for $(FUZZ_SECONDS) s"; \
	    nice -n 10 tests/fuzz/run-fuzzer.sh $(FUZZ_BUILD)/tests/fuzz/fuzz_$$t $(FUZZ_SECONDS) \
	        $(FUZZ_BUILD)/tests/fuzz/work/$$t $(FUZZ_BUILD)/tests/fuzz/seeds/$$t; \
	done

# The Windows build: build-windows/zeltarik.exe, one static executable with
# nothing beside it, cross-built with mingw-w64 over libraries that
# tools/windows/build-deps.sh cross-builds from Debian's source packages into
# /var/cache/zeltarik-mingw (once per machine).
deps-windows:
	@./tools/windows/build-deps.sh >/dev/null

$(WINDOWS_BUILD)/build.ninja: | deps-windows
	$(CMAKE) -S . -B $(WINDOWS_BUILD) $(GENERATOR) -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW64.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DZEL_BUILD_BENCH=OFF

windows: deps-windows $(WINDOWS_BUILD)/build.ninja
	$(CMAKE) --build $(WINDOWS_BUILD) --target zeltarik

# The Windows test executables under Wine, then the real program in a window
# of Wine's under Xvfb (tools/windows/program-run.sh), its start screen
# compared with the one the Linux build draws headless.
test-windows: windows program
	$(CMAKE) --build $(WINDOWS_BUILD)
	./tools/windows/run-tests.sh $(WINDOWS_BUILD)
	$(CMAKE) --build $(BUILD) --target screenshots screen_match
	./tools/windows/program-run.sh $(WINDOWS_BUILD) $(BUILD)/screenshots/start.png \
	    $(BUILD)/tests/package/screen_match

bench: program
	@set -e; for b in $(BUILD)/bench/*_bench; do \
	    [ -x "$$b" ] || continue; echo "== $$b"; $(XVFB) "$$b"; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD)

# Re-makes every picture, sound and video under assets/ (and the review
# pictures in tools/assets/out/) with our own generators. The generated files
# are committed, so the normal build never runs this. The instruction video is
# recorded from the game itself, built in $(BUILD) from the pictures just made.
.PHONY: assets
assets: deps $(BUILD)/build.ninja
	@./tools/assets/install-deps.sh
	/usr/bin/python3 tools/assets/make_assets.py --build $(BUILD)
