# Shortcuts over CMake; `make test` is what CI runs.
BUILD ?= build

.PHONY: run build test bench clean

run: build
	./$(BUILD)/constcheck

build:
	cmake -S . -B $(BUILD)
	cmake --build $(BUILD) --parallel

test:
	.ci/install-deps cmake make g++ libgtest-dev python3
	cmake -S . -B $(BUILD) -DBUILD_TESTING=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
	cmake --build $(BUILD) --parallel
	ctest --test-dir $(BUILD) --output-on-failure --no-tests=error

bench: build
	python3 bench/compare.py $(BUILD)/constcheck

clean:
	rm -rf $(BUILD) build-*
