"""Builds the package's extension module, movrimsg._fast. It needs Python's
headers (Debian: python3-dev) and movrimsg.h with movrimsg_version.h: from an
installed library (the compiler's include path, or CPPFLAGS=-I<prefix>/include),
or, in a source tree, from ../include and ../build/include. It links against
nothing: the package loads the library itself at import."""

from pathlib import Path

from setuptools import Extension, setup

here = Path(__file__).resolve().parent
source_tree = [here.parent / "include", here.parent / "build" / "include"]

setup(ext_modules=[Extension(
    "movrimsg._fast",
    sources=["src/movrimsg/_fast.c"],
    include_dirs=[str(d) for d in source_tree if d.is_dir()],
)])
