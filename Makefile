# Set-up and test entry points; the builds themselves are CMake presets.
.PHONY: all deps build test lint run install dist clean

PREFIX ?= /usr/local

all: build

deps:
	@scripts/deps.sh

build: deps
	cmake --preset native && cmake --build --preset native -j$$(nproc)
	cmake --preset mingw && cmake --build --preset mingw -j$$(nproc)

test: deps
	@scripts/test.sh

# The clang-format and clang-tidy gates alone (make test runs them too);
# clang-tidy reads the native preset's compile_commands.json.
lint: deps
	@scripts/lint.sh

# Builds the Windows program and starts it (under Wine on Linux; without a
# display it saves build/screenshot.png of the main window instead).
run: deps
	@scripts/run.sh

# The release packages in dist/: the Windows zip and installer, the Debian
# package of brelvix-cli (scripts/dist.sh).
dist: deps
	@scripts/dist.sh

# Needs only a C++ compiler and CMake: no test framework, Wine or MinGW-w64.
install:
	cmake -S . -B build/install -DCMAKE_BUILD_TYPE=Release -DBX_TESTS=OFF
	cmake --build build/install --target brelvix-cli -j$$(nproc)
	cmake --install build/install --prefix $(PREFIX) --component cli

clean:
	rm -rf build dist
