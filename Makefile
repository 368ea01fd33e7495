# Shortcuts over CMake. `make test` is the test command; .ci/run runs it and the rest.
SHELL := /bin/bash
FUZZ_SECONDS ?= 60
DEPS := .ci/install-deps

TEST_PACKAGES := cmake make g++ libgtest-dev python3 dash
CLANG_PACKAGES := cmake make clang libclang-rt-14-dev libgtest-dev python3
WINDOWS_PACKAGES := cmake make g++-mingw-w64-x86-64
# valgrind's memcheck: any error, or a block that nothing points to any more, fails the run.
MEMCHECK := valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite
SOURCES = $(shell git ls-files '*.cpp' '*.h')
# The configurations, builds and test runs are CMakePresets.json's, where IDEs find them too.

.PHONY: run build test memcheck package test-windows package-windows configure-sanitize sanitize \
	sanitize-flags-only msvc-flags fuzz analyze coverage bench bench-windows clean

run: build
	./build/constcheck

build:
	$(DEPS) cmake make g++
	cmake --preset default
	cmake --build --preset default --parallel

test:
	$(DEPS) $(TEST_PACKAGES)
	cmake --preset tests
	cmake --build --preset tests --parallel
	ctest --preset tests

# The black-box tests against the program as built by default, under valgrind.
memcheck: build
	$(DEPS) valgrind python3
	python3 tests/dialogue_test.py --no-memory-limit $(MEMCHECK) build/constcheck

# The Debian package, build/constcheck_<version>_amd64.deb.
package: build
	$(DEPS) dpkg-dev file
	cmake --build --preset default --target package

# The Windows program and its tests, cross-compiled with MinGW-w64 and run under Wine.
test-windows:
	$(DEPS) $(WINDOWS_PACKAGES) googletest python3 wine
	cmake --preset windows-tests
	cmake --build --preset windows-tests --parallel
	.ci/with-wine build-win/wine ctest --preset windows-tests

# The Windows zip, build-win/constcheck-<version>-win64.zip: the program alone is built.
package-windows:
	$(DEPS) $(WINDOWS_PACKAGES)
	cmake --preset windows
	cmake --build --preset windows --parallel --target package

# The clang build with sanitizers that the next three targets share.
configure-sanitize:
	$(DEPS) $(CLANG_PACKAGES)
	cmake --preset sanitize

# Every test again, built by clang with the address and undefined-behaviour sanitizers.
sanitize: configure-sanitize
	cmake --build --preset sanitize --parallel
	ctest --preset sanitize

# The way fuzzing services build a project: the sanitizer flags and nothing else.
sanitize-flags-only:
	$(DEPS) $(CLANG_PACKAGES)
	cmake --preset sanitize-flags-only
	cmake --build --preset sanitize-flags-only --parallel
	ctest --preset sanitize-flags-only

# What an MSVC build gets, read from a clang-cl configure (there is no MSVC
# here to link with): the optimised build, and one run-time for every target.
msvc-flags:
	$(DEPS) cmake ninja-build clang-tools-14 lld llvm-14 googletest python3
	cmake --preset clang-cl
	python3 .ci/check-msvc-flags build-clang-cl

# The differential fuzzer on both cores for FUZZ_SECONDS; new inputs stay in the build tree.
fuzz: configure-sanitize
	cmake --build --preset sanitize --parallel --target constcheck_fuzz
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
	cmake --preset coverage
	cmake --build --preset coverage --parallel
	find build-coverage -name '*.gcda' -delete
	ctest --preset coverage
	gcovr -r . -f text/ -f app/ build-coverage
	gcovr -r . -f text/ -f app/ --branches build-coverage
	gcovr -r . -f text/ --fail-under-line 100 build-coverage >/dev/null

bench: build
	python3 bench/compare.py build/constcheck

# How the Windows program's time grows with a long line, under Wine.
bench-windows:
	$(DEPS) $(WINDOWS_PACKAGES) wine
	cmake --preset windows
	cmake --build --preset windows --parallel --target constcheck
	bench/wine_scaling.sh build-win/constcheck.exe

clean:
	rm -rf build build-*
