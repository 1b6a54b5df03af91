# Debian 12 packages the build and the tests need; `make run` without a display also needs
# an X server in memory and a screenshot tool.
PACKAGES := build-essential cmake ninja-build qt6-base-dev qt6-serialport-dev
HEADLESS_PACKAGES := xvfb xauth x11-utils imagemagick
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
JOBS ?= $(shell nproc)

.PHONY: all deps build run test asan tsan coverage fuzz bench screenshots package check-package clean

all: build

deps:
	@missing=""; for p in $(PACKAGES) $(if $(DISPLAY)$(WAYLAND_DISPLAY),,$(if $(filter run,$(MAKECMDGOALS)),$(HEADLESS_PACKAGES))); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

run: build
	./tools/run-demo.sh

test: build
	ctest --preset default -j $(JOBS)

asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The threaded tests (CTest label "threaded") under the thread sanitizer.
tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

# Line coverage of src/ and emulator/ by the whole suite (gcovr prints the summary).
coverage: deps
	@$(MAKE) --no-print-directory deps PACKAGES=gcovr
	cmake --preset coverage
	cmake --build --preset coverage -j $(JOBS)
	find build/coverage -name '*.gcda' -delete
	ctest --preset coverage -j $(JOBS)
	gcovr --root . --filter 'src/' --filter 'emulator/' --exclude '.*_autogen/.*' \
	  --object-directory build/coverage --print-summary --txt build/coverage/coverage.txt

# Every libFuzzer target for FUZZ_SECONDS seconds each (clang-14 and libFuzzer needed).
FUZZ_SECONDS ?= 60
FUZZ_PACKAGES := clang-14 libclang-rt-14-dev
fuzz: deps
	@$(MAKE) --no-print-directory deps PACKAGES="$(FUZZ_PACKAGES)"
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) ./fuzz/run.sh

bench: build
	./build/default/bench/link_latency
	./build/default/bench/ui_stall
	./build/default/bench/fiscal_memory
	./build/default/bench/macro_playback

# Every picture of docs/, from the tool driven against the emulated printers as a user drives it.
screenshots: build
	cmake --build --preset default --target screenshots
	QT_QPA_PLATFORM=offscreen ./build/default/tools/screenshots docs

# The Debian package (build/default/package/ferramenta-ecf_<version>_<arch>.deb) through CPack;
# dpkg-shlibdeps and file compute its dependencies.
PACKAGE_PACKAGES := dpkg-dev file
package: build
	@$(MAKE) --no-print-directory deps PACKAGES="$(PACKAGE_PACKAGES)"
	cd build/default && cpack -G DEB

# Builds the package, installs it on this machine, runs the installed tool against its built-in
# emulated printer, validates the menu entry, the metainfo and the package (lintian), removes it.
check-package:
	./tools/check-package.sh

clean:
	rm -rf build
