"""The C library through ctypes: its records, the functions the package uses,
and expat's own verdict on a document the library refused.

The library is loaded from the path in MOVRIMSG_LIBRARY when that is set,
else as the system's libmovrimsg.so.1. Expat is loaded by its SONAME, which
gives the very libexpat.so.1 the library already brought into the process.
"""

from __future__ import annotations

import ctypes
import os
from ctypes import POINTER, Structure, c_char_p, c_int, c_int32, c_ulong, c_void_p
from typing import TYPE_CHECKING, Any, Callable

LIBRARY_VARIABLE = "MOVRIMSG_LIBRARY"
SYSTEM_LIBRARY = "libmovrimsg.so.1"


class Element(Structure):
    _fields_ = [("tag", c_char_p), ("name", c_char_p), ("value", c_char_p)]


class Link(Structure):
    pass


Link._fields_ = [("next", POINTER(Link)), ("element", POINTER(Element))]


class List(Structure):
    _fields_ = [("count", c_int32), ("head", POINTER(Link))]


class Msg(Structure):
    _fields_ = [
        ("version", c_char_p),
        ("encoding", c_char_p),
        ("dtd", c_char_p),
        ("elements", POINTER(List)),
    ]


if TYPE_CHECKING:
    MsgPointer = ctypes._Pointer[Msg]
    ElementPointer = ctypes._Pointer[Element]
else:
    MsgPointer = ElementPointer = Any

Text = bytes | None
Getter = Callable[[MsgPointer], Text]
Setter = Callable[[MsgPointer, Text], int]


def _load() -> ctypes.CDLL:
    path = os.environ.get(LIBRARY_VARIABLE) or SYSTEM_LIBRARY
    try:
        return ctypes.CDLL(path)
    except OSError as error:
        raise ImportError(
            f"movrimsg: cannot load the C library {path!r} ({error}). Either install "
            f"the library so that the system finds {SYSTEM_LIBRARY} (cmake --install, "
            f"then ldconfig), or set {LIBRARY_VARIABLE} to the path of {SYSTEM_LIBRARY}."
        ) from error


def _bind(dll: ctypes.CDLL, name: str, restype: Any, *argtypes: Any) -> Any:
    try:
        function = getattr(dll, name)
    except AttributeError as error:
        raise ImportError(f"movrimsg: {dll._name} does not export {name}") from error
    function.restype = restype
    function.argtypes = argtypes
    return function


_dll = _load()
_msg = POINTER(Msg)
_msg_out = POINTER(POINTER(Msg))
_element_out = POINTER(POINTER(Element))
_text = c_char_p

msg_init: Callable[[Any], int] = _bind(_dll, "movri_msg_init", c_int32, _msg_out)
msg_free: Callable[[MsgPointer], None] = _bind(_dll, "movri_msg_free", None, _msg)
msg_to_str: Callable[[MsgPointer, Any], int] = _bind(
    _dll, "movri_msg_to_str", c_int32, _msg, POINTER(c_void_p)
)
free: Callable[[int | None], None] = _bind(_dll, "movri_free", None, c_void_p)
msg_parse: Callable[[MsgPointer, bytes], int] = _bind(
    _dll, "movri_msg_parse", c_int32, _msg, _text
)
msg_clone: Callable[[MsgPointer, Any], int] = _bind(
    _dll, "movri_msg_clone", c_int32, _msg, _msg_out
)
get_element_bypos: Callable[[MsgPointer, int, Any], int] = _bind(
    _dll, "movri_msg_get_element_bypos", c_int32, _msg, c_int32, _element_out
)
find_element: Callable[[MsgPointer, bytes, Text], int] = _bind(
    _dll, "movri_msg_find_element", c_int32, _msg, _text, _text
)
append_element: Callable[[MsgPointer, bytes, Text, Text], int] = _bind(
    _dll, "movri_msg_append_element", c_int32, _msg, _text, _text, _text
)
insert_element_bypos: Callable[[MsgPointer, int, bytes, Text, Text], int] = _bind(
    _dll, "movri_msg_insert_element_bypos", c_int32, _msg, c_int32, _text, _text, _text
)
InsertByName = Callable[[MsgPointer, bytes, Text, bytes, Text, Text], int]
insert_element_before_name: InsertByName = _bind(
    _dll, "movri_msg_insert_element_before_name", c_int32, _msg, *[_text] * 5
)
insert_element_after_name: InsertByName = _bind(
    _dll, "movri_msg_insert_element_after_name", c_int32, _msg, *[_text] * 5
)
set_element_value_bypos: Callable[[MsgPointer, int, Text], int] = _bind(
    _dll, "movri_msg_set_element_value_bypos", c_int32, _msg, c_int32, _text
)
set_element_value_byname: Callable[[MsgPointer, bytes, Text, Text], int] = _bind(
    _dll, "movri_msg_set_element_value_byname", c_int32, _msg, _text, _text, _text
)

# The document properties and the header: movri_msg_get_<field> and
# movri_msg_set_<field> for each.
FIELDS = ("version", "encoding", "dtd", "id", "sn", "total", "msgmode", "msgname")
getters: dict[str, Getter] = {
    field: _bind(_dll, f"movri_msg_get_{field}", _text, _msg) for field in FIELDS
}
setters: dict[str, Setter] = {
    field: _bind(_dll, f"movri_msg_set_{field}", c_int32, _msg, _text) for field in FIELDS
}


def count(msg: MsgPointer) -> int:
    """The number of elements, read from the message's record."""
    elements = msg.contents.elements
    return int(elements.contents.count) if elements else 0


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
