# Orvalon: the commands of the README. Each target installs what it needs first.
JOBS ?= $(shell nproc)

.PHONY: all deps build test asan asan-test release demo format format-check clean

all: build

deps:
	@scripts/install-deps.sh

build/debug/build.ninja: | deps
	cmake --preset debug

build: deps build/debug/build.ninja
	cmake --build --preset debug -j $(JOBS)

test: build
	ctest --preset debug -j $(JOBS)

build/asan/build.ninja: | deps
	cmake --preset asan

asan: deps build/asan/build.ninja
	cmake --build --preset asan -j $(JOBS)

asan-test: asan
	ctest --preset asan -j $(JOBS)

build/release/build.ninja: | deps
	cmake --preset release

release: deps build/release/build.ninja
	cmake --build --preset release -j $(JOBS)

demo: release
	@scripts/demo.sh build/release

FORMAT_FILES = $(shell git ls-files '*.cpp' '*.h')

format: deps
	clang-format -i $(FORMAT_FILES)

format-check: deps
	clang-format --dry-run --Werror $(FORMAT_FILES)

clean:
	rm -rf build
