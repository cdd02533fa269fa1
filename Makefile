# The two commands of the README: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# No "Entering/Leaving directory" lines from the build tool below.
MAKEFLAGS += --no-print-directory
SOURCES = git ls-files '*.cpp' '*.h'

.PHONY: all deps configure build run test bench format format-check lint package clean screenshot

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
