"""The C library: loaded through ctypes, which binds the functions off the hot
paths and hands the addresses of the others to the extension module _fast;
and expat's own verdict on a document the library refused.

_loader finds the library (MOVRIMSG_LIBRARY, the package's own, the
system's); LIBRARY is the file it came from. Expat is loaded by its SONAME,
which gives the very libexpat.so.1 the library already brought into the
process.
"""

from __future__ import annotations

import ctypes
from ctypes import POINTER, c_char_p, c_int, c_int32, c_ulong, c_void_p
from typing import Any, Callable

from . import _fast, _loader

Text = bytes | None
Msg = int  # a message is its address, owned by one Message object


def _bind(dll: ctypes.CDLL, name: str, restype: Any, *argtypes: Any) -> Any:
    try:
        function = getattr(dll, name)
    except AttributeError as error:
        raise ImportError(f"movrimsg: {dll._name} does not export {name}") from error
    function.restype = restype
    function.argtypes = argtypes
    return function


_dll = _loader.load()
_msg = c_void_p
_text = c_char_p

# The hot paths: the extension module calls these itself.
_FAST = ["movri_msg_init", "movri_msg_free", "movri_msg_parse", "movri_msg_to_str", "movri_free",
         "movri_msg_append_element"]
_FAST += [f"movri_msg_{verb}_{field}" for field in _fast.FIELDS for verb in ("get", "set")]
_fast.bind({name: ctypes.cast(_bind(_dll, name, None), c_void_p).value or 0 for name in _FAST})
LIBRARY = _loader.path_of(_dll.movri_msg_init)

msg_clone: Callable[[Msg, Any], int] = _bind(
    _dll, "movri_msg_clone", c_int32, _msg, POINTER(c_void_p)
)
find_element: Callable[[Msg, bytes, Text], int] = _bind(
    _dll, "movri_msg_find_element", c_int32, _msg, _text, _text
)
insert_element_bypos: Callable[[Msg, int, bytes, Text, Text], int] = _bind(
    _dll, "movri_msg_insert_element_bypos", c_int32, _msg, c_int32, _text, _text, _text
)
InsertByName = Callable[[Msg, bytes, Text, bytes, Text, Text], int]
insert_element_before_name: InsertByName = _bind(
    _dll, "movri_msg_insert_element_before_name", c_int32, _msg, *[_text] * 5
)
insert_element_after_name: InsertByName = _bind(
    _dll, "movri_msg_insert_element_after_name", c_int32, _msg, *[_text] * 5
)
set_element_value_bypos: Callable[[Msg, int, Text], int] = _bind(
    _dll, "movri_msg_set_element_value_bypos", c_int32, _msg, c_int32, _text
)
set_element_value_byname: Callable[[Msg, bytes, Text, Text], int] = _bind(
    _dll, "movri_msg_set_element_value_byname", c_int32, _msg, _text, _text, _text
)


# ---- expat --------------------------------------------------------------

try:
    _expat = ctypes.CDLL("libexpat.so.1")
except OSError as error:  # pragma: no cover - the library itself needs it
    raise ImportError(f"movrimsg: cannot load libexpat.so.1 ({error})") from error

_parser_create: Callable[[bytes | None], int | None] = _bind(
    _expat, "XML_ParserCreate", c_void_p, c_char_p
)
_parser_free: Callable[[int], None] = _bind(_expat, "XML_ParserFree", None, c_void_p)
_parse: Callable[[int, int, int, int], int] = _bind(
    _expat, "XML_Parse", c_int, c_void_p, c_void_p, c_int, c_int
)
_error_code: Callable[[int], int] = _bind(_expat, "XML_GetErrorCode", c_int, c_void_p)
_error_string: Callable[[int], bytes | None] = _bind(
    _expat, "XML_ErrorString", c_char_p, c_int
)
_line_number: Callable[[int], int] = _bind(
    _expat, "XML_GetCurrentLineNumber", c_ulong, c_void_p
)
_PIECE = 2**31 - 1  # one XML_Parse call takes an int length


def expat_error(document: bytes) -> tuple[str, int] | None:
    """Expat's reason and line for a document it refuses, None when it accepts
    it, from a parser made by XML_ParserCreate(NULL) as movri_msg_parse makes
    its own. Expat's verdict does not depend on the pieces it is fed in, so
    the document goes in whole (in pieces of at most INT_MAX bytes)."""
    parser = _parser_create(None)
    if not parser:
        raise MemoryError("expat could not make a parser")
    try:
        start = ctypes.cast(c_char_p(document), c_void_p).value or 0
        offset = 0
        while True:
            size = min(len(document) - offset, _PIECE)
            last = offset + size == len(document)
            if not _parse(parser, start + offset, size, int(last)):
                reason = _error_string(_error_code(parser)) or b"unknown error"
                return reason.decode("latin-1"), int(_line_number(parser))
            if last:
                return None
            offset += size
    finally:
        _parser_free(parser)
