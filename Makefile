# The project's commands. Each installs what is missing first (Debian packages, via apt-get).
#   make demo [ARGS="..."]  build what the demo runs and run it: a match played without and with
#                           the plugin
#                           (ARGS="--settings [--screenshot FILE.png]": the settings page in a window)
#   make test               every test, then the same tests under AddressSanitizer and UBSan,
#                           ThreadSanitizer, the fuzz targets and the Windows build under Wine
#   make windows            the Windows x64 build (MinGW-w64) in build-windows/
#   make bench              the benchmarks, each against a floor measured in the same run
#   make fuzz               the fuzz targets, for a short bounded time

# Two jobs: the machines have two cores, shared with other work.
JOBS ?= 2
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: build demo test bench fuzz windows

# Each command installs only the sets of packages it needs (scripts/install-deps.sh).
INSTALL_DEPS = bash scripts/install-deps.sh

# The plain preset of CMakePresets.json (build/ unless BUILD says otherwise).
CONFIGURE = cmake --preset plain -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build:
	@$(INSTALL_DEPS) demo
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS)

# The settings window needs a display: without one (a terminal, CI) it opens in a virtual one.
DEMO_DISPLAY = $(if $(and $(filter --settings,$(ARGS)),$(if $(DISPLAY),,no)),xvfb-run -a,)

# Only what the demo runs: the plugin module, the stand-ins (cloak-demo links them) and the demo;
# not the test programs nor the benchmarks, which take most of a full build.
demo:
	@$(INSTALL_DEPS) demo $(if $(DEMO_DISPLAY),window)
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS) --target CloakMyIdentity cloak-demo
	$(DEMO_DISPLAY) ./$(BUILD)/cloak-demo $(ARGS)

test:
	@$(INSTALL_DEPS)
	@JOBS=$(JOBS) bash scripts/run-tests.sh

# ARGS takes Google Benchmark's options, e.g. ARGS="--benchmark_filter=IndexBuild".
bench: build
	./$(BUILD)/cloak-bench $(ARGS)

fuzz:
	@$(INSTALL_DEPS) demo checks
	@JOBS=$(JOBS) bash scripts/fuzz.sh

windows:
	@$(INSTALL_DEPS) windows
	@JOBS=$(JOBS) bash scripts/windows.sh build
