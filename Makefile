# Set-up and test entry points; the builds themselves are CMake presets.
.PHONY: all deps build test run install clean

PREFIX ?= /usr/local

all: build

deps:
	@scripts/deps.sh

build: deps
	cmake --preset native && cmake --build --preset native -j$$(nproc)
	cmake --preset mingw && cmake --build --preset mingw -j$$(nproc)

test: deps
	@scripts/test.sh

# Builds the Windows program and starts it (under Wine on Linux; without a
# display it saves build/screenshot.png of the main window instead).
run: deps
	@scripts/run.sh

install: deps
	cmake --preset native && cmake --build --preset native --target brelvix-cli -j$$(nproc)
	cmake --install build/native --prefix $(PREFIX) --component cli

clean:
	rm -rf build
