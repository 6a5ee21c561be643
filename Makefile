# romcast: the two set-up commands are `make demo` and `make check`.
# Both first install what a fresh Debian machine lacks: building the program
# needs cmake, make and g++ only; `make check` alone adds the test packages.

BUILD      ?= build
ASAN_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
WINDOWS_BUILD ?= build-windows
MUTANTS_BUILD ?= build-mutants
FUZZ_SECONDS  ?= 1800
SMOKE_SECONDS ?= 10
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX     ?= /usr/local

# Debian packages, each with a command or file that shows it: what building the
# program needs, and what the tests need besides.
BUILD_DEPS = cmake:cmake make:make g++:g++
TEST_DEPS  = clang++:clang /usr/include/gtest/gtest.h:libgtest-dev srec_cat:srecord \
	/usr/include/nlohmann/json.hpp:nlohmann-json3-dev
# clang's sanitizer and libFuzzer runtimes, which clang only recommends; the
# file is looked for in clang's own resource directory, so after clang is there.
# The cross compiler for Windows, and Wine, which runs the end-to-end cases
# against its executables in `make check`.
WINDOWS_DEPS = x86_64-w64-mingw32-g++:g++-mingw-w64-x86-64
WINE_DEPS = /usr/lib/wine/wine64:wine64
CLANG_RUNTIME_DEPS = "$$(clang++ -print-resource-dir)/include/fuzzer/FuzzedDataProvider.h":libclang-rt-14-dev
# Headless Chromium, in which the memory map's test loads the pages.
MAP_DEPS = chromium:chromium
# Building the Debian packages the Debian way, and checking them.
PACKAGE_DEPS = dpkg-buildpackage:dpkg-dev dh:debhelper lintian:lintian \
	/usr/share/build-essential/list:build-essential
# The package test finds the installed library through pkg-config as well.
PACKAGE_TEST_DEPS = $(PACKAGE_DEPS) pkg-config:pkgconf
# The Windows zip's manual pages as HTML, and the zip.
ZIP_DEPS = /usr/bin/grohtml:groff zip:zip

# The one build directory serves both: the program alone (tests off, so no
# GoogleTest is needed) or with the tests. Switching only reconfigures; the
# objects they share are not compiled again.
CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++
# $(call quietly,COMMANDS): their output goes to $(BUILD_LOG) and is shown only
# when they fail.
BUILD_LOG = $(BUILD)/make.log
quietly = mkdir -p $(BUILD) && { $(1); } > $(BUILD_LOG) 2>&1 || \
	{ cat $(BUILD_LOG); echo "(this output is kept in $(BUILD_LOG))"; exit 1; }

# The build under AddressSanitizer and UndefinedBehaviorSanitizer, by clang;
# the benchmark programs are not needed there.
SANITIZE_BUILD = cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
	  -DROMCAST_SANITIZE=ON -DROMCAST_BENCH=OFF >/dev/null && cmake --build $(ASAN_BUILD) -j $(JOBS)

.PHONY: all deps check-deps test-deps build test-build check demo bench clean install package fuzz fuzz-build \
	fuzz-smoke sweep windows wine-check package-windows dist reproducible package-check mutants

all: build

deps:
	@sh tools/needPackages.sh $(BUILD_DEPS)

# What `make check` needs, asked for at once: one apt-get run on a fresh machine.
check-deps: deps
	@sh tools/needPackages.sh $(TEST_DEPS) $(MAP_DEPS) $(WINDOWS_DEPS) $(WINE_DEPS) $(PACKAGE_TEST_DEPS)

test-deps: deps
	@sh tools/needPackages.sh $(TEST_DEPS)
	@sh tools/needPackages.sh $(CLANG_RUNTIME_DEPS)

# The program, its tools and its manual page, without the tests.
build: deps
	@$(call quietly,$(CONFIGURE) -DROMCAST_TESTS=OFF)
	cmake --build $(BUILD) -j $(JOBS)

# Everything, the tests included.
test-build: test-deps
	@$(call quietly,$(CONFIGURE) -DROMCAST_TESTS=ON)
	cmake --build $(BUILD) -j $(JOBS)

# Every test with g++, then the suite again built by clang under
# AddressSanitizer and UndefinedBehaviorSanitizer, then a few seconds of
# fuzzing, then the end-to-end and fault tests against romcast.exe under
# Wine. The manual page check runs in the g++ run only: it reads the sources
# and the command line's answers, which the sanitizers add nothing to. The
# sanitizers run the sweep of damaged modules on a third of the sample the g++
# run takes; the fuzz smoke damages modules in process under them as well.
# Between the g++ run and the clang one, package-check tries the Debian packages.
PLAIN_RUN_ONLY = docs\.manualOptions
check: check-deps test-build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory package-check
	$(SANITIZE_BUILD)
	cd $(ASAN_BUILD) && ROMCAST_SWEEP=16 ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS) -E '$(PLAIN_RUN_ONLY)'
	@$(MAKE) --no-print-directory fuzz-smoke
	@$(MAKE) --no-print-directory wine-check

# romcast.exe, modinspect.exe and modasm.exe, cross-compiled by mingw-w64 and
# statically linked, in $(WINDOWS_BUILD)/.
windows: deps
	@sh tools/needPackages.sh $(WINDOWS_DEPS)
	@cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
	  -DROMCAST_TESTS=OFF -DROMCAST_BENCH=OFF -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=$(abspath $(WINDOWS_BUILD)) >/dev/null
	cmake --build $(WINDOWS_BUILD) --target romcast modinspect modasm -j $(JOBS)

# romcast-<version>-win64.zip in $(WINDOWS_BUILD)/ (packaging/windowsZip.sh),
# its examples assembled by the modasm of $(BUILD)/. The programs are linked
# again, to carry the release time rather than the time they were linked.
# The demo module's memory map, drawn by the modinspect of $(BUILD)/, goes in
# as examples/demo.map.html.
package-windows: deps
	@sh tools/needPackages.sh $(WINDOWS_DEPS) $(ZIP_DEPS)
	rm -f $(addprefix $(WINDOWS_BUILD)/,romcast.exe modinspect.exe modasm.exe)
	@export SOURCE_DATE_EPOCH="$$(source=. && . packaging/sourceDate.sh && echo $$SOURCE_DATE_EPOCH)" && \
	  $(MAKE) --no-print-directory windows
	@test -f $(BUILD)/CMakeCache.txt || { $(call quietly,$(CONFIGURE) -DROMCAST_TESTS=OFF); }
	cmake --build $(BUILD) --target modasm modinspect -j $(JOBS)
	./$(BUILD)/tools/modasm examples/demo.tqx.txt $(BUILD)/demo.tqx
	cd $(BUILD) && ./tools/modinspect --map demo.map.html -ID#31323334353637 demo.tqx
	sh packaging/windowsZip.sh . $(WINDOWS_BUILD) $(BUILD)/tools/modasm $(BUILD)/demo.map.html

# The end-to-end cases and the fault tests of the g++ build run against
# romcast.exe under Wine (tests/wine/run.sh); a few cases that mean something
# else on Windows are skipped, each with its reason.
wine-check: test-build windows
	@sh tools/needPackages.sh $(WINE_DEPS)
	sh tests/wine/run.sh $(BUILD) $(WINDOWS_BUILD) $(JOBS)

# The whole sweep of damaged modules (make check runs a sample), in both builds.
# Each module's answers are checked against tests/hardening/sweepDigests.txt;
# ROMCAST_REGEN=1 rewrites it and the sample's table of answers.
sweep: test-build
	cd $(BUILD) && ROMCAST_SWEEP=full ctest -R Sweep --output-on-failure -j $(JOBS)
	$(SANITIZE_BUILD)
	cd $(ASAN_BUILD) && ROMCAST_SWEEP=full ASAN_OPTIONS=detect_leaks=0 ctest -R Sweep --output-on-failure -j $(JOBS)

# The mutation run over src/ (mutation/README.md): every mutant, or a seeded
# sample of MUTANTS of them (`make mutants MUTANTS=200 SEED=1`), each built alone
# in build-mutants/ and run against the fast suite. Not part of `make check`.
# RERUN=FILE runs again only the survivors of an earlier run's results FILE.
MUTANTS ?=
SEED    ?= 1
RERUN   ?=
mutants: deps
	@sh tools/needPackages.sh $(TEST_DEPS)
	MUTANTS=$(MUTANTS) SEED=$(SEED) RERUN=$(RERUN) JOBS=$(JOBS) MUTANTS_BUILD=$(MUTANTS_BUILD) bash mutation/run.sh

# The libFuzzer target, by clang under the sanitizers (fuzz/README.md), and the
# module assembler that makes its seeds.
fuzz-build: test-deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ -DROMCAST_FUZZ=ON \
	  -DROMCAST_TESTS=OFF -DROMCAST_BENCH=OFF >/dev/null
	cmake --build $(FUZZ_BUILD) --target romcast_fuzz modasm -j $(JOBS)

# A campaign of FUZZ_SECONDS, continuing the corpus of the last one; it ends
# with libFuzzer's final statistics.
fuzz: fuzz-build
	sh fuzz/campaign.sh $(FUZZ_BUILD) $(FUZZ_BUILD)/tools/modasm $(FUZZ_SECONDS)

fuzz-smoke: fuzz-build
	rm -rf $(FUZZ_BUILD)/smoke
	FUZZ_SEEDS=examples sh fuzz/campaign.sh $(FUZZ_BUILD) $(FUZZ_BUILD)/tools/modasm $(SMOKE_SECONDS) $(FUZZ_BUILD)/smoke

# Builds only the converter and the module assembler, quietly, then assembles
# the bundled example module and converts it into S-records.
demo: deps
	@echo "Building romcast and modinspect (the compiler's output goes to $(BUILD_LOG))"
	@$(call quietly,$(CONFIGURE) -DROMCAST_TESTS=OFF && cmake --build $(BUILD) --target romcast modasm modinspect -j $(JOBS))
	@mkdir -p out
	./$(BUILD)/tools/modasm examples/demo.tqx.txt out/demo.tqx
	./$(BUILD)/romcast out/demo.tqx
	@echo "--- out/demo.mot"
	@cat out/demo.mot

# Tools the benchmark compares with or measures by; without them it still runs
# and says what it skipped.
BENCH_TOOLS = objcopy:binutils srec_cat:srecord /usr/bin/time:time

# Large modules converted by romcast and, from the image they load, by objcopy
# (from a raw binary and from an ELF file), srec_cat and a minimal formatter
# (bench/floor.cpp): one table and a line per target (bench/run.sh).
bench: build
	@sh tools/needPackages.sh --optional $(BENCH_TOOLS)
	bash bench/run.sh $(BUILD)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian packages built, checked by lintian, installed, used beside the
# g++ build's programs and purged again (as root; it says it skipped otherwise).
package-check: test-build
	@sh tools/needPackages.sh $(PACKAGE_TEST_DEPS)
	sh tests/package/debian.sh . $(BUILD)

# The Debian packages romcast and libromcast-dev, built by dpkg-buildpackage
# from debian/ and checked by lintian, left in $(BUILD)/ (install them with
# dpkg -i).
package: deps
	@sh tools/needPackages.sh $(PACKAGE_DEPS)
	sh packaging/debs.sh . $(BUILD)

# A release in $(BUILD)/dist/ (packaging/dist.sh): the source tarball of the
# commit checked out, the Debian packages and the Windows zip built from it,
# and their SHA256SUMS.
dist: deps
	@sh tools/needPackages.sh $(PACKAGE_DEPS) $(WINDOWS_DEPS) $(ZIP_DEPS)
	sh packaging/dist.sh . $(BUILD)

# The release made twice, in two directories of different names and depths;
# the two must be the same bytes.
reproducible: deps
	@sh tools/needPackages.sh $(PACKAGE_DEPS) $(WINDOWS_DEPS) $(ZIP_DEPS)
	sh packaging/dist.sh . $(BUILD)/twice/first
	sh packaging/dist.sh . $(BUILD)/twice/second/elsewhere
	diff $(BUILD)/twice/first/dist/SHA256SUMS $(BUILD)/twice/second/elsewhere/dist/SHA256SUMS
	@echo "The two releases are the same bytes."

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD) $(MUTANTS_BUILD) out
