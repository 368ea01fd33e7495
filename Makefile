# Shortcuts over CMake. `make test` is the test command; .ci/run runs it and the rest.
SHELL := /bin/bash
BUILD ?= build
FUZZ_SECONDS ?= 60
DEPS := .ci/install-deps

TEST_PACKAGES := cmake make g++ libgtest-dev python3
CLANG_PACKAGES := cmake make clang libclang-rt-14-dev libgtest-dev python3
WINDOWS_PACKAGES := cmake make g++-mingw-w64-x86-64 googletest python3
SANITIZE := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
# -O1 without NDEBUG: fast enough to fuzz, and the bounds assertions stay in.
CONFIGURE_SANITIZE := cmake -S . -B build-sanitize -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_CXX_FLAGS="$(SANITIZE)" -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)" \
	-DCONSTCHECK_FUZZER=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
# valgrind's memcheck: any error, or a block that nothing points to any more, fails the run.
MEMCHECK := valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite
SOURCES = $(shell git ls-files '*.cpp' '*.h')

.PHONY: run build test memcheck package build-windows test-windows package-windows configure-sanitize sanitize \
	sanitize-flags-only msvc-flags fuzz analyze coverage bench clean

run: build
	./$(BUILD)/constcheck

build:
	$(DEPS) cmake make g++
	cmake -S . -B $(BUILD)
	cmake --build $(BUILD) --parallel

test:
	$(DEPS) $(TEST_PACKAGES)
	cmake -S . -B $(BUILD) -DBUILD_TESTING=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
	cmake --build $(BUILD) --parallel
	ctest --test-dir $(BUILD) --output-on-failure --no-tests=error

# The black-box tests against the program as built by default, under valgrind.
memcheck: build
	$(DEPS) valgrind python3
	python3 tests/dialogue_test.py --no-memory-limit $(MEMCHECK) $(BUILD)/constcheck

# The Debian package, $(BUILD)/constcheck_<version>_amd64.deb.
package: build
	$(DEPS) dpkg-dev file
	cmake --build $(BUILD) --target package

# The Windows program, cross-compiled with MinGW-w64.
build-windows:
	$(DEPS) $(WINDOWS_PACKAGES)
	cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
	cmake --build build-win --parallel

# Its tests, run under Wine.
test-windows: build-windows
	$(DEPS) wine
	.ci/with-wine build-win/wine ctest --test-dir build-win --output-on-failure --no-tests=error

# The Windows zip, build-win/constcheck-<version>-win64.zip.
package-windows: build-windows
	cmake --build build-win --target package

# The clang build with sanitizers that the next three targets share.
configure-sanitize:
	$(DEPS) $(CLANG_PACKAGES)
	$(CONFIGURE_SANITIZE)

# Every test again, built by clang with the address and undefined-behaviour sanitizers.
sanitize: configure-sanitize
	cmake --build build-sanitize --parallel
	ctest --test-dir build-sanitize --output-on-failure --no-tests=error

# The way fuzzing services build a project: the sanitizer flags and nothing else.
sanitize-flags-only:
	$(DEPS) $(CLANG_PACKAGES)
	cmake -S . -B build-sanitize-flags -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$(SANITIZE)" \
		-DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)"
	cmake --build build-sanitize-flags --parallel
	ctest --test-dir build-sanitize-flags --output-on-failure --no-tests=error

# What an MSVC build gets, read from a clang-cl configure (there is no MSVC
# here to link with): the optimised build, and one run-time for every target.
msvc-flags:
	$(DEPS) cmake ninja-build clang-tools-14 lld llvm-14 googletest python3
	cmake -S . -B build-clang-cl -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/clang-cl.cmake \
		-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
	python3 .ci/check-msvc-flags build-clang-cl

# The differential fuzzer on both cores for FUZZ_SECONDS; new inputs stay in the build tree.
fuzz: configure-sanitize
	cmake --build build-sanitize --parallel --target constcheck_fuzz
	rm -rf build-sanitize/fuzz-corpus && mkdir -p build-sanitize/fuzz-corpus
	build-sanitize/fuzz/constcheck_fuzz -fork=2 -artifact_prefix=build-sanitize/ -max_len=16384 -max_total_time=$(FUZZ_SECONDS) \
		build-sanitize/fuzz-corpus fuzz/seeds 2>&1 | grep -E '^#[0-9]+:|ERROR|SUMMARY|crash|exiting' | tail -n 5; \
		exit $${PIPESTATUS[0]}

analyze: configure-sanitize
	$(DEPS) clang-tidy clang-format cppcheck
	run-clang-tidy -p build-sanitize -quiet 'text/|app/|fuzz/|tests/'
	cppcheck --enable=warning,style,performance,portability --library=googletest --inline-suppr \
		--error-exitcode=1 --std=c++17 --quiet -I text -I app -I tests text app fuzz tests
	clang-format --dry-run --Werror $(SOURCES)

# Line and branch coverage of the program's own code by all the tests.
coverage:
	$(DEPS) $(TEST_PACKAGES) gcovr
	cmake -S . -B build-coverage -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage
	cmake --build build-coverage --parallel
	find build-coverage -name '*.gcda' -delete
	ctest --test-dir build-coverage --no-tests=error
	gcovr -r . -f text/ -f app/ build-coverage
	gcovr -r . -f text/ -f app/ --branches build-coverage
	gcovr -r . -f text/ --fail-under-line 100 build-coverage >/dev/null

bench: build
	python3 bench/compare.py $(BUILD)/constcheck

clean:
	rm -rf $(BUILD) build-*
