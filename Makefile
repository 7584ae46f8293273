# make test  — set up, build and run every test (SANITIZE=address,undefined for a sanitizer build)
# make demo  — set up, build and dictate with a simulated voice mouse
# make run   — set up, build and start Velmora
# make package     — the Debian package velmora_<version>_amd64.deb in build-package/
# make screenshots — PNGs of the windows in every interface language in docs/screenshots/
# make fuzz        — build the fuzz targets with clang in build-fuzz/ and run each for
#                    FUZZ_SECONDS seconds (default 30); fails on any finding
SANITIZE ?=
comma := ,
ifeq ($(SANITIZE),)
BUILD ?= build
else
BUILD ?= build-$(subst $(comma),-,$(SANITIZE))
endif
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 30
FUZZ_BUILD ?= build-fuzz

.PHONY: setup configure build test run demo format package screenshots fuzz

setup:
	@bash scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD) -DSANITIZE=$(SANITIZE) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@bash scripts/run-tests.sh $(BUILD)

demo: build
	@python3 scripts/demo.py $(BUILD)/bin

run: build
	@$(BUILD)/bin/velmora

package: setup
	@bash scripts/package.sh build-package $(JOBS)

screenshots: build
	@python3 scripts/screenshots.py $(BUILD)/bin docs/screenshots

fuzz: setup
	@CC=clang-14 CXX=clang++-14 cmake -S tests/fuzz -B $(FUZZ_BUILD) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@bash tests/fuzz/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i
