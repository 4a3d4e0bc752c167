# Set-up and test entry points; the builds themselves are CMake presets.
.PHONY: all deps build test run clean

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

clean:
	rm -rf build
