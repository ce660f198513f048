"""Finding and loading the C library, in this order: the path in
MOVRIMSG_LIBRARY when that is set; else the library built into the package
when it was installed (libmovrimsg.so.1 beside this file); else the system's
libmovrimsg.so.1. The library needs the system's libexpat.so.1 either way.

path_of() tells which file a loaded function comes from, which is what
movrimsg.LIBRARY reports."""

from __future__ import annotations

import ctypes
import os
from ctypes import POINTER, Structure, c_char_p, c_int, c_void_p
from typing import Any

VARIABLE = "MOVRIMSG_LIBRARY"
SONAME = "libmovrimsg.so.1"
BUNDLED = os.path.join(os.path.dirname(os.path.abspath(__file__)), SONAME)


def load() -> ctypes.CDLL:
    """The library, from the first place that has one."""
    chosen = os.environ.get(VARIABLE)
    if chosen:
        return _open(chosen, f"the path in {VARIABLE}")
    if os.path.isfile(BUNDLED):
        return _open(BUNDLED, "the library inside the package")
    return _open(SONAME, f"the system's library (the package holds none, and {VARIABLE} is "
                         "not set)")


def _open(path: str, which: str) -> ctypes.CDLL:
    try:
        return ctypes.CDLL(path)
    except OSError as error:
        raise ImportError(
            f"movrimsg: cannot load {which}, {path!r} ({error}). The library needs the "
            f"system's libexpat.so.1 (Debian: libexpat1). Install the package from the "
            f"project's sources (pip install ./python), which builds the library into it; or "
            f"set {VARIABLE} to the path of a {SONAME}."
        ) from error


class _Found(Structure):
    _fields_ = [("fname", c_char_p), ("fbase", c_void_p), ("sname", c_char_p),
                ("saddr", c_void_p)]


def path_of(function: Any) -> str:
    """The file a loaded function comes from, as the dynamic loader found it."""
    dladdr = ctypes.CDLL(None).dladdr
    dladdr.restype, dladdr.argtypes = c_int, [c_void_p, POINTER(_Found)]
    found = _Found()
    if not dladdr(ctypes.cast(function, c_void_p), ctypes.byref(found)) or not found.fname:
        raise ImportError("movrimsg: the dynamic loader does not say where the library is")
    return os.path.abspath(os.fsdecode(found.fname))
