# Rollscribe: the two set-up commands are `make run` and `make check`.
#   make run     installs what the two programs need, builds the converter, converts the example
#                roll and prints its report, then builds the desktop program (and opens it on the
#                roll when there is a display). No tests, no benchmarks.
#   make check   installs the test tools as well and runs every test (what CI runs).
#   make deb     builds the Debian package build-package/rollscribe_VERSION_ARCH.deb.

# How long `make check` runs each fuzz target, in seconds.
FUZZ_SECONDS ?= 60

EXAMPLE := examples/evening_waltz
DEMO    := build/demo

.PHONY: all deps-run deps-deb deps-check build run check check-dev check-asan check-release \
        fuzz bench deb clean expression-figures

all: build

deps-run:
	@./scripts/install-deps.sh run

deps-deb:
	@./scripts/install-deps.sh deb

deps-check:
	@./scripts/install-deps.sh check

# Everything the default preset builds: the two programs (no tests, no benchmarks).
build: deps-run
	@cmake --preset default >/dev/null
	@cmake --build --preset default

# The converter first, so that the report comes quickly; then the desktop program.
run: deps-run
	@cmake --preset default >/dev/null
	@cmake --build --preset default --target rollscribe-convert
	@rm -rf $(DEMO) && mkdir -p $(DEMO)
	@cp $(EXAMPLE).bar $(EXAMPLE).ann $(DEMO)/
	@build/bin/rollscribe-convert $(DEMO)/evening_waltz.bar
	@echo
	@echo "MIDI file written: $(DEMO)/evening_waltz_BAR_e.mid"
	@echo "Building the desktop program (build/bin/rollscribe)..."
	@cmake --build --preset default --target rollscribe
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		echo "Opening the desktop program: build/bin/rollscribe $(DEMO)/evening_waltz.bar"; \
		build/bin/rollscribe $(DEMO)/evening_waltz.bar; \
	else \
		echo "No display: open a roll later with build/bin/rollscribe $(DEMO)/evening_waltz.bar"; \
	fi

# The expression file measured against real rolls (docs/expression.md, "Measured"): converts
# each scan of EXPRESSION_DATA into a scratch folder and prints the figures per roll system.
EXPRESSION_DATA ?= ../shared/expression-data
expression-figures: deps-check
	@cmake --preset default >/dev/null
	@cmake --build --preset default --target rollscribe-convert
	@/usr/bin/python3 scripts/expression_figures.py $(EXPRESSION_DATA)

# Every test: the developers' build (warnings as errors) and its suite, the suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, a user's plain Release build of everything
# with its installation and Debian package checked, and each fuzz target for FUZZ_SECONDS.
# The desktop program's tests run under a virtual X server.
check: deps-check
	@$(MAKE) --no-print-directory check-dev
	@$(MAKE) --no-print-directory check-asan
	@$(MAKE) --no-print-directory check-release
	@$(MAKE) --no-print-directory fuzz

# The developers' and CI's build (build/, the dev preset) and the whole suite.
check-dev: deps-check
	@cmake --preset dev >/dev/null
	@cmake --build --preset dev
	@ctest --preset dev -j2

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/).
check-asan: deps-check
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	@ctest --preset asan -j2

# A plain `cmake -DCMAKE_BUILD_TYPE=Release` build of everything, as a user makes it, without
# warnings as errors (build-release/); then its installation and Debian package are checked.
# First: the builds a user makes configure with the test tools hidden.
check-release: deps-check
	@./scripts/check-setup.sh
	@cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build build-release
	@./scripts/check-install.sh build-release

# Each fuzz target for FUZZ_SECONDS on its seed corpus (build-fuzz/, clang).
fuzz: deps-check
	@./scripts/fuzz.sh all $(FUZZ_SECONDS)

# Builds a Release build in build-bench/ and measures: the stage benchmarks, then the converter as
# a whole process (one large roll against cp, memory, linearity, a batch of 1,000 rolls with -j 1
# and -j all cores), and prints the table; then the roll picture's and the expression's
# benchmarks. Not part of `make check`; takes a few minutes.
bench: deps-check
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench
	@python3 scripts/bench_convert.py build-bench/bin
	@if [ -x build-bench/bin/rollscribe_picture_bench ]; then \
		build-bench/bin/rollscribe_picture_bench --benchmark_repetitions=5 \
			--benchmark_report_aggregates_only=true; \
	fi
	@build-bench/bin/rollscribe_expression_bench --benchmark_repetitions=5 \
		--benchmark_report_aggregates_only=true

# The Debian package, its run-time dependencies worked out by dpkg-shlibdeps (build-package/).
deb: deps-deb
	@cmake --workflow --preset package
	@ls build-package/rollscribe_*.deb

clean:
	rm -rf build build-*
