# Orvane: build, test, benchmark, fuzz and demo. Every target installs what it
# needs first, so a fresh machine needs nothing but `make test` or `make demo`.

BUILD      := build
ASAN_BUILD := build-asan
FUZZ_BUILD := build-fuzz
BENCH_BUILD := build-bench
JOBS       ?= $(shell nproc)
DEMO_HOME  := $(CURDIR)/demo-home

# Debian packages for the build, the tests, the benchmarks and the demo.
PACKAGES := build-essential cmake ninja-build pkg-config git \
            zlib1g-dev libwolfssl-dev libcli11-dev \
            libgtest-dev libgmock-dev googletest libbenchmark-dev \
            sqlite3 libsqlite3-dev liblmdb-dev liblz4-dev lrzsz zip unzip python3 \
            openssl socat inetutils-telnetd \
            clang libclang-rt-dev clang-format clang-tidy xdg-utils

.PHONY: all deps build test bench fuzz demo clean format

all: build

deps:
	@missing=$$(dpkg-query -W -f='$${Package} $${Status}\n' $(PACKAGES) 2>/dev/null | \
	    awk '$$NF == "installed" {print $$1}' | sort > .deps-present; \
	    for p in $(PACKAGES); do grep -qx "$$p" .deps-present || echo $$p; done); \
	rm -f .deps-present; \
	if [ -n "$$missing" ]; then \
	    echo "Installing: $$missing"; \
	    SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
	    $$SUDO apt-get update -qq && \
	    DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq --no-install-recommends $$missing >/dev/null; \
	fi

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: deps
	@scripts/run-tests.sh

bench: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_BENCH=ON -DORVANE_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@scripts/run-benchmarks.sh $(BENCH_BUILD)

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@scripts/run-fuzzers.sh $(FUZZ_BUILD) $${FUZZ_SECONDS:-60}

demo: build
	@scripts/demo.sh $(BUILD)/ui/orvane $(DEMO_HOME)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(DEMO_HOME)
