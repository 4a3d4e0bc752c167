# Set-up and test entry points; the builds themselves are CMake presets.
.PHONY: all deps build test clean

all: build

deps:
	@scripts/deps.sh

build: deps
	cmake --preset native && cmake --build --preset native -j$$(nproc)
	cmake --preset mingw && cmake --build --preset mingw -j$$(nproc)

test: deps
	@scripts/test.sh

clean:
	rm -rf build
