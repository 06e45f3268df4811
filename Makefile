# The front door. `make test` is the one command that sets up a fresh machine
# and runs every test of both builds.
JOBS ?= $(shell nproc)
NATIVE := build/native
WIN64 := build/win64

.PHONY: all deps native win64 win64-config test test-native test-win64 test-fuzz fuzz run demo screenshot bench clean

all: native win64

# Every build needs the dependencies; the script skips what is there.
deps:
	scripts/deps.sh

native: deps
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Debug >/dev/null
	cmake --build $(NATIVE) -j$(JOBS)

win64-config: deps
	cmake -S . -B $(WIN64) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null

win64: win64-config
	cmake --build $(WIN64) -j$(JOBS)

test: deps
	$(MAKE) all
	$(MAKE) test-fuzz test-native test-win64

test-native:
	ctest --test-dir $(NATIVE) --output-on-failure

test-win64:
	scripts/with-display.sh ctest --test-dir $(WIN64) --output-on-failure

run: deps win64
	scripts/run.sh

demo: deps win64
	scripts/run.sh --demo

screenshot: deps win64
	scripts/run.sh --screenshot docs/screenshot.png
	scripts/run.sh --screenshot docs/screenshot-150.png --scale 150
	scripts/make-icon.sh --sheet docs/tray-icons.png

# libFuzzer targets under ASan and UBSan: `make fuzz` runs each for
# FUZZ_SECONDS, `make test` for 30 s each so that they keep working.
.PHONY: fuzz test-fuzz
FUZZ_SECONDS ?= 120

fuzz: deps
	scripts/fuzz.sh $(FUZZ_SECONDS)

test-fuzz:
	scripts/fuzz.sh 30

# Every benchmark with the Wine side on a core of its own, then the same
# burst with Wine free to use every core, for the cost of waking the other.
bench: deps all
	scripts/bench.sh
	TAVRIN_BENCH_PIN=off scripts/bench.sh --consumers core-wine,program --qos 0 burst

clean:
	rm -rf build dist

# tavrin-check for the robot system's developers: built natively without
# sanitizers into build/release; `make install PREFIX=…` puts it in PREFIX/bin.
RELEASE := build/release
PREFIX ?= /usr/local
.PHONY: checker install
all: checker

checker: deps
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DTAVRIN_SANITIZE=OFF >/dev/null
	cmake --build $(RELEASE) -j$(JOBS) --target tavrin-check

install: checker
	cmake --install $(RELEASE) --component checker --prefix "$(PREFIX)"

# The release for Windows users in dist/: the portable zip, the per-user MSI
# and SHA256SUMS (SIGN_PFX and SIGN_PASSWORD sign them). dist-check builds
# the commit in two fresh clones and compares the results byte for byte.
.PHONY: dist dist-check
dist: win64-config
	cmake --build $(WIN64) -j$(JOBS) --target Tavrin tavrin-check TavrinSetup
	packaging/dist.sh $(WIN64) dist

dist-check: deps
	packaging/dist-check.sh
