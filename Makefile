# The two commands of the README: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build run test bench format clean screenshot

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: $(BUILD)/CMakeCache.txt

build: deps configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	scripts/run-program $(BUILD)/src/app/HVPersonalSettingsSingle

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS) --timeout 600

bench: deps configure
	cmake --build $(BUILD) -j$(JOBS) --target benchmarks
	scripts/run-benchmarks $(BUILD)/bench

screenshot: build
	scripts/screenshot $(BUILD)/src/app/HVPersonalSettingsSingle

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
