"""Message, Element and the exceptions."""

from __future__ import annotations

import ctypes
import operator
import threading
from collections.abc import Iterator, Sequence
from dataclasses import dataclass
from typing import Callable, overload

from . import _native
from ._native import MsgPointer

Text = str | bytes

REFUSED = "refused by the library (too many entities referring to other entities, or out of memory)"
"""ParseError.reason for a document expat accepts but the library refused."""

_NO_ENCODING = "the message has no encoding: set Message.encoding, or pass bytes"


class ParseError(ValueError):
    """A document that does not parse. `reason` and `line` are expat's, the
    same the library prints on standard error ("<reason> at line <line>");
    for a document expat accepts but the library refused, `reason` is
    REFUSED and `line` is None (the library's own line on standard error
    tells which refusal)."""

    def __init__(self, reason: str, line: int | None) -> None:
        super().__init__(reason, line)
        self.reason = reason
        self.line = line

    def __str__(self) -> str:
        return self.reason if self.line is None else f"{self.reason} at line {self.line}"


class RenderError(ValueError):
    """A message that does not render: its document would be longer than
    4000 bytes or not well-formed XML, or memory ran out (the library does
    not tell these apart)."""


@overload
def _decode(raw: bytes, encoding: str | None) -> str: ...
@overload
def _decode(raw: None, encoding: str | None) -> None: ...
def _decode(raw: bytes | None, encoding: str | None) -> str | None:
    if raw is None:
        return None
    if encoding is None:
        raise LookupError(_NO_ENCODING)
    return raw.decode(encoding)


def _encode(text: Text | None, encoding: str | None) -> bytes | None:
    if text is None:
        return None
    if isinstance(text, str):
        if encoding is None:
            raise LookupError(_NO_ENCODING)
        text = text.encode(encoding)
    if b"\0" in text:
        raise ValueError("a text cannot hold a zero byte")
    return text


def _codec_name(raw: bytes | None) -> str | None:
    """The name to look the codec up by: Python's names are ASCII, so other
    bytes make a name it does not know (LookupError), as they should."""
    return None if raw is None else raw.decode("latin-1")


def _shown(raw: bytes | None, encoding: str | None) -> str:
    """repr of the decoded text, or of the bytes when they do not decode."""
    try:
        return repr(_decode(raw, encoding))
    except (LookupError, UnicodeError):
        return repr(raw)


def _allocated(result: int) -> int:
    if result < 0:
        raise MemoryError("the movrimsg library ran out of memory")
    return result


def _position(index: int, count: int, *, past_end: bool = False) -> int:
    index = operator.index(index)
    pos = index + count if index < 0 else index
    if not 0 <= pos < count + past_end:
        raise IndexError(f"position {index} is outside the message ({count} elements)")
    return pos


def _render(msg: MsgPointer) -> bytes:
    document = ctypes.c_void_p()
    if _native.msg_to_str(msg, ctypes.byref(document)) != 0:
        raise RenderError(
            "the message does not render: its document would be longer than "
            "4000 bytes or not well-formed XML, or memory ran out"
        )
    try:
        return ctypes.string_at(document)
    finally:
        _native.free(document.value)


def _parse_error(document: bytes) -> ParseError:
    found = _native.expat_error(document)
    return ParseError(REFUSED, None) if found is None else ParseError(*found)


@dataclass(frozen=True)
class Element:
    """A snapshot of one element, taken when it was read: it never changes and
    stays valid after its message changes, is closed or is collected.

    `raw_tag`, `raw_name` and `raw_value` are the stored bytes (None for an
    absent text); `tag`, `name` and `value` decode them, on each access, with
    `encoding`, the message's encoding when the snapshot was taken."""

    raw_tag: bytes
    raw_name: bytes | None
    raw_value: bytes | None
    encoding: str | None

    @property
    def tag(self) -> str:
        return _decode(self.raw_tag, self.encoding)

    @property
    def name(self) -> str | None:
        return _decode(self.raw_name, self.encoding)

    @property
    def value(self) -> str | None:
        return _decode(self.raw_value, self.encoding)

    def __repr__(self) -> str:
        fields = (self.raw_tag, self.raw_name, self.raw_value)
        shown = (_shown(raw, self.encoding) for raw in fields)
        return "Element(tag={}, name={}, value={})".format(*shown)


class _Property:
    """A document property or header value of a Message: get gives the text
    or None, set stores a copy (None makes it absent)."""

    def __init__(self, field: str) -> None:
        self._get = _native.getters[field]
        self._set = _native.setters[field]

    def codec(self, msg: Message) -> str | None:
        return msg._encoding

    @overload
    def __get__(self, msg: None, owner: type[Message]) -> _Property: ...
    @overload
    def __get__(self, msg: Message, owner: type[Message]) -> str | None: ...
    def __get__(self, msg: Message | None, owner: type[Message]) -> _Property | str | None:
        if msg is None:
            return self
        with msg._lock:
            raw = self._get(msg._live())
        return _decode(raw, self.codec(msg))

    def __set__(self, msg: Message, text: Text | None) -> None:
        raw = _encode(text, self.codec(msg))
        with msg._lock:
            _allocated(self._set(msg._live(), raw))
            self.stored(msg, raw)

    def stored(self, msg: Message, raw: bytes | None) -> None:
        pass


class _Encoding(_Property):
    """The encoding property: its own text is ASCII, and it is the encoding of
    every other text of the message."""

    def codec(self, msg: Message) -> str | None:
        return "ascii"

    def stored(self, msg: Message, raw: bytes | None) -> None:
        msg._encoding = _codec_name(raw)


class Message(Sequence[Element]):
    """A movrimsg message: the elements in position order, the header and the
    document properties, kept in a C message this object owns.

    The C message is released when the object is collected, or at once by
    close() or at the end of a `with` block; any use after that raises
    ValueError. Each message guards its C calls with a lock of its own, so
    sharing one between threads cannot corrupt it (the calls take turns).

    Texts are str in and out, encoded and decoded with the message's
    `encoding` (ISO-8859-1 by default) by Python's codec of that name;
    bytes are accepted wherever str is and stored as they are. A message
    whose encoding is None, or names an encoding Python does not know,
    raises LookupError for every str it is given or gives back; bytes and
    the elements' raw_* fields still work."""

    _handle: MsgPointer | None = None

    version = _Property("version")
    encoding = _Encoding("encoding")
    dtd = _Property("dtd")
    id = _Property("id")
    sn = _Property("sn")
    total = _Property("total")
    msgmode = _Property("msgmode")
    msgname = _Property("msgname")

    def __init__(self) -> None:
        handle = ctypes.POINTER(_native.Msg)()
        if _native.msg_init(ctypes.byref(handle)) != 0:
            raise MemoryError("the movrimsg library ran out of memory")
        self._adopt(handle)

    def _adopt(self, handle: MsgPointer) -> None:
        self._lock = threading.Lock()
        self._slot = ctypes.POINTER(_native.Element)()  # out argument, under the lock
        self._slot_ref = ctypes.byref(self._slot)
        self._handle = handle
        self._encoding = _codec_name(_native.getters["encoding"](handle))

    @classmethod
    def parse(cls, data: Text) -> Message:
        """A new message holding the elements of the document `data`: bytes
        are parsed as they are, a str is encoded as UTF-8 first (so its
        declaration, if any, should say UTF-8). ParseError when it does not
        parse; ValueError when it holds a zero byte."""
        document = data.encode("utf-8") if isinstance(data, str) else data
        if b"\0" in document:
            raise ValueError("a document cannot hold a zero byte")
        msg = cls()
        if _native.msg_parse(msg._live(), document) != 0:
            msg.close()
            raise _parse_error(document)
        return msg

    def render(self) -> bytes:
        """The message's document (at most 4000 bytes); RenderError when it
        does not render."""
        with self._lock:
            return _render(self._live())

    def clone(self) -> Message:
        """A new message holding what survives rendering and parsing this one,
        with the default version, encoding and DTD (as movri_msg_clone)."""
        copy = ctypes.POINTER(_native.Msg)()
        with self._lock:
            if _native.msg_clone(self._live(), ctypes.byref(copy)) == 0:
                clone = Message.__new__(Message)
                clone._adopt(copy)
                return clone
            document = _render(self._live())
        raise _parse_error(document)

    def close(self) -> None:
        """Releases the C message now; later uses raise ValueError."""
        with self._lock:
            handle, self._handle = self._handle, None
            if handle is not None:
                _native.msg_free(handle)

    def __enter__(self) -> Message:
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __del__(self, _free: Callable[[MsgPointer], None] = _native.msg_free) -> None:
        if self._handle is not None:
            _free(self._handle)

    def _live(self) -> MsgPointer:
        if self._handle is None:
            raise ValueError("the message is closed")
        return self._handle

    def _read(self, msg: MsgPointer, pos: int) -> Element | None:
        if _native.get_element_bypos(msg, pos, self._slot_ref) < 0:
            return None
        record = self._slot.contents
        return Element(record.tag or b"", record.name, record.value, self._encoding)

    def _tag(self, tag: Text) -> bytes:
        raw = _encode(tag, self._encoding)
        if not raw:
            raise ValueError("a tag cannot be empty")
        return raw

    def _texts(
        self, tag: Text, name: Text | None, value: Text | None
    ) -> tuple[bytes, bytes | None, bytes | None]:
        return self._tag(tag), _encode(name, self._encoding), _encode(value, self._encoding)

    def _missing(self, msg: MsgPointer, tag: bytes, name: bytes | None) -> bool:
        return _native.find_element(msg, tag, name) >= _native.count(msg)

    # ---- the sequence ----------------------------------------------------

    def __len__(self) -> int:
        with self._lock:
            return _native.count(self._live())

    @overload
    def __getitem__(self, index: int) -> Element: ...
    @overload
    def __getitem__(self, index: slice) -> list[Element]: ...
    def __getitem__(self, index: int | slice) -> Element | list[Element]:
        with self._lock:
            msg = self._live()
            count = _native.count(msg)
            if isinstance(index, slice):
                return [e for pos in range(count)[index] if (e := self._read(msg, pos))]
            element = self._read(msg, _position(index, count))
        assert element is not None
        return element

    def __iter__(self) -> Iterator[Element]:
        pos = 0
        while True:
            with self._lock:
                element = self._read(self._live(), pos)
            if element is None:
                return
            yield element
            pos += 1

    def find(self, tag: Text, name: Text | None = None) -> int | None:
        """Position of the first element whose tag and name match (ASCII case
        ignored; None matches only elements without a name), or None."""
        raw_tag, raw_name = self._tag(tag), _encode(name, self._encoding)
        with self._lock:
            msg = self._live()
            pos = _native.find_element(msg, raw_tag, raw_name)
            return pos if pos < _native.count(msg) else None

    # ---- changes: each gives the position of the element it made or changed

    def append(self, tag: Text, name: Text | None = None, value: Text | None = None) -> int:
        texts = self._texts(tag, name, value)
        with self._lock:
            return _allocated(_native.append_element(self._live(), *texts))

    def insert(self, pos: int, tag: Text, name: Text | None = None,
               value: Text | None = None) -> int:
        """Inserts before position pos (negative counts from the end); pos
        equal to len(self) appends."""
        texts = self._texts(tag, name, value)
        with self._lock:
            msg = self._live()
            count = _native.count(msg)
            at = _position(pos, count, past_end=True)
            if at == count:
                return _allocated(_native.append_element(msg, *texts))
            return _allocated(_native.insert_element_bypos(msg, at, *texts))

    def insert_before(self, ref_tag: Text, ref_name: Text | None, tag: Text,
                      name: Text | None = None, value: Text | None = None) -> int:
        """Inserts before the first element matching ref_tag and ref_name."""
        insert = _native.insert_element_before_name
        return self._insert_by_name(insert, ref_tag, ref_name, tag, name, value)

    def insert_after(self, ref_tag: Text, ref_name: Text | None, tag: Text,
                     name: Text | None = None, value: Text | None = None) -> int:
        """Inserts after the first element matching ref_tag and ref_name."""
        insert = _native.insert_element_after_name
        return self._insert_by_name(insert, ref_tag, ref_name, tag, name, value)

    def _insert_by_name(self, insert: _native.InsertByName, ref_tag: Text, ref_name: Text | None,
                        tag: Text, name: Text | None, value: Text | None) -> int:
        ref = self._tag(ref_tag), _encode(ref_name, self._encoding)
        raw_tag, raw_name, raw_value = self._texts(tag, name, value)
        with self._lock:
            msg = self._live()
            pos = insert(msg, *ref, raw_tag, raw_name, raw_value)
            if pos < 0 and self._missing(msg, *ref):
                raise LookupError(f"no element has tag {ref_tag!r} and name {ref_name!r}")
            return _allocated(pos)

    def set_value(self, pos: int, value: Text | None) -> int:
        raw = _encode(value, self._encoding)
        with self._lock:
            msg = self._live()
            at = _position(pos, _native.count(msg))
            return _allocated(_native.set_element_value_bypos(msg, at, raw))

    def set_value_by_name(self, tag: Text, name: Text | None, value: Text | None) -> int:
        """Sets the value of the first element matching tag and name."""
        raw_tag, raw_name, raw = self._texts(tag, name, value)
        with self._lock:
            msg = self._live()
            pos = _native.set_element_value_byname(msg, raw_tag, raw_name, raw)
            if pos < 0 and self._missing(msg, raw_tag, raw_name):
                raise LookupError(f"no element has tag {tag!r} and name {name!r}")
            return _allocated(pos)

    # ---- comparison and display -------------------------------------------

    def __eq__(self, other: object) -> bool:
        """Equal when the elements' tags, names and values (decoded) are equal,
        in order; the document properties are not compared."""
        if not isinstance(other, Message):
            return NotImplemented
        texts = [(e.tag, e.name, e.value) for e in self]
        return texts == [(e.tag, e.name, e.value) for e in other]

    def __repr__(self) -> str:
        with self._lock:
            if self._handle is None:
                return "<movrimsg.Message closed>"
            header = [(f, _native.getters[f](self._handle)) for f in _native.FIELDS[3:]]
            count = _native.count(self._handle)
        shown = " ".join(f"{f}={_shown(raw, self._encoding)}" for f, raw in header)
        return f"<movrimsg.Message {shown} elements={count}>"
