"""Builds the compiled part of itemdif (itemdif._core) from the binding and the analysis core:
core/ holds links to the folders of the repository's src/. ITEMDIF_JOBS sets how many files
compile at once (2 by default); NLOHMANN_JSON_INCLUDE, EIGEN3_INCLUDE_DIR and BOOST_INCLUDE_DIR
name header folders the compiler does not search."""

import os
import sys
from pathlib import Path

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension, build_ext
from setuptools import setup

here = Path(__file__).resolve().parent
os.chdir(here)  # setuptools takes the sources' paths relative to this folder
core = Path("core")

if not (core / "stats").is_dir():
    sys.exit("itemdif: the analysis core's sources (core/, links into the repository's src/) "
             "are missing: install the package from a clone of the itemdif repository "
             "(pip install ./python)")


def core_sources():
    """What the analysis needs of the core (as the R package's Makevars takes it): the
    statistics with the IRT engine, the results writers, the data layer's table builder and
    the option parsing of `analyze`; not the file readers, the command line's parser or the
    control-file analysis."""
    chosen = []
    for folder in ("stats", "irt", "results"):
        chosen += sorted((core / folder).glob("*.cpp"))
    chosen = [path for path in chosen if path.name != "control_file_results.cpp"]
    chosen += [core / "data" / name for name in
               ("cell_rules.cpp", "column_selection.cpp", "score_table_builder.cpp")]
    chosen += [core / "cli" / name for name in
               ("analyze_options.cpp", "analyze_description.cpp", "binding_api.cpp")]
    return [str(path) for path in chosen]


def header_folder(variable, candidates, header, package):
    """The folder holding `header`: $variable, else the first candidate that has it."""
    given = os.environ.get(variable)
    folders = [given] if given else candidates
    for folder in folders:
        if (Path(folder) / header).is_file():
            return folder
    sys.exit(f"itemdif: {header} not found in {', '.join(folders)}: install {package} "
             f"(Debian) or set {variable} to the folder that holds it")


eigen = header_folder("EIGEN3_INCLUDE_DIR", ["/usr/include/eigen3", "/usr/local/include/eigen3"],
                      "Eigen/Dense", "libeigen3-dev")
json = header_folder("NLOHMANN_JSON_INCLUDE", ["/usr/include", "/usr/local/include"],
                     "nlohmann/json.hpp", "nlohmann-json3-dev")
boost = header_folder("BOOST_INCLUDE_DIR", ["/usr/include", "/usr/local/include"],
                      "boost/math/distributions/chi_squared.hpp", "libboost-dev")


def needs_recompile(obj, src):
    """An object is compiled again when it is missing or older than its source or any header
    it included (the compiler's -MMD list beside it)."""
    if not os.path.exists(obj):
        return True
    made = os.path.getmtime(obj)
    listed = obj[:-2] + ".d"
    if not os.path.exists(listed):
        return True
    with open(listed) as f:
        text = f.read().replace("\\\n", " ")
    _, _, dependencies = text.partition(": ")
    for path in dependencies.split():
        if not os.path.exists(path) or os.path.getmtime(path) > made:
            return True
    return False


ParallelCompile("ITEMDIF_JOBS", default=2, needs_recompile=needs_recompile).install()

extension = Pybind11Extension(
    "itemdif._core",
    ["src/binding.cpp"] + core_sources(),
    depends=[str(path) for path in sorted(core.glob("*/*.hpp"))],
    include_dirs=[str(core), eigen] + [folder for folder in (json, boost) if folder != "/usr/include"],
    cxx_std=20,
    # No debug information: a tenth of the size, and a shorter build.
    extra_compile_args=["-O2", "-g0", "-MMD"],
    extra_link_args=["-pthread"],
)

class build_every_time(build_ext):
    """Always compiles and links: setuptools' own test (is the library older than a source?)
    misses a source added to the core since the last build; needs_recompile decides per object."""

    def initialize_options(self):
        super().initialize_options()
        self.force = True


setup(ext_modules=[extension], cmdclass={"build_ext": build_every_time})
