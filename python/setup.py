"""Builds the package: the C library from the project this directory belongs
to, with the project's own CMake (Release, without its tests, examples, tools
and docs, with the project's compiler and hardening flags), placed inside the
package as libmovrimsg.so.1; then the extension module movrimsg._fast against
the headers that build installed. Needs cmake, a C++20 compiler, expat's
headers (Debian: libexpat1-dev) and Python's (python3-dev). The library's
build tree stays in setuptools' build directory (python/build/).

MOVRIMSG_CMAKE_ARGS adds arguments to the CMake configuration (CI passes
-DMOVRIMSG_WARNINGS_AS_ERRORS=ON). The extension links against nothing: the
package loads the library itself at import."""

from __future__ import annotations

import io
import os
import shlex
import shutil
import subprocess
import types
from pathlib import Path
from typing import Any, TextIO

from setuptools import Distribution, Extension, setup
from setuptools.command.build_ext import build_ext

here = Path(__file__).resolve().parent
project = here.parent
LIBRARY = "libmovrimsg.so.1"
EXPAT = "Requires-External: libexpat"  # libexpat.so.1, which the package does not carry


def run(*command: str | Path) -> None:
    try:
        subprocess.run([str(part) for part in command], check=True, capture_output=True,
                       text=True, env=without_compiler_flags())
    except subprocess.CalledProcessError as error:
        raise SystemExit(f"movrimsg: {' '.join(map(str, command))} failed:\n"
                         f"{error.stdout}{error.stderr}") from None
    except FileNotFoundError:
        raise SystemExit(f"movrimsg: building the library needs {command[0]} "
                         "(Debian: cmake, g++, libexpat1-dev)") from None


def without_compiler_flags() -> dict[str, str]:
    """The environment without the flags meant for the extension module, so
    that the library gets the project's flags alone."""
    return {k: v for k, v in os.environ.items()
            if k not in ("CFLAGS", "CXXFLAGS", "CPPFLAGS", "LDFLAGS")}


class BuildWithLibrary(build_ext):
    """build_ext that first builds and stages the C library."""

    def run(self) -> None:
        if not (project / "CMakeLists.txt").is_file() or not (project / "src").is_dir():
            raise SystemExit(f"movrimsg: the library's sources are not in {project}: build "
                             "the package from a clone of the project (pip install ./python)")
        stage = self.build_library(Path(self.build_temp).resolve() / "library")
        for extension in self.extensions:
            extension.include_dirs.append(str(stage / "include"))
        super().run()
        package = Path(self.get_ext_fullpath("movrimsg._fast")).parent
        shutil.copyfile((stage / "lib" / LIBRARY).resolve(), package / LIBRARY)  # the file

    def build_library(self, work: Path) -> Path:
        """Builds the library in work/build and installs it to work/stage,
        which it gives."""
        build, stage = work / "build", work / "stage"
        run("cmake", "-S", project, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
            "-DCMAKE_INSTALL_LIBDIR=lib", *(f"-DMOVRIMSG_BUILD_{part}=OFF" for part in
                                            ("TESTS", "EXAMPLES", "TOOLS", "DOCS")),
            *shlex.split(os.environ.get("MOVRIMSG_CMAKE_ARGS", "")))
        run("cmake", "--build", build, "--parallel", str(self.parallel or 2))
        shutil.rmtree(stage, ignore_errors=True)
        run("cmake", "--install", build, "--prefix", stage)
        return stage

    def get_outputs(self) -> list[str]:
        package = Path(self.get_ext_fullpath("movrimsg._fast")).parent
        return [*super().get_outputs(), str(package / LIBRARY)]


class WithExpat(Distribution):
    """Says in the package's metadata that the library needs the system's
    libexpat, which the package does not carry."""

    def __init__(self, attrs: dict[str, Any] | None = None) -> None:
        super().__init__(attrs)
        write = self.metadata.write_pkg_file

        def write_pkg_file(metadata: object, file: TextIO) -> None:
            text = io.StringIO()
            write(text)
            head, gap, description = text.getvalue().partition("\n\n")
            file.write(f"{head}\n{EXPAT}{gap or chr(10)}{description}")

        self.metadata.write_pkg_file = types.MethodType(write_pkg_file, self.metadata)


setup(
    distclass=WithExpat,
    cmdclass={"build_ext": BuildWithLibrary},
    ext_modules=[Extension(
        "movrimsg._fast",
        sources=[f"src/movrimsg/{name}.c" for name in ("_fast", "_element", "_reader", "_walk", "_turn")],
        depends=["src/movrimsg/_fast.h"],
        extra_compile_args=["-fvisibility=hidden"],
    )],
)
