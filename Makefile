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
SANITIZE_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
# Any report of the sanitizers fails the test that caused it. Leaks are not
# checked here: the program keeps its resources until exit by design, and Mesa's
# driver is unloaded before the exit-time check, leaving allocations no report
# can name or suppress. The fuzz targets check leaks.
SANITIZER_ENV := ASAN_OPTIONS=abort_on_error=1:detect_leaks=0 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

.PHONY: all deps configure build test demo video package clean sanitize fuzz tsan release

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

# The whole test suite built with AddressSanitizer and UBSan, in a tree of its own.
sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DHALCYON_SANITIZE=ON \
	  -DHALCYON_DATA_DIR=$(abspath $(SANITIZE_BUILD))/data/ $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS seconds (clang, libFuzzer, ASan, UBSan),
# seeded from the show this build generates; prints executions and findings.
fuzz: build
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DHALCYON_FUZZ=ON -DHALCYON_TESTS=OFF \
	  -DHALCYON_FUZZ_SHOW_BUILD=$(abspath $(BUILD)) $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz-targets fuzz-seeds
	fuzz/run-all $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The tests of the threaded code (label `threads`: the audio layer and its
# decoder, the capture's frame writer, the studio's file watch and live
# rebuild) built with ThreadSanitizer in a tree of its own; only their programs
# are built, and the capture reads the data of the normal build. Any report fails.
TSAN_BUILD ?= build-tsan
TSAN_TARGETS := halcyon_audio_tests studio_tests halcyon-capture
tsan: build
	cmake -S . -B $(TSAN_BUILD) -DHALCYON_TSAN=ON -DHALCYON_DATA_DIR=$(DATA_DIR) $(CMAKE_FLAGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest -L threads --output-on-failure -j $(JOBS)

# The portable archive (build-release/halcyon-VERSION-linux-x86_64.tar.gz):
# its programs built in a Debian 11 tree kept in build-release/, the show's
# data of the normal build. Needs root; the first run downloads the tree.
RELEASE_BUILD ?= build-release
release: build
	bash scripts/make-release $(BUILD) $(RELEASE_BUILD)

clean:
	rm -rf $(BUILD) $(PACKAGE_BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD) $(TSAN_BUILD) $(RELEASE_BUILD)
