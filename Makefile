# SPDX-License-Identifier: MIT
# make run   installs what is missing, builds, and starts the settings window
# make test  installs what is missing, builds with warnings as errors, and runs every test
# make install          lays out the program folder (PREFIX, default ~/Tallyport)
# make install-desktop  adds its menu entry and icons for the current user
BUILD ?= build
PREFIX ?= $(HOME)/Tallyport
DATA_HOME ?= $(or $(XDG_DATA_HOME),$(HOME)/.local/share)

.PHONY: run test install install-desktop

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

install:
	tools/install-deps.sh run
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD)
	cmake --install $(BUILD) --prefix "$(PREFIX)"

install-desktop: install
	mkdir -p "$(DATA_HOME)/applications" "$(DATA_HOME)/icons"
	cp "$(PREFIX)/tallyport.desktop" "$(DATA_HOME)/applications/"
	cp -r "$(PREFIX)/icons/hicolor" "$(DATA_HOME)/icons/"
	-update-desktop-database "$(DATA_HOME)/applications" 2>/dev/null
