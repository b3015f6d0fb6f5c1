"""The Python module lodthresh, compiled from the repository's C++ sources.

    pip install --no-build-isolation ./python

builds it with Debian's setuptools and pybind11 (python3-pybind11): the
libraries numerics, distributions, threshold, simulation and table, and the
module over them, as the project's CMake compiles them (C++17, no fused
multiply-add contraction, no fast math), so that its doubles are the command
line's.
"""
import pathlib
import re

import pybind11
from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
LIBRARIES = ["numerics", "distributions", "threshold", "simulation", "table"]


def version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(lodthresh VERSION ([0-9.]+)", text).group(1)


def sources():
    found = [str(path.relative_to(HERE.parent).as_posix()) for library in LIBRARIES
             for path in sorted((ROOT / library).glob("*.cpp"))]
    return ["../" + name for name in found] + ["src/module.cpp"]


class BuildInParallel(build_ext):
    """Compiles the sources two at a time (the machines it is built on are small)."""

    def finalize_options(self):
        super().finalize_options()
        if self.parallel is None:
            self.parallel = 2


setup(
    name="lodthresh",
    version=version(),
    description="Critical LOD scores for genome-wide linkage scans",
    python_requires=">=3.9",
    install_requires=["numpy", "pandas"],
    ext_modules=[Extension(
        "lodthresh",
        sources=sources(),
        include_dirs=[str(ROOT), pybind11.get_include()],
        language="c++",
        define_macros=[("LODTHRESH_VERSION", f'"{version()}"')],
        extra_compile_args=["-std=c++17", "-ffp-contract=off", "-fno-fast-math",
                            "-fvisibility=hidden"],
        extra_link_args=["-pthread"],
    )],
    cmdclass={"build_ext": BuildInParallel},
    zip_safe=False,
)
