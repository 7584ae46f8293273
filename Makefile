# make test  — set up, build and run every test (SANITIZE=address,undefined for a sanitizer build)
# make demo  — set up, build and dictate with a simulated voice mouse
# make run   — set up, build and start Velmora
# make package     — the Debian package velmora_<version>_amd64.deb in build-package/
# make screenshots — PNGs of the windows in every interface language in docs/screenshots/
SANITIZE ?=
comma := ,
ifeq ($(SANITIZE),)
BUILD ?= build
else
BUILD ?= build-$(subst $(comma),-,$(SANITIZE))
endif
JOBS ?= $(shell nproc)

.PHONY: setup configure build test run demo format package screenshots

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

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i
