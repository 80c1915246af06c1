# Two commands for a newcomer: `make demo` and `make test`. Both install what is
# missing, configure and build; the build's programs read the data directory
# that the build itself generates inside the build tree.
BUILD ?= build
JOBS ?= $(shell nproc)
DATA_DIR := $(abspath $(BUILD))/data/
CMAKE_FLAGS ?=
# Without a display the demo is exported as a video instead; this size and
# rate render the whole show in five to ten minutes on two cores in software.
VIDEO ?= $(abspath $(BUILD))/halcyon.mp4
VIDEO_SIZE ?= 640x360
VIDEO_FPS ?= 30
PACKAGE_BUILD ?= build-package

.PHONY: all deps configure build test demo video package clean

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
	  $(MAKE) --no-print-directory video; \
	fi

# The export draws offscreen (EGL): no X server, and no window on a desktop.
video: build
	@echo "Rendering the show to $(VIDEO) ($(VIDEO_SIZE), $(VIDEO_FPS) fps) offscreen"
	$(BUILD)/app/halcyon-capture --offscreen --size $(VIDEO_SIZE) --fps $(VIDEO_FPS) --out $(VIDEO)
	@echo "The demo is in $(VIDEO)"

# A Debian package of a build that reads /usr/share/halcyon-by-velmora/data/.
package: deps
	cmake -S . -B $(PACKAGE_BUILD) -DHALCYON_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack
	@ls $(PACKAGE_BUILD)/*.deb

clean:
	rm -rf $(BUILD) $(PACKAGE_BUILD)
