# Tessel2 for Linux: set-up, build and tests in two commands.
#   make test   installs what is missing, builds, runs every test
#   make run    installs what is missing, builds, starts the viewer on the demo board

BUILD      ?= build
ASAN_BUILD ?= $(BUILD)/asan
JOBS       ?= $(shell nproc)
CMAKE_TYPE ?= RelWithDebInfo

.PHONY: all deps configure build test test-fast run bench clean

all: build

deps:
	@./tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(CMAKE_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Core and platform tests built a second time with AddressSanitizer and UBSan.
asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Asan -DTESSEL2_CORE_ONLY=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

# Both suites run whatever the first one gives; a failure in either fails the
# target afterwards, naming the suites that failed.
test: build asan
	@failed=""; \
	(cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 900) || failed="$$failed normal"; \
	(cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 900 -LE slow) || failed="$$failed asan"; \
	if [ -n "$$failed" ]; then \
	  for f in $$failed; do case $$f in \
	    normal) echo "テストに失敗しました：通常ビルド ($(BUILD))" >&2; echo "Tests failed: the normal build ($(BUILD))" >&2;; \
	    asan) echo "テストに失敗しました：AddressSanitizer ビルド ($(ASAN_BUILD))" >&2; echo "Tests failed: the AddressSanitizer build ($(ASAN_BUILD))" >&2;; \
	  esac; done; \
	  exit 1; \
	fi

test-fast: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE slow

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "画面（ディスプレイ）がありません。DISPLAY も WAYLAND_DISPLAY も設定されていないため、テッセル２ を起動できません。" >&2; \
	  echo "No display: neither DISPLAY nor WAYLAND_DISPLAY is set, so Tessel2 cannot start." >&2; \
	  echo "(Xvfb: xvfb-run -a -s \"-screen 0 1600x1000x24\" make run)" >&2; \
	  exit 1; fi
	@$(BUILD)/tessel2 samples/demo-top.gbr samples/demo-bottom.gbr samples/demo-outline.gbr samples/demo.drl

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; done

clean:
	rm -rf $(BUILD)
