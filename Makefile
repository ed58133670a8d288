# Quick start: `make demo` runs the bundled example analysis, `make test` runs every test.
# Both first make sure the Debian packages they need are there (tools/need_packages.sh).
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)

PROGRAM_PACKAGES := cmake:cmake g++:g++ make:make \
                    libcli11-dev:/usr/share/cmake/CLI11/CLI11Config.cmake \
                    libreadstat-dev:/usr/include/readstat.h \
                    libboost-math-dev:/usr/include/boost/math/distributions/chi_squared.hpp \
                    libeigen3-dev:/usr/include/eigen3/Eigen/Dense \
                    nlohmann-json3-dev:/usr/include/nlohmann/json.hpp
# The R package (r/itemdif) compiles the same core, with the header libraries R packages link
# to (cpp11, BH, RcppEigen) and nlohmann/json found by its configure script; the system's Eigen
# makes its numbers the program's to the last bit. haven and tibble are for its tests.
R_PACKAGES       := r-base-dev:/usr/share/R/debian/r-cran.mk \
                    r-cran-cpp11:/usr/lib/R/site-library/cpp11/DESCRIPTION \
                    r-cran-bh:/usr/lib/R/site-library/BH/DESCRIPTION \
                    r-cran-rcppeigen:/usr/lib/R/site-library/RcppEigen/DESCRIPTION \
                    libeigen3-dev:/usr/include/eigen3/Eigen/Dense \
                    nlohmann-json3-dev:/usr/include/nlohmann/json.hpp
R_TEST_PACKAGES  := $(R_PACKAGES) r-cran-testthat:/usr/lib/R/site-library/testthat/DESCRIPTION \
                    r-cran-haven:/usr/lib/R/site-library/haven/DESCRIPTION \
                    r-cran-tibble:/usr/lib/R/site-library/tibble/DESCRIPTION
# R CMD check --as-cran needs checkbashisms for the configure script, LaTeX with the fonts of
# R's PDF manual and tidy for its HTML version.
R_CHECK_PACKAGES := $(R_TEST_PACKAGES) devscripts:/usr/bin/checkbashisms \
                    texlive-latex-base:/usr/bin/pdflatex \
                    texlive-latex-recommended:/usr/share/texlive/texmf-dist/tex/generic/thumbpdf/thumbpdf.sty \
                    texlive-fonts-recommended:/usr/share/texlive/texmf-dist/tex/latex/eurosym/eurosym.sty \
                    texlive-fonts-extra:/usr/share/texlive/texmf-dist/tex/latex/inconsolata/inconsolata.sty \
                    tidy:/usr/bin/tidy
# The Python package (python/) on Debian's Python, /usr/bin/python3; pytest for its tests.
PYTHON            := /usr/bin/python3
PYTHON_PACKAGES  := g++:g++ python3-dev:/usr/bin/python3-config \
                    python3-pip:/usr/lib/python3/dist-packages/pip/__init__.py \
                    python3-setuptools:/usr/lib/python3/dist-packages/setuptools/__init__.py \
                    python3-pybind11:/usr/lib/python3/dist-packages/pybind11/__init__.py \
                    python3-numpy:/usr/lib/python3/dist-packages/numpy/__init__.py \
                    python3-pandas:/usr/lib/python3/dist-packages/pandas/__init__.py \
                    libboost-math-dev:/usr/include/boost/math/distributions/chi_squared.hpp \
                    libeigen3-dev:/usr/include/eigen3/Eigen/Dense \
                    nlohmann-json3-dev:/usr/include/nlohmann/json.hpp
PYTHON_TEST_PACKAGES := $(PYTHON_PACKAGES) python3-pytest:/usr/lib/python3/dist-packages/pytest/__init__.py
TEST_PACKAGES    := $(PROGRAM_PACKAGES) libgtest-dev:/usr/include/gtest/gtest.h \
                    chromium:/usr/bin/chromium python3:/usr/bin/python3 \
                    $(R_TEST_PACKAGES) $(PYTHON_TEST_PACKAGES)

.PHONY: all program demo test test-sanitize bench r r-check python clean

all: test

# The program alone: a build folder made here has no tests, one made by `make test` keeps them
# but only the program is compiled.
program:
	@tools/need_packages.sh $(PROGRAM_PACKAGES)
	@[ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DITEMDIF_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS) --target itemdif

demo: program
	@cd examples && echo demo.ctl | ../$(BUILD)/itemdif; status=$$?; \
	 echo; echo "Control-file report written to examples/demo.out (exit status $$status)"; exit $$status
	./$(BUILD)/itemdif analyze examples/quiz/quiz.csv --group sex --focal F --id id --missing-codes 9 \
	  --out examples/quiz/results
	@echo
	@echo "Results files of the quiz in examples/quiz/results:"
	@echo "  open examples/quiz/results/report.html in a browser (items.csv, levels.csv,"
	@echo "  coefficients.csv and results.json beside it)"
	./$(BUILD)/itemdif analyze examples/survey/survey.csv --group language --focal FR --id id \
	  --max-score 5 --out examples/survey/results
	@echo
	@echo "Results files of the questionnaire (ratings 1-5 and yes/no items) in"
	@echo "  examples/survey/results: open examples/survey/results/report.html"
	./$(BUILD)/itemdif analyze examples/regions/regions.csv --group region --focal East,South,West \
	  --reference North --id id --max-score 3 --out examples/regions/results
	@echo
	@echo "Results files of the test sat in four regions (one comparison per focal region"
	@echo "  against North, and overall.csv for the four together) in examples/regions/results:"
	@echo "  open examples/regions/results/report.html"
	./$(BUILD)/itemdif analyze examples/reading/reading.csv --group form --focal L2 --id id \
	  --items p1_1:p4_6 --methods mh,std,bd,lr,sib --bundle passage3=p3_1:p3_6 \
	  --out examples/reading/results
	@echo
	@echo "Results files of the reading test (SIBTEST and crossing SIBTEST of every item,"
	@echo "  passage 3 as a bundle in bundles.csv) in examples/reading/results:"
	@echo "  open examples/reading/results/report.html"

test:
	@tools/need_packages.sh $(TEST_PACKAGES)
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DITEMDIF_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-sanitize:
	@tools/need_packages.sh $(TEST_PACKAGES)
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DITEMDIF_SANITIZE=ON -DITEMDIF_TESTS=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

bench: program
	cmake --build $(BUILD) -j $(JOBS) --target $(notdir $(basename $(wildcard bench/*.cpp)))
	@for b in $(notdir $(basename $(wildcard bench/*.cpp))); do ./$(BUILD)/$$b; done
	./$(BUILD)/analyze_command_bench mixed
	./$(BUILD)/analyze_command_bench groups

# The R package, installed from its folder as a user would (R CMD INSTALL r/itemdif): into R's
# site library as root, else into the user's library.
r:
	@tools/need_packages.sh $(R_PACKAGES)
	@lib=; if [ "$$(id -u)" -ne 0 ]; then \
	   lib=$$(Rscript -e 'cat(path.expand(Sys.getenv("R_LIBS_USER")))'); mkdir -p "$$lib"; fi; \
	 echo "R CMD INSTALL $${lib:+-l $$lib }r/itemdif"; \
	 MAKEFLAGS=-j$(JOBS) R CMD INSTALL --preclean $${lib:+-l "$$lib"} r/itemdif

# R CMD check --as-cran of the tarball R CMD build makes (in $(BUILD)/r-check); its tests
# without the program skip the comparison with it. The remote part of CRAN's incoming checks
# is left out: it needs the network.
r-check:
	@tools/need_packages.sh $(R_CHECK_PACKAGES)
	mkdir -p $(BUILD)/r-check
	cd $(BUILD)/r-check && rm -rf itemdif_*.tar.gz itemdif.Rcheck && \
	  R CMD build $(CURDIR)/r/itemdif && \
	  _R_CHECK_CRAN_INCOMING_REMOTE_=false MAKEFLAGS=-j$(JOBS) \
	  R CMD check --as-cran itemdif_*.tar.gz

# The Python package, installed as a user would: with Debian's pip, packages and compiler, no
# download (hence no build isolation); as root into the system's Python, else the user's.
python:
	@tools/need_packages.sh $(PYTHON_PACKAGES)
	@where=--break-system-packages; [ "$$(id -u)" -eq 0 ] || where="--user --break-system-packages"; \
	 echo "$(PYTHON) -m pip install --no-build-isolation $$where ./python"; \
	 ITEMDIF_JOBS=$(JOBS) $(PYTHON) -m pip install --no-build-isolation $$where ./python

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
