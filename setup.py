"""Builds the Python module bvkit with the project's own CMake build (python/CMakeLists.txt),
so the module has exactly the compiler flags bvfit has and reports the same numbers.

Needs CMake, a C++20 compiler, Assimp, pybind11 (Debian: pybind11-dev) and NumPy for the
interpreter pip runs; `pip install --no-build-isolation .` uses the installed setuptools.
CMAKE_BUILD_PARALLEL_LEVEL sets the number of compile jobs (default 2)."""
import os
import pathlib
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE_DIR = pathlib.Path(__file__).resolve().parent


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build_dir = pathlib.Path(self.build_temp).resolve() / "cmake"
        build_dir.mkdir(parents=True, exist_ok=True)
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        subprocess.run(["cmake", "-S", str(SOURCE_DIR), "-B", str(build_dir), *generator,
                        "-DCMAKE_BUILD_TYPE=Release", "-DBVDEMO_BUILD_TESTS=OFF",
                        "-DBVDEMO_BUILD_VIEWER=OFF", "-DBVDEMO_BUILD_PYTHON=ON",
                        f"-DPython3_EXECUTABLE={sys.executable}"], check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        subprocess.run(["cmake", "--build", str(build_dir), "--target", "bvkit_python",
                        "--parallel", jobs], check=True)
        built = list((build_dir / "python").glob("bvkit.*.so"))
        if len(built) != 1:
            sys.exit("bvkit: CMake did not build the module (is pybind11-dev installed, and "
                     "NumPy importable by " + sys.executable + "?)")
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built[0], target)


# Metadata goes to build/ (ignored by git), not beside the sources.
os.makedirs(SOURCE_DIR / "build", exist_ok=True)
setup(ext_modules=[Extension("bvkit", sources=[])], cmdclass={"build_ext": CMakeBuild},
      packages=[], py_modules=[], options={"egg_info": {"egg_base": "build"}})
