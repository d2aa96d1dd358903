# SPDX-License-Identifier: MIT
# make run   installs what is missing, builds, and starts the settings window
# make test  installs what is missing, builds with warnings as errors, and runs every test
# make sanitize  the unit tests built with AddressSanitizer and UndefinedBehaviorSanitizer
# make fuzz      fuzzes the settings-file reader/writer for FUZZ_SECONDS (default 60)
# make install          lays out the program folder (PREFIX, default ~/Tallyport)
# make install-desktop  adds its menu entry and icons for the current user
BUILD ?= build
PREFIX ?= $(HOME)/Tallyport
DATA_HOME ?= $(or $(XDG_DATA_HOME),$(HOME)/.local/share)

FUZZ_SECONDS ?= 60
SANITIZERS = -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer

.PHONY: run test sanitize fuzz install install-desktop

run:
	tools/install-deps.sh run
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) --target tallyport
	./$(BUILD)/tallyport

test:
	tools/install-deps.sh test
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLYPORT_WERROR=ON
	cmake --build $(BUILD)
	ctest --test-dir $(BUILD) --output-on-failure

sanitize:
	tools/install-deps.sh test
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALLYPORT_WERROR=ON \
		-DCMAKE_CXX_FLAGS="$(SANITIZERS)"
	cmake --build build-asan
	ctest --test-dir build-asan --output-on-failure --exclude-regex 'e2e|system'

fuzz:
	tools/install-deps.sh fuzz
	mkdir -p build-fuzz/corpus
	clang++ -std=c++20 -g -O1 -fsanitize=fuzzer $(SANITIZERS) -Icore \
		tests/fuzz/fuzz_profile.cpp core/ProfileText.cpp core/TextEncoding.cpp \
		-o build-fuzz/fuzz_profile
	build-fuzz/fuzz_profile -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
		-artifact_prefix=build-fuzz/ build-fuzz/corpus tests/fuzz/corpus

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
