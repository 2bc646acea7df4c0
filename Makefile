# make run   : install dependencies, build, start tanvexw on a sample design (a copy)
# make test  : install dependencies, build with -Werror, run every test
# make bench : build and run the benchmarks
# make sanitize : the console programs and non-window tests under AddressSanitizer and
#                 UndefinedBehaviorSanitizer (clang), then every reader's fuzz target
# make install : build, then install under PREFIX (default /usr/local)
BUILD ?= build
PREFIX ?= /usr/local
SANITIZE_BUILD ?= build-sanitize
FUZZ_SECONDS ?= 30
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTANVEX_WERROR=ON

.PHONY: deps configure build run test bench sanitize install format clean

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Runs in the build tree's copy of the samples: saving the design there
# never changes resources/examples, which the tests read.
run: build
	cd $(abspath $(BUILD))/resources/examples && $(abspath $(BUILD))/bin/tanvexw bandpass

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen LC_ALL=C ctest --output-on-failure -j$(JOBS)

bench: build
	@for b in $(BUILD)/bench/*; do if [ -f "$$b" ] && [ -x "$$b" ]; then "$$b" || exit 1; fi; done
	bench/console/compare_ngspice.sh $(BUILD)

sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DTANVEX_GUI=OFF -DTANVEX_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	cd $(SANITIZE_BUILD) && LC_ALL=C ctest --output-on-failure -j$(JOBS)
	scripts/run-fuzzers $(SANITIZE_BUILD) $(FUZZ_SECONDS)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

format:
	find core gui apps tests bench tools -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
