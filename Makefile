# The two commands of the README: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# No "Entering/Leaving directory" lines from the build tool below.
MAKEFLAGS += --no-print-directory
SOURCES = git ls-files '*.cpp' '*.h'

.PHONY: all deps configure build run test bench format format-check lint package clean screenshot fuzz

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: $(BUILD)/CMakeCache.txt

build: deps configure
	cmake --build $(BUILD) -j$(JOBS)

# Only the program: no tests, no benchmarks.
run: deps configure
	cmake --build $(BUILD) -j$(JOBS) --target HVPersonalSettingsSingle
	scripts/run-program $(BUILD)/src/app/HVPersonalSettingsSingle

# The format check comes first: it takes a second, the build minutes.
test: deps
	@$(MAKE) format-check
	@$(MAKE) build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS) --timeout 600

bench: deps configure
	cmake --build $(BUILD) -j$(JOBS) --target benchmarks
	scripts/run-benchmarks $(BUILD)/bench

# Fuzzing with libFuzzer under both sanitizers (clang 16, build-fuzz): each target for FUZZ_RUNS
# inputs, or FUZZ_TIME seconds when given; FUZZ_TARGETS picks some. Crashes land in
# build-fuzz/crashes/<target>/, new inputs in build-fuzz/corpus/<target>/.
FUZZ_BUILD ?= build-fuzz
FUZZ_RUNS ?= 20000
FUZZ_TIME ?=
FUZZ_TARGETS ?= body phrases connection rowset calendar store script

fuzz:
	@scripts/install-deps fuzz
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-16 \
	  -DCMAKE_CXX_COMPILER=clang++-16 -DHV_WITH_FUZZ=ON -DHV_WITH_TESTS=OFF -DHV_WITH_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzzers
	@export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-16/bin/llvm-symbolizer \
	  ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=2048; \
	failed=""; for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/crashes/$$t; \
	  $(FUZZ_BUILD)/tests/fuzz/fuzz_$$t $(FUZZ_BUILD)/corpus/$$t tests/fuzz/corpus/$$t \
	    -artifact_prefix=$(FUZZ_BUILD)/crashes/$$t/ -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=4096 -print_final_stats=1 \
	    $(if $(FUZZ_TIME),-max_total_time=$(FUZZ_TIME),-runs=$(FUZZ_RUNS)) || failed="$$failed $$t"; \
	done; \
	if [ -n "$$failed" ]; then echo "Findings in:$$failed (see $(FUZZ_BUILD)/crashes/)"; exit 1; fi

screenshot: build
	scripts/screenshot $(BUILD)/src/app/HVPersonalSettingsSingle

format:
	$(SOURCES) | xargs clang-format -i

format-check:
	@$(SOURCES) | xargs clang-format --dry-run --Werror || \
	  { echo "Sources are not formatted: run 'make format'." >&2; exit 1; }

# clang-tidy with the checked-in .clang-tidy over src/.
lint: deps configure
	run-clang-tidy-16 -clang-tidy-binary clang-tidy-16 -p $(BUILD) -quiet -j$(JOBS) "$(CURDIR)/src/" \
	  >$(BUILD)/clang-tidy.log 2>&1 || \
	  { grep -E 'warning:|error:' -A3 $(BUILD)/clang-tidy.log >&2; exit 1; }
	@echo "clang-tidy: src/ is clean"

# A Debian package (and its -dbgsym package) in $(BUILD)/package/.
package: deps configure
	cmake --build $(BUILD) -j$(JOBS) --target HVPersonalSettingsSingle desktop_files
	cd $(BUILD) && cpack -G DEB -B package

clean:
	rm -rf $(BUILD)
