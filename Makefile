# For distributed-testing frameworks (OpenBench) and anyone who types "make": builds the
# optimised engine with CMake and leaves it at EXE. The framework may pass CXX, also with a
# launcher in front ("ccache g++"); without one CMake picks the system's compiler. The data of the
# endgame file travel inside this binary, so that its bench gives the signature wherever the
# framework puts it. The root already holds the quick-start script "quendal", so "make" alone
# leaves the engine in build/make. "make -j N" builds with N jobs (the CMake build joins this
# make's job server).
EXE ?= build/make/quendal

# make's own default for CXX is "g++"; only a compiler the caller named is passed on.
ifeq ($(filter default undefined,$(origin CXX)),)
  COMPILER := $(lastword $(CXX))
  LAUNCHER := $(filter-out $(COMPILER),$(CXX))
  COMPILER_FLAGS := -DCMAKE_CXX_COMPILER=$(COMPILER) "-DCMAKE_CXX_COMPILER_LAUNCHER=$(LAUNCHER)"
  BUILD := build/make-$(notdir $(COMPILER))
else
  COMPILER_FLAGS :=
  BUILD := build/make-default
endif

.PHONY: all clean
all:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(COMPILER_FLAGS) \
	  "-DCMAKE_CXX_FLAGS_RELEASE=-O3 -DNDEBUG" -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=ON \
	  -DQUENDAL_TESTS=OFF -DQUENDAL_EMBED_ENDGAME=ON >/dev/null
	+cmake --build $(BUILD) --target quendal
	@mkdir -p "$(dir $(EXE))"
	cp $(BUILD)/quendal "$(EXE)"

clean:
	rm -rf build/make-*
	rm -f "$(EXE)"
