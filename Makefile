# PALUMARO: make run | make test | make bench | make package | make fuzz
BUILD      ?= build
TESTBUILD  ?= build-test
BENCHBUILD ?= build-bench
PKGBUILD   ?= build-package
FUZZBUILD  ?= build-fuzz
# make fuzz FUZZ_SECONDS=300 FUZZ_TARGETS="plotdata quivetfile"
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
JOBS       ?= $(shell nproc)

# Debian packages the build, the tests and the tools need.
PACKAGES = cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev \
           libgtest-dev libbenchmark-dev qt6-svg-dev poppler-utils fonts-dejavu-core xvfb xauth \
           desktop-file-utils shared-mime-info lintian \
           slurmctld slurmd slurm-client munge clang libclang-rt-14-dev libdtl-dev mold ccache

.PHONY: run test bench package fuzz deps build clean

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" = 0 ] || SUDO=sudo; \
	  $$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing || \
	  { $$SUDO apt-get update -q && $$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; }; \
	fi

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPALUMARO_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/program && ./palumaro

test: deps
	cmake -S . -B $(TESTBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPALUMARO_SANITIZE=ON -DPALUMARO_TESTS=ON
	cmake --build $(TESTBUILD) -j $(JOBS)
	cd $(TESTBUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCHBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DPALUMARO_TESTS=OFF -DPALUMARO_BENCH=ON
	cmake --build $(BENCHBUILD) -j $(JOBS)
	cmake --build $(BENCHBUILD) --target run_benchmarks

# A Debian package of a release build (build-package/palumaro_<version>_<arch>.deb),
# checked by lintian when it is installed.
package: deps
	cmake -S . -B $(PKGBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DPALUMARO_TESTS=OFF
	cmake --build $(PKGBUILD) -j $(JOBS)
	cd $(PKGBUILD) && cpack -G DEB
	@if command -v lintian >/dev/null; then lintian --fail-on error $(PKGBUILD)/palumaro_*.deb; fi

# libFuzzer targets built with clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# each run for FUZZ_SECONDS one after the other.
fuzz: deps
	CXX=clang++ cmake -S . -B $(FUZZBUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPALUMARO_TESTS=OFF -DPALUMARO_FUZZ=ON
	cmake --build $(FUZZBUILD) -j $(JOBS) --target fuzzers
	fuzz/run.sh $(FUZZBUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

clean:
	rm -rf $(BUILD) $(TESTBUILD) $(BENCHBUILD) $(FUZZBUILD) $(PKGBUILD)
