# SPDX-License-Identifier: MIT
# make run   installs what is missing, builds, and starts the settings window
# make test  installs what is missing, builds with warnings as errors, and runs every test
BUILD ?= build

.PHONY: run test

run:
	tools/install-deps.sh run
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD)
	./$(BUILD)/tallyport

test:
	tools/install-deps.sh test
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLYPORT_WERROR=ON
	cmake --build $(BUILD)
	ctest --test-dir $(BUILD) --output-on-failure
