"""Builds the extension codvet._codvet and the program codvet-lint with CMake
(the project's option CODVET_PYTHON) for setuptools, so that both are made
from the same build as everything else. The program goes into the scripts
folder as it is, the way wheels of native tools ship theirs: no Python starts
when it runs. Needs cmake, g++, pybind11-dev and python3-dev."""

import os
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext
# setuptools has no build_scripts of its own before version 68; this is its copy of distutils'.
from distutils.command.build_scripts import build_scripts  # noqa: E402

PROGRAM = "codvet-lint" + (".exe" if os.name == "nt" else "")


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        source = os.path.dirname(os.path.abspath(__file__))
        build = os.path.abspath(os.path.join(self.build_temp, "cmake"))
        subprocess.run(
            ["cmake", "-S", source, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
             "-DCODVET_PYTHON=ON", "-DCODVET_TESTS=OFF",
             "-DPython3_EXECUTABLE=" + sys.executable],
            check=True)
        subprocess.run(["cmake", "--build", build, "--target", "_codvet", "codvet-lint", "-j2"],
                       check=True)
        built = os.path.join(build, "python", "codvet", os.path.basename(self.get_ext_fullpath(ext.name)))
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        self.copy_file(built, target)
        self.program = os.path.join(build, PROGRAM)


class CopyProgram(build_scripts):
    """Copies the built program unchanged: the stock command would read it as
    a Python script to rewrite its first line."""

    def run(self):
        self.run_command("build_ext")
        self.mkpath(self.build_dir)
        self.copy_file(self.get_finalized_command("build_ext").program,
                       os.path.join(self.build_dir, PROGRAM))


# setuptools' own build and metadata go beside the other build directories.
os.makedirs("build-python", exist_ok=True)
setup(
    ext_modules=[Extension("codvet._codvet", sources=[])],
    # Only names the program for the build: CopyProgram makes it.
    scripts=[PROGRAM],
    cmdclass={"build_ext": CMakeBuild, "build_scripts": CopyProgram},
    options={"build": {"build_base": "build-python"}, "egg_info": {"egg_base": "build-python"}},
)
