# Rollscribe: the two set-up commands are `make run` and `make check`.
# Both install what is missing, build, and then either convert the example roll or run every test.

# How long `make check` runs each fuzz target, in seconds.
FUZZ_SECONDS ?= 60

EXAMPLE := examples/evening_waltz.bar
DEMO    := build/demo

.PHONY: all deps build run check check-asan fuzz bench clean

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

# Builds and runs every test: in the normal build, again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and then each fuzz target for FUZZ_SECONDS on its seed corpus.
# The desktop program's tests run under a virtual X server.
check: build
	@ctest --preset default -j2
	@$(MAKE) --no-print-directory check-asan
	@$(MAKE) --no-print-directory fuzz

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/).
check-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	@ctest --preset asan -j2

# Each fuzz target for FUZZ_SECONDS on its seed corpus (build-fuzz/, clang).
fuzz: deps
	@./scripts/fuzz.sh all $(FUZZ_SECONDS)

# Builds a Release build in build-bench/ and measures: the stage benchmarks, then the converter as
# a whole process (one large roll against cp, memory, linearity, a batch of 1,000 rolls with -j 1
# and -j all cores), and prints the table; then the roll picture's benchmarks. Not part of
# `make check`; takes a few minutes.
bench: deps
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench
	@python3 scripts/bench_convert.py build-bench/bin
	@if [ -x build-bench/bin/rollscribe_picture_bench ]; then \
		build-bench/bin/rollscribe_picture_bench --benchmark_repetitions=5 \
			--benchmark_report_aggregates_only=true; \
	fi

clean:
	rm -rf build build-*
