# Quick start: `make demo` runs the bundled example analysis, `make test` runs every test.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build demo test test-sanitize bench clean

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	@cd examples && echo demo.ctl | ../$(BUILD)/itemdif; status=$$?; \
	 echo; echo "Report written to examples/demo.out (exit status $$status)"; exit $$status

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DITEMDIF_SANITIZE=ON

test-sanitize: $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	cmake --build $(BUILD) -j $(JOBS) --target $(notdir $(basename $(wildcard bench/*.cpp)))
	@for b in $(notdir $(basename $(wildcard bench/*.cpp))); do ./$(BUILD)/$$b; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
