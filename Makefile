# Orvalon: the commands of the README. Each target installs what it needs first.
JOBS ?= $(shell nproc)

.PHONY: all deps build test asan asan-test release demo install bench fuzz windows windows-test format format-check clean

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

demo: deps build/release/build.ninja
	cmake --build --preset release -j $(JOBS) --target orvalon orvalon-demo-pictures
	@scripts/demo.sh build/release

# The tool, its man page, the thumbnailer entry and the MIME types, under PREFIX (staged
# under DESTDIR for packages). Without DESTDIR the MIME database is brought up to date.
PREFIX ?= /usr/local
DESTDIR ?=
install: deps build/release/build.ninja
	cmake --build --preset release -j $(JOBS) --target orvalon orvalon-man
	DESTDIR="$(DESTDIR)" cmake --install build/release --prefix "$(PREFIX)"
	@if [ -z "$(DESTDIR)" ] && command -v update-mime-database >/dev/null 2>&1; then \
	  update-mime-database "$(PREFIX)/share/mime"; fi

# Timings of detection, decoding, thumbnails and export; the table goes to bench/README.md.
bench: deps build/release/build.ninja
	cmake --build --preset release -j $(JOBS) --target orvalon-bench
	build/release/orvalon-bench --benchmark_counters_tabular=true

# libFuzzer targets for FUZZ_SECONDS each (default 60).
fuzz: deps
	scripts/fuzz.sh

# The plug-in and the tool for 64-bit Windows, cross-compiled; tested under Wine.
windows:
	scripts/windows/build.sh

windows-test: build windows
	scripts/windows/test.sh

FORMAT_FILES = $(shell git ls-files '*.cpp' '*.h')

format: deps
	clang-format -i $(FORMAT_FILES)

format-check: deps
	clang-format --dry-run --Werror $(FORMAT_FILES)

clean:
	rm -rf build
