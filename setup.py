"""Builds the extension codvet._codvet with CMake (the project's option
CODVET_PYTHON) for setuptools, so that the module is made from the same
build as everything else. Needs cmake, g++, pybind11-dev and python3-dev."""

import os
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        source = os.path.dirname(os.path.abspath(__file__))
        build = os.path.abspath(os.path.join(self.build_temp, "cmake"))
        subprocess.run(
            ["cmake", "-S", source, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
             "-DCODVET_PYTHON=ON", "-DCODVET_TESTS=OFF",
             "-DPython3_EXECUTABLE=" + sys.executable],
            check=True)
        subprocess.run(["cmake", "--build", build, "--target", "_codvet", "-j2"], check=True)
        built = os.path.join(build, "python", "codvet", os.path.basename(self.get_ext_fullpath(ext.name)))
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        self.copy_file(built, target)


# setuptools' own build and metadata go beside the other build directories.
os.makedirs("build-python", exist_ok=True)
setup(
    ext_modules=[Extension("codvet._codvet", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": "build-python"}, "egg_info": {"egg_base": "build-python"}},
)
