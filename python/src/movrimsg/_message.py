"""Message and the exceptions; Element comes from the extension module."""

from __future__ import annotations

import codecs
import ctypes
import operator
import re
import threading
from collections.abc import Iterator, Sequence
from typing import Any, Callable, NoReturn, overload

from . import _fast, _native
from ._fast import Element

Text = str | bytes
Properties = tuple[bytes | None, bytes | None, bytes | None]
Records = list[tuple[bytes, bytes | None, bytes | None]]

REFUSED = "refused by the library (too many entities referring to other entities, or out of memory)"
"""ParseError.reason for a document expat accepts but the library refused."""

ZERO_BYTE = "the document holds a zero byte (UTF-16 or UTF-32, say), which the library cannot read"
"""ParseError.reason for a document holding a zero byte; it never reaches the
library, so nothing is printed on standard error."""

LIMIT = 4000
"""The longest document the library renders, in bytes."""

_NO_ENCODING = "the message has no encoding: set Message.encoding, or pass bytes"
_VERSION, _ENCODING, _DTD = range(3)
_DECLARED = re.compile(r"""\ufeff?<\?xml\s[^>]*?\bencoding\s*=\s*(["'])(.*?)\1""")


class _AnyName:
    """The type of ANY."""

    def __repr__(self) -> str:
        """movrimsg.ANY"""
        return "movrimsg.ANY"

    def __reduce__(self) -> str:
        """Pickles as the one ANY."""
        return "ANY"


ANY = _AnyName()
"""The name that matches any name, or none: find("ele", ANY)."""

Name = Text | None | _AnyName


class ParseError(ValueError):
    """A document that does not parse. `reason` and `line` are expat's, the
    same the library prints on standard error ("<reason> at line <line>");
    for a document expat accepts but the library refused, `reason` is
    REFUSED and `line` is None (the library's own line on standard error
    tells which refusal); for a document holding a zero byte, `reason` is
    ZERO_BYTE and `line` that of the first zero byte."""

    def __init__(self, reason: str, line: int | None) -> None:
        super().__init__(reason, line)
        self.reason = reason
        self.line = line

    def __str__(self) -> str:
        return self.reason if self.line is None else f"{self.reason} at line {self.line}"


class RenderError(ValueError):
    """A message that does not render. The message says why: which property
    or element does not render, or at which element the document passes the
    4000-byte limit."""


# ---- texts ---------------------------------------------------------------


def _encode(text: object, encoding: str | None, what: str) -> bytes | None:
    if text is None:
        return None
    if isinstance(text, str):
        if encoding is None:
            raise LookupError(_NO_ENCODING)
        text = text.encode(encoding)
    elif not isinstance(text, bytes):
        raise TypeError(f"{what} must be str, bytes or None, not {type(text).__name__}")
    if b"\0" in text:
        raise ValueError("a text cannot hold a zero byte")
    return text


def _tag(tag: object, encoding: str | None) -> bytes:
    if tag is None:
        raise TypeError("a tag must be str or bytes, not None")
    raw = _encode(tag, encoding, "a tag")
    if not raw:
        raise ValueError("a tag cannot be empty")
    return raw


def _codec_name(raw: bytes | None) -> str | None:
    """The name to look the codec up by: Python's names are ASCII, so other
    bytes make a name it does not know (LookupError), as they should."""
    return None if raw is None else raw.decode("latin-1")


def _shown(raw: bytes | None, encoding: str | None) -> str:
    """repr of the decoded text, or of the bytes when they do not decode."""
    try:
        return repr(None if raw is None or encoding is None else raw.decode(encoding))
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


# ---- documents -----------------------------------------------------------


def _document(data: object) -> bytes:
    """The bytes of a document: bytes as they are, a str encoded as its
    declaration says (UTF-8 without one)."""
    if isinstance(data, bytes):
        return data
    if not isinstance(data, str):
        raise TypeError(f"a document must be str or bytes, not {type(data).__name__}")
    declared = _DECLARED.match(data)
    encoding = declared.group(2) if declared else "UTF-8"
    try:
        codec = codecs.lookup(encoding)
    except LookupError:
        raise ValueError(f"the document declares the encoding {encoding!r}, which Python "
                         "does not know: pass it as bytes") from None
    if codec.name != "utf-8":
        data = data.removeprefix("\ufeff")
    try:
        return data.encode(codec.name)
    except UnicodeEncodeError as error:
        raise ValueError(f"the document declares the encoding {encoding!r}, which cannot hold "
                         f"{error.object[error.start]!r} (position {error.start})") from None


def _parse_error(document: bytes) -> ParseError:
    zero = document.find(b"\0")
    if zero >= 0:
        return ParseError(ZERO_BYTE, document.count(b"\n", 0, zero) + 1)
    found = _native.expat_error(document)
    return ParseError(REFUSED, None) if found is None else ParseError(*found)


def _rendered(properties: Properties, records: Records) -> bytes | None:
    """The document of a message holding these properties and records, or
    None when the library does not render it."""
    msg = _fast.new()
    try:
        for field, raw in enumerate(properties):
            _allocated(_fast.set_field(msg, field, raw))
        for record in records:
            _allocated(_fast.append(msg, *record))
        return _fast.render(msg)
    finally:
        _fast.free(msg)


def _pieces(value: bytes, size: int = 500) -> list[bytes]:
    """The value cut into runs of about size bytes that escape within the
    library's buffer, never in front of a UTF-8 continuation byte."""
    pieces, start = [], 0
    while start < len(value):
        end = min(start + size, len(value))
        while end < min(start + size + 3, len(value)) and 0x80 <= value[end] < 0xC0:
            end += 1
        pieces.append(value[start:end])
        start = end
    return pieces


def _piece_length(properties: Properties, record: tuple[bytes, bytes | None, bytes | None],
                  empty: int) -> int | str:
    """The length an element adds to the document, or what keeps it from
    rendering. A value too long to render alone is measured in pieces."""
    tag, name, value = record
    whole = _rendered(properties, [record])
    if whole is not None:
        return len(whole) - empty
    if _rendered(properties, [(tag, None, None)]) is None:
        return "its tag is not an XML name"
    bare = _rendered(properties, [(tag, name, None)])
    if bare is None:
        return "its name holds a character XML or the encoding refuses"
    pieces = [_rendered(properties, [(tag, name, piece)]) for piece in _pieces(value or b"")]
    if any(piece is None for piece in pieces):
        return "its value holds a character XML or the encoding refuses"
    return len(bare) - empty + sum(len(piece or b"") - len(bare) for piece in pieces)


def _render_failure(properties: Properties, records: Records) -> RenderError:
    """Why the library does not render a message: each element is rendered
    on its own, and the pieces add up to the length of the whole."""
    version, encoding, _ = properties
    for field, raw in (("version", version), ("encoding", encoding)):
        if raw is None:
            return RenderError(f"the message has no {field}")
    empty = _rendered(properties, [])
    if empty is None:
        return RenderError(f"the declaration does not render: version {version!r}, "
                           f"encoding {encoding!r}")
    length, codec = len(empty), _codec_name(encoding)
    for pos, (tag, name, value) in enumerate(records):
        element = f"element {pos} (tag {_shown(tag, codec)}, name {_shown(name, codec)})"
        piece = _piece_length(properties, (tag, name, value), len(empty))
        if isinstance(piece, str):
            return RenderError(f"{element} does not render: {piece}")
        length += piece
        if length > LIMIT:
            return RenderError(f"the document passes the {LIMIT}-byte limit at {element}")
    return RenderError("the message does not render: memory ran out")


class _Property:
    """A document property or header value of a Message: get gives the text
    or None, set stores a copy (None makes it absent)."""

    def __init__(self, field: str, doc: str) -> None:
        self._field = _fast.FIELDS.index(field)
        self._label = field
        self.__doc__ = doc

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
            raw = _fast.get_field(msg._live(), self._field)
        if raw is None:
            return None
        codec = self.codec(msg)
        if codec is None:
            raise LookupError(_NO_ENCODING)
        return raw.decode(codec)

    def __set__(self, msg: Message, text: Text | None) -> None:
        raw = _encode(text, self.codec(msg), f"Message.{self._label}")
        with msg._lock:
            _allocated(_fast.set_field(msg._live(), self._field, raw))
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


def _header(tag: str) -> _Property:
    return _Property(tag, f"""The value of the header element {tag!r} (the first element
        tagged so, any case, any name), or None when there is none or its
        value is absent. Setting it changes that element, or makes one in its
        place among the header elements at the front of the message.""")


class Message(Sequence[Element]):
    """A movrimsg message: the elements in position order, the header and the
    document properties, kept in a C message this object owns alone.

    The C message is released when the object is collected, or at once by
    close() or at the end of a `with` block; any use after that raises
    ValueError. Each message guards its C calls with a lock of its own, so
    sharing one between threads cannot corrupt it (the calls take turns).

    Texts are str in and out, encoded and decoded with the message's
    `encoding` (ISO-8859-1 by default) by Python's codec of that name;
    bytes are accepted wherever str is and stored as they are. A message
    whose encoding is None, or names an encoding Python does not know,
    raises LookupError for every str it is given or gives back; bytes and
    the elements' raw_* fields still work. Any other type of text raises
    TypeError.

    What the library cannot carry: a document holds at most 4000 bytes; a
    parse (and so clone()) turns each character above U+00FF into "?",
    drops elements that are neither header elements nor named "ele"
    elements, and gives the default version, encoding and DTD. copy.copy,
    copy.deepcopy and pickle keep everything, element by element."""

    _handle: int | None = None
    _encoding: str | None

    version = _Property("version", """The XML version the declaration names ("1.0" by
        default), or None.""")
    encoding = _Encoding("encoding", """The encoding of the message's texts, which the
        declaration names ("ISO-8859-1" by default), or None; its Python codec
        encodes every str given and decodes every text read. Setting it only
        relabels: the stored bytes stay as they are, and are read, rendered
        and declared under the new name from then on.""")
    dtd = _Property("dtd", """The DTD name carried with the message ("movrimsg.dtd" by
        default), or None; no document holds it.""")
    id = _header("id")
    sn = _header("sn")
    total = _header("total")
    msgmode = _header("msgmode")
    msgname = _header("msgname")

    def __init__(self) -> None:
        """An empty message with version "1.0", encoding "ISO-8859-1" and DTD
        "movrimsg.dtd"."""
        if self._handle is not None:
            raise RuntimeError("the message is already made")
        self._adopt(_fast.new())

    def _adopt(self, handle: int) -> None:
        self._lock = threading.Lock()
        self._handle = handle
        self._encoding = _codec_name(_fast.get_field(handle, _ENCODING))

    @classmethod
    def parse(cls, data: Text) -> Message:
        """A new message holding the elements of the document `data`. Bytes
        are parsed as they are, decoded by expat as their declaration says; a
        str is encoded as its own declaration says (UTF-8 without one), and
        ValueError tells when that encoding is unknown to Python or cannot
        hold the str. The new message has the default properties: the
        declaration is not read into it.

        Every character above U+00FF comes back as "?", whatever the
        encoding. ParseError when the document does not parse; the library
        then also writes one line to standard error."""
        document = _document(data)
        msg = cls()
        if b"\0" in document or _fast.parse(msg._live(), document) != 0:
            msg.close()
            raise _parse_error(document)
        return msg

    def render(self) -> bytes:
        """The message's document (at most 4000 bytes); RenderError, naming
        the element or the limit, when it does not render."""
        with self._lock:
            document = _fast.render(self._live())
        return document if document is not None else self._render_failed()

    def _render_failed(self) -> NoReturn:
        raise _render_failure(*self._state())

    def clone(self) -> Message:
        """A new message holding what survives rendering and parsing this one,
        with the default version, encoding and DTD (movri_msg_clone): see
        the class's notes on what a parse cannot carry. copy.copy keeps
        everything."""
        copy = ctypes.c_void_p()
        with self._lock:
            if _native.msg_clone(self._live(), ctypes.byref(copy)) == 0 and copy.value:
                clone = Message.__new__(Message)
                clone._adopt(copy.value)
                return clone
            document = _fast.render(self._live())
        if document is None:
            self._render_failed()
        raise _parse_error(document or b"")

    def close(self) -> None:
        """Releases the C message now; later uses raise ValueError."""
        with self._lock:
            handle, self._handle = self._handle, None
            if handle is not None:
                _fast.free(handle)

    def __enter__(self) -> Message:
        """The message itself; the `with` block closes it at its end."""
        return self

    def __exit__(self, *exc: object) -> None:
        """Closes the message."""
        self.close()

    def __del__(self, _free: Callable[[int], None] = _fast.free) -> None:
        """Releases the C message, unless close() already has."""
        if self._handle is not None:
            _free(self._handle)

    def _live(self) -> int:
        if self._handle is None:
            raise ValueError("the message is closed")
        return self._handle

    # ---- copies ------------------------------------------------------------

    def _state(self) -> tuple[Properties, Records]:
        with self._lock:
            msg = self._live()
            version, encoding, dtd = (_fast.get_field(msg, field) for field in range(3))
            elements = _fast.elements(msg, None)
        return (version, encoding, dtd), [(e.raw_tag, e.raw_name, e.raw_value) for e in elements]

    def __copy__(self) -> Message:
        """An independent message with the same properties and elements."""
        return _restore(type(self), *self._state())

    def __deepcopy__(self, memo: dict[int, Any]) -> Message:
        """The same as copy.copy: a message holds nothing but texts."""
        return self.__copy__()

    def __reduce__(self) -> tuple[Callable[..., Message], tuple[Any, ...]]:
        """Pickles the properties and every element's stored bytes."""
        return _restore, (type(self), *self._state())

    # ---- the sequence ----------------------------------------------------

    def __len__(self) -> int:
        """The number of elements."""
        with self._lock:
            return _fast.count(self._live())

    @overload
    def __getitem__(self, index: int) -> Element: ...
    @overload
    def __getitem__(self, index: slice) -> list[Element]: ...
    def __getitem__(self, index: int | slice) -> Element | list[Element]:
        """The element at a position (negative counts from the end), or a
        list of the elements a slice selects."""
        with self._lock:
            msg = self._live()
            if isinstance(index, slice):
                return _fast.elements(msg, self._encoding)[index]
            return _fast.element_at(msg, _position(index, _fast.count(msg)), self._encoding)

    def __iter__(self) -> Iterator[Element]:
        """The elements in position order, as they are when the first is
        asked for."""
        return self._walk(reverse=False)

    def __reversed__(self) -> Iterator[Element]:
        """The elements from the last to the first, as they are when the
        first is asked for."""
        return self._walk(reverse=True)

    def _walk(self, reverse: bool) -> Iterator[Element]:
        with self._lock:
            elements = _fast.elements(self._live(), self._encoding)
        return _fast.walk(elements, self, reverse)

    def _find(self, msg: int, raw_tag: bytes, raw_name: bytes | None | _AnyName) -> int | None:
        if isinstance(raw_name, _AnyName):
            wanted = raw_tag.lower()  # the library's rule: ASCII letters in either case
            elements = _fast.elements(msg, None)
            return next((pos for pos, e in enumerate(elements) if e.raw_tag.lower() == wanted),
                        None)
        pos = _native.find_element(msg, raw_tag, raw_name)
        return pos if pos < _fast.count(msg) else None

    def _name(self, name: Name, what: str = "a name") -> bytes | None | _AnyName:
        return name if isinstance(name, _AnyName) else _encode(name, self._encoding, what)

    def find(self, tag: Text, name: Name = ANY) -> int | None:
        """Position of the first element whose tag, and name, match (ASCII
        letter case ignored), or None. The name ANY (the default) matches
        any name or none; None matches only elements without a name."""
        raw_tag, raw_name = _tag(tag, self._encoding), self._name(name)
        with self._lock:
            return self._find(self._live(), raw_tag, raw_name)

    def get(self, tag: Text, name: Name = ANY, default: str | None = None) -> str | None:
        """The value of the first element that find(tag, name) finds, as
        dict.get gives a value: `default` when none matches, None when the
        element's value is absent."""
        raw_tag, raw_name = _tag(tag, self._encoding), self._name(name)
        with self._lock:
            msg = self._live()
            pos = self._find(msg, raw_tag, raw_name)
            if pos is None:
                return default
            return _fast.element_at(msg, pos, self._encoding).value

    # ---- changes: each gives the position of the element it made or changed

    def _texts(self, tag: Text, name: Text | None,
               value: Text | None) -> tuple[bytes, bytes | None, bytes | None]:
        return (_tag(tag, self._encoding), _encode(name, self._encoding, "a name"),
                _encode(value, self._encoding, "a value"))

    def append(self, tag: Text, name: Text | None = None, value: Text | None = None) -> int:
        """Appends an element with copies of tag, name and value (None:
        absent) and gives its position."""
        texts = self._texts(tag, name, value)
        with self._lock:
            return _allocated(_fast.append(self._live(), *texts))

    def insert(self, pos: int, tag: Text, name: Text | None = None,
               value: Text | None = None) -> int:
        """Inserts an element before position pos (negative counts from the
        end; len(self) appends) and gives its position."""
        texts = self._texts(tag, name, value)
        with self._lock:
            msg = self._live()
            count = _fast.count(msg)
            at = _position(pos, count, past_end=True)
            if at == count:
                return _allocated(_fast.append(msg, *texts))
            return _allocated(_native.insert_element_bypos(msg, at, *texts))

    def insert_before(self, ref_tag: Text, ref_name: Text | None, tag: Text,
                      name: Text | None = None, value: Text | None = None) -> int:
        """Inserts an element before the first one matching ref_tag and
        ref_name (None: without a name) and gives its position; LookupError
        when none matches."""
        insert = _native.insert_element_before_name
        return self._insert_by_name(insert, ref_tag, ref_name, tag, name, value)

    def insert_after(self, ref_tag: Text, ref_name: Text | None, tag: Text,
                     name: Text | None = None, value: Text | None = None) -> int:
        """Inserts an element after the first one matching ref_tag and
        ref_name (None: without a name) and gives its position; LookupError
        when none matches."""
        insert = _native.insert_element_after_name
        return self._insert_by_name(insert, ref_tag, ref_name, tag, name, value)

    def _insert_by_name(self, insert: _native.InsertByName, ref_tag: Text, ref_name: Text | None,
                        tag: Text, name: Text | None, value: Text | None) -> int:
        ref = _tag(ref_tag, self._encoding), _encode(ref_name, self._encoding, "a name")
        raw_tag, raw_name, raw_value = self._texts(tag, name, value)
        with self._lock:
            msg = self._live()
            pos = insert(msg, *ref, raw_tag, raw_name, raw_value)
            if pos < 0 and self._find(msg, *ref) is None:
                raise LookupError(f"no element has tag {ref_tag!r} and name {ref_name!r}")
            return _allocated(pos)

    def set_value(self, pos: int, value: Text | None) -> int:
        """Sets the value of the element at pos (negative counts from the
        end; None makes it absent) and gives its position."""
        raw = _encode(value, self._encoding, "a value")
        with self._lock:
            msg = self._live()
            at = _position(pos, _fast.count(msg))
            return _allocated(_native.set_element_value_bypos(msg, at, raw))

    def set_value_by_name(self, tag: Text, name: Text | None, value: Text | None) -> int:
        """Sets the value of the first element matching tag and name (None:
        without a name) and gives its position; LookupError when none
        matches."""
        raw_tag, raw_name, raw = self._texts(tag, name, value)
        with self._lock:
            msg = self._live()
            pos = _native.set_element_value_byname(msg, raw_tag, raw_name, raw)
            if pos < 0 and self._find(msg, raw_tag, raw_name) is None:
                raise LookupError(f"no element has tag {tag!r} and name {name!r}")
            return _allocated(pos)

    # ---- comparison and display -------------------------------------------

    def _contents(self) -> tuple[object, ...]:
        """The elements' texts, decoded; the encoding and the stored bytes
        when they do not decode."""
        with self._lock:
            encoding = self._encoding
            elements = _fast.elements(self._live(), encoding)
        try:
            return ("text", [(e.tag, e.name, e.value) for e in elements])
        except (LookupError, UnicodeError):
            return ("bytes", encoding, [(e.raw_tag, e.raw_name, e.raw_value) for e in elements])

    def __eq__(self, other: object) -> bool:
        """Equal when the elements' tags, names and values are equal, in
        order: decoded, or as stored under the same encoding when they do
        not decode. The document properties are not compared."""
        if not isinstance(other, Message):
            return NotImplemented
        mine = self._contents()
        return other is self or mine == other._contents()

    __hash__ = None  # type: ignore[assignment]

    def __repr__(self) -> str:
        """The header values and the number of elements."""
        with self._lock:
            if self._handle is None:
                return "<movrimsg.Message closed>"
            header = [(f, _fast.get_field(self._handle, i)) for i, f in enumerate(_fast.FIELDS)]
            count = _fast.count(self._handle)
        shown = " ".join(f"{f}={_shown(raw, self._encoding)}" for f, raw in header[3:])
        return f"<movrimsg.Message {shown} elements={count}>"


def _restore(cls: type[Message], properties: Properties, records: Records) -> Message:
    """A message of class cls holding these properties and elements, made
    element by element."""
    msg = cls.__new__(cls)
    msg._adopt(_fast.new())
    handle = msg._live()
    for field, raw in enumerate(properties):
        _allocated(_fast.set_field(handle, field, raw))
    msg._encoding = _codec_name(properties[_ENCODING])
    for record in records:
        _allocated(_fast.append(handle, *record))
    return msg
