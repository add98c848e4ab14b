# The front door. `make test` installs what is missing, builds both builds and
# runs every test; `make run` builds the installer and runs it on a sample package.
SHELL := /bin/bash
JOBS ?= 2

.PHONY: all setup host win32 test test-format test-host test-win32 test-fuzz test-valgrind run bench clean
.PHONY: msi sign dist test-dist

all: host win32

setup:
	@bash tools/setup.sh

host: setup
	cmake --preset host >/dev/null
	cmake --build build/host -j$(JOBS)

win32: setup
	cmake --preset win32 >/dev/null
	cmake --build build/win32 -j$(JOBS)

# Every tracked C++ file is laid out as .clang-format says; any drift fails. No
# circle of includes, between files or between folders; no folder includes one
# listed below it in the README's table of folders.
test-format: setup
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
	python3 tools/check-includes.py

test-host: host
	ctest --test-dir build/host --output-on-failure

test-win32: win32
	bash tools/run-win32-tests.sh

# libFuzzer targets, about a minute in all (FUZZ_SECONDS each).
test-fuzz: setup
	cmake --preset fuzz >/dev/null
	cmake --build build/fuzz -j$(JOBS)
	bash tools/run-fuzzers.sh

# The host tests once more, without sanitizers, under valgrind's memcheck.
test-valgrind: setup
	cmake --preset host-release >/dev/null
	cmake --build build/host-release -j$(JOBS)
	bash tools/run-valgrind.sh build/host-release

# The release: the signing, make dist, the batch example of docs/deployment.md and
# the MSI, under Wine (tests/dist/run.sh).
test-dist: win32 msi
	bash tests/dist/run.sh build/win32/Tarnwhistle.exe build/msi/Tarnwhistle.msi

test: test-format test-host test-fuzz test-valgrind test-win32 test-dist

# Tarnwhistle.msi, which sits in the package folder beside Tarnwhistle.exe (msi/).
msi: setup
	bash msi/build.sh build/msi

# Signed copies of the exe and the MSI in build/signed, with the certificate that the
# environment names (tools/sign.sh says which variables); without one, nothing is signed.
sign: win32 msi
	bash tools/sign.sh build/signed build/win32/Tarnwhistle.exe build/msi/Tarnwhistle.msi

# A release in build/dist: the exe and the MSI (signed when a certificate is given),
# docs/deployment.md and SHA256SUMS.
dist: win32 msi
	bash tools/dist.sh build/dist build/win32/Tarnwhistle.exe build/msi/Tarnwhistle.msi

# The installer under Wine on a sample package laid out in build/sample-run: the
# real dialog on your DISPLAY, or, without one, an unattended run on a private display.
run: win32
	python3 tools/run-sample.py

# The shipped Tarnwhistle.exe under Wine against an administrator's batch of xcopy and
# regsvr32 on two generated packages (docs/benchmark.md): ROUNDS rounds (3);
# BASELINE_EXE=old/Tarnwhistle.exe times a second installer beside it; BENCH_DIR puts
# the packages and installations in BENCH_DIR/bench (by default build/bench).
bench: win32
	bash tools/with-display.sh python3 bench/bench.py --rounds $(or $(ROUNDS),3) \
	    $(if $(BASELINE_EXE),--baseline $(BASELINE_EXE)) $(if $(BENCH_DIR),--folder $(BENCH_DIR)/bench)

clean:
	rm -rf build
