# romcast: the two set-up commands are `make demo` and `make check`.
# Both first install what a fresh Debian machine lacks.

BUILD      ?= build
ASAN_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS  ?= 1800
SMOKE_SECONDS ?= 5
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX     ?= /usr/local

# Debian packages the build and the tests need, with a command or file that shows each.
DEPS = cmake:cmake make:make g++:g++ clang++:clang /usr/include/gtest/gtest.h:libgtest-dev \
       srec_cat:srecord
# Installed along when root; without them the fuzzing smoke of `make check` is
# skipped.
OPTIONAL_DEPS = afl-fuzz:afl++

# The build under AddressSanitizer and UndefinedBehaviorSanitizer, by clang.
SANITIZE_BUILD = cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
	  -DROMCAST_SANITIZE=ON >/dev/null && cmake --build $(ASAN_BUILD) -j $(JOBS)

.PHONY: all deps build check demo bench clean install package fuzz fuzz-build fuzz-smoke sweep

all: build

deps:
	@sh tools/needPackages.sh $(DEPS)
	@sh tools/needPackages.sh --optional $(OPTIONAL_DEPS)

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# Every test with g++, then the whole suite again built by clang under
# AddressSanitizer and UndefinedBehaviorSanitizer, then a few seconds of
# fuzzing.
check: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(SANITIZE_BUILD)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)
	@if command -v afl-fuzz >/dev/null 2>&1; then $(MAKE) --no-print-directory fuzz-smoke; \
	else echo "Fuzzing smoke skipped: AFL++ is not installed (apt-get install afl++)"; fi

# The whole sweep of damaged modules (make check runs a sample), in both builds.
sweep: build
	cd $(BUILD) && ROMCAST_SWEEP=full ctest -R Sweep --output-on-failure -j $(JOBS)
	$(SANITIZE_BUILD)
	cd $(ASAN_BUILD) && ROMCAST_SWEEP=full ASAN_OPTIONS=detect_leaks=0 ctest -R Sweep --output-on-failure -j $(JOBS)

# The fuzzing entry built by AFL++'s compiler under the sanitizers (fuzz/README.md).
fuzz-build: deps
	@command -v afl-clang-fast++ >/dev/null 2>&1 || { echo "AFL++ is not installed: apt-get install afl++"; exit 1; }
	CXX=afl-clang-fast++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROMCAST_FUZZ=ON \
	  -DROMCAST_TESTS=OFF -DROMCAST_SANITIZE=ON >/dev/null
	AFL_QUIET=1 cmake --build $(FUZZ_BUILD) --target romcast_fuzz modasm -j $(JOBS)

# A campaign of FUZZ_SECONDS, continued where the last one stopped.
fuzz: fuzz-build
	sh fuzz/campaign.sh $(FUZZ_BUILD) $(FUZZ_BUILD)/tools/modasm $(FUZZ_SECONDS)

fuzz-smoke: fuzz-build
	rm -rf $(FUZZ_BUILD)/smoke
	FUZZ_SEEDS=examples sh fuzz/campaign.sh $(FUZZ_BUILD) $(FUZZ_BUILD)/tools/modasm $(SMOKE_SECONDS) $(FUZZ_BUILD)/smoke

# Assembles the bundled example module and converts it into S-records.
demo: build
	@mkdir -p out
	./$(BUILD)/tools/modasm examples/demo.tqx.txt out/demo.tqx
	./$(BUILD)/romcast out/demo.tqx
	@echo "--- out/demo.mot"
	@cat out/demo.mot

# Tools the benchmark compares with or measures by; without them it still runs
# and says what it skipped.
BENCH_TOOLS = hyperfine:hyperfine objcopy:binutils srec_cat:srecord /usr/bin/time:time

# Large modules converted by romcast and, from the same raw image, by objcopy,
# srec_cat and a minimal formatter (bench/floor.cpp): one table (bench/run.sh).
bench: build
	@sh tools/needPackages.sh --optional $(BENCH_TOOLS)
	bash bench/run.sh $(BUILD)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package of the program, its manual page and its bash completion,
# left in $(BUILD)/ (install it with dpkg -i).
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) out
