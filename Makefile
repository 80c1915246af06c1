# Two commands for a newcomer: `make demo` and `make test`. Both install what is
# missing, configure and build; the build's program reads the data directory
# that the build itself generates inside the build tree.
BUILD ?= build
JOBS ?= $(shell nproc)
DATA_DIR := $(abspath $(BUILD))/data/
CMAKE_FLAGS ?=

.PHONY: all deps configure build test demo clean

all: build

deps:
	bash scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DHALCYON_DATA_DIR=$(DATA_DIR) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	@if [ -n "$$DISPLAY" ]; then \
	  $(BUILD)/app/halcyon window; \
	else \
	  echo "No display: playing in a virtual X server (silent audio output if there is no sound card)"; \
	  xvfb-run -a -s "-screen 0 1280x720x24" $(BUILD)/app/halcyon window; \
	fi

clean:
	rm -rf $(BUILD)
