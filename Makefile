# Rollscribe: the two set-up commands are `make run` and `make check`.
# Both install what is missing, build, and then either convert the example roll or run every test.

EXAMPLE := examples/evening_waltz.bar
DEMO    := build/demo

.PHONY: all deps build run check clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default

# Converts the bundled example roll into build/demo/ and prints the report; with a display,
# then opens the desktop program on it.
run: build
	@rm -rf $(DEMO) && mkdir -p $(DEMO)
	@cp examples/evening_waltz.bar examples/evening_waltz.ann $(DEMO)/
	@build/bin/rollscribe-convert $(DEMO)/evening_waltz.bar
	@echo
	@echo "MIDI file written: $(DEMO)/evening_waltz_BAR_e.mid"
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ] && [ -x build/bin/rollscribe ]; then \
		echo "Opening the desktop program: build/bin/rollscribe $(DEMO)/evening_waltz.bar"; \
		build/bin/rollscribe $(DEMO)/evening_waltz.bar; \
	fi

# Builds and runs every test (the desktop program's under a virtual X server).
check: build
	@ctest --preset default -j2

clean:
	rm -rf build build-*
