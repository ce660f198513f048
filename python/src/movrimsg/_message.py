"""Message, and the name ANY; Element comes from the extension module."""

from __future__ import annotations

import ctypes
import operator
import sys
from collections.abc import Iterator, Sequence
from typing import Any, Callable, NoReturn, TypeVar, cast, overload

from . import _fast, _native
from ._documents import Properties, Records, document_bytes, parse_error, render_failure
from ._errors import ParseError as ParseError  # where pickles of earlier versions look
from ._errors import RenderError as RenderError
from ._fast import Element
from ._properties import Encoding, Property, header
from ._texts import allocated, codec_name, encoded, position, shown, tag_bytes
from ._turn import NEVER_MADE, NeverMade, Turn

Text = str | bytes
Made = TypeVar("Made", bound="Message")
_ENCODING = _fast.FIELDS.index("encoding")


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


class Message(Sequence[Element]):
    """A movrimsg message: the elements in position order, the header and the
    document properties, kept in a C message this object owns alone.

    The C message is released when the object is collected, or at once by
    close() or at the end of a `with` block; any use after that raises
    ValueError. Each message guards its C calls with a lock of its own, so
    sharing one between threads cannot corrupt it (the calls take turns);
    no code of the caller's (an __index__, __eq__ or codec) runs while it is
    held, and a call that comes back to the message from within another on
    the same thread (a finalizer, say) raises RuntimeError.

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
    copy.deepcopy and pickle keep everything, element by element.

    Subclasses are welcome: parse(), clone(), copies and pickles of one give
    an object of that subclass, made as pickle makes objects (its __init__
    is not called, nor any attribute of the original copied)."""

    _handle: int | None = None
    _encoding: str | None = None
    _lock: Turn | NeverMade = NEVER_MADE

    version = Property("version", """The XML version the declaration names ("1.0" by
        default), or None.""")
    encoding = Encoding("encoding", """The encoding of the message's texts, which the
        declaration names ("ISO-8859-1" by default), or None; its Python codec
        encodes every str given and decodes every text read. Setting it only
        relabels: the stored bytes stay as they are, and are read, rendered
        and declared under the new name from then on.""")
    dtd = Property("dtd", """The DTD name carried with the message ("movrimsg.dtd" by
        default), or None; no document holds it.""")
    id = header("id")
    sn = header("sn")
    total = header("total")
    msgmode = header("msgmode")
    msgname = header("msgname")

    def __init__(self) -> None:
        """An empty message with version "1.0", encoding "ISO-8859-1" and DTD
        "movrimsg.dtd"."""
        if self._handle is not None:
            raise RuntimeError("the message is already made")
        self._adopt(_fast.new())

    def _adopt(self, handle: int) -> None:
        encoding = codec_name(_fast.get_field(handle, _ENCODING))
        self._lock, self._encoding, self._handle = Turn(), encoding, handle

    @classmethod
    def _made(cls: type[Made], handle: int) -> Made:
        """An object of this class owning the C message at handle."""
        msg = cls.__new__(cls)
        try:
            msg._adopt(handle)
        except BaseException:
            _fast.free(handle)
            raise
        return msg

    @classmethod
    def parse(cls: type[Made], data: Text) -> Made:
        """A new message holding the elements of the document `data`. Bytes
        are parsed as they are, decoded by expat as their declaration says; a
        str is encoded as its own declaration says (UTF-8 without one), and
        ValueError tells when that encoding is unknown to Python or cannot
        hold the str. The new message has the default properties: the
        declaration is not read into it.

        Every character above U+00FF comes back as "?", whatever the
        encoding. ParseError when the document does not parse; the library
        then also writes one line to standard error."""
        document = document_bytes(data)
        msg = cls._made(_fast.new())
        if b"\0" in document or _fast.parse(msg._live(), document) != 0:
            msg.close()
            raise parse_error(document)
        return msg

    def render(self) -> bytes:
        """The message's document (at most 4000 bytes); RenderError, naming
        the element or the limit, when it does not render."""
        with self._lock:
            document = _fast.render(self._live())
        return document if document is not None else self._render_failed()

    def _render_failed(self) -> NoReturn:
        raise render_failure(*self._state())

    def clone(self: Made) -> Made:
        """A new message holding what survives rendering and parsing this one,
        with the default version, encoding and DTD (movri_msg_clone): see
        the class's notes on what a parse cannot carry. copy.copy keeps
        everything."""
        copy = ctypes.c_void_p()
        with self._lock:
            cloned = _native.msg_clone(self._live(), ctypes.byref(copy)) == 0 and copy.value
            document = None if cloned else _fast.render(self._live())
        if cloned and copy.value:
            return type(self)._made(copy.value)
        if document is None:
            self._render_failed()
        raise parse_error(document)

    def close(self) -> None:
        """Releases the C message now; later uses raise ValueError."""
        if self._handle is None:
            return
        with self._lock:
            handle, self._handle = self._handle, None
            if handle is not None:
                _fast.free(handle)

    def __enter__(self: Made) -> Made:
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

    def __copy__(self: Made) -> Made:
        """An independent message with the same properties and elements."""
        return _restore(type(self), *self._state())

    def __deepcopy__(self: Made, memo: dict[int, Any]) -> Made:
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
        if isinstance(index, slice):
            return self._elements()[index]
        wanted = operator.index(index)
        with self._lock:
            msg = self._live()
            return _fast.element_at(msg, position(wanted, _fast.count(msg)), self._encoding)

    def __iter__(self) -> Iterator[Element]:
        """The elements in position order, as they are when iter() is
        called."""
        return _fast.walk(self._elements(), self, False)

    def __reversed__(self) -> Iterator[Element]:
        """The elements from the last to the first, as they are when
        reversed() is called."""
        return _fast.walk(self._elements(), self, True)

    def _elements(self) -> list[Element]:
        with self._lock:
            return _fast.elements(self._live(), self._encoding)

    def _searched(self) -> list[object]:
        """The elements, to compare with anything: outside the turn."""
        return cast(list[object], self._elements())

    def __contains__(self, value: object) -> bool:
        """Whether an element is equal to value (one pass)."""
        return value in self._searched()

    def index(self, value: object, start: int = 0, stop: int | None = None) -> int:
        """Position of the first element equal to value at or after start and
        before stop (negative counts from the end), in one pass; ValueError
        when none is."""
        return self._searched().index(value, start, sys.maxsize if stop is None else stop)

    def count(self, value: object) -> int:
        """The number of elements equal to value (one pass)."""
        return self._searched().count(value)

    def _find(self, msg: int, raw_tag: bytes, raw_name: bytes | None | _AnyName) -> int | None:
        if isinstance(raw_name, _AnyName):
            wanted = raw_tag.lower()  # the library's rule: ASCII letters in either case
            elements = _fast.elements(msg, None)
            return next((pos for pos, e in enumerate(elements) if e.raw_tag.lower() == wanted),
                        None)
        pos = _native.find_element(msg, raw_tag, raw_name)
        return pos if pos < _fast.count(msg) else None

    def _name(self, name: Name, what: str = "a name") -> bytes | None | _AnyName:
        return name if isinstance(name, _AnyName) else encoded(name, self._encoding, what)

    def find(self, tag: Text, name: Name = ANY) -> int | None:
        """Position of the first element whose tag, and name, match (ASCII
        letter case ignored), or None. The name ANY (the default) matches
        any name or none; None matches only elements without a name."""
        raw_tag, raw_name = tag_bytes(tag, self._encoding), self._name(name)
        with self._lock:
            return self._find(self._live(), raw_tag, raw_name)

    def get(self, tag: Text, name: Name = ANY, default: str | None = None) -> str | None:
        """The value of the first element that find(tag, name) finds, as
        dict.get gives a value: `default` when none matches, None when the
        element's value is absent."""
        raw_tag, raw_name = tag_bytes(tag, self._encoding), self._name(name)
        with self._lock:
            msg = self._live()
            pos = self._find(msg, raw_tag, raw_name)
            element = None if pos is None else _fast.element_at(msg, pos, self._encoding)
        return default if element is None else element.value

    # ---- changes: each gives the position of the element it made or changed

    def _texts(self, tag: Text, name: Text | None,
               value: Text | None) -> tuple[bytes, bytes | None, bytes | None]:
        return (tag_bytes(tag, self._encoding), encoded(name, self._encoding, "a name"),
                encoded(value, self._encoding, "a value"))

    def append(self, tag: Text, name: Text | None = None, value: Text | None = None) -> int:
        """Appends an element with copies of tag, name and value (None:
        absent) and gives its position."""
        texts = self._texts(tag, name, value)
        with self._lock:
            return allocated(_fast.append(self._live(), *texts))

    def insert(self, pos: int, tag: Text, name: Text | None = None,
               value: Text | None = None) -> int:
        """Inserts an element before position pos (negative counts from the
        end; len(self) appends) and gives its position."""
        wanted, texts = operator.index(pos), self._texts(tag, name, value)
        with self._lock:
            msg = self._live()
            count = _fast.count(msg)
            at = position(wanted, count, past_end=True)
            if at == count:
                return allocated(_fast.append(msg, *texts))
            return allocated(_native.insert_element_bypos(msg, at, *texts))

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
        ref = tag_bytes(ref_tag, self._encoding), encoded(ref_name, self._encoding, "a name")
        raw_tag, raw_name, raw_value = self._texts(tag, name, value)
        with self._lock:
            msg = self._live()
            pos = insert(msg, *ref, raw_tag, raw_name, raw_value)
            if pos < 0 and self._find(msg, *ref) is None:
                raise LookupError(f"no element has tag {ref_tag!r} and name {ref_name!r}")
            return allocated(pos)

    def set_value(self, pos: int, value: Text | None) -> int:
        """Sets the value of the element at pos (negative counts from the
        end; None makes it absent) and gives its position."""
        wanted, raw = operator.index(pos), encoded(value, self._encoding, "a value")
        with self._lock:
            msg = self._live()
            at = position(wanted, _fast.count(msg))
            return allocated(_native.set_element_value_bypos(msg, at, raw))

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
            return allocated(pos)

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
        if self._handle is None:
            made = not isinstance(self._lock, NeverMade)
            return f"<movrimsg.Message {'closed' if made else 'never made'}>"
        with self._lock:
            handle = self._live()
            header = [(f, _fast.get_field(handle, i)) for i, f in enumerate(_fast.FIELDS)]
            count = _fast.count(handle)
        fields = " ".join(f"{f}={shown(raw, self._encoding)}" for f, raw in header[3:])
        return f"<movrimsg.Message {fields} elements={count}>"


def _restore(cls: type[Made], properties: Properties, records: Records) -> Made:
    """A message of class cls holding these properties and elements, made
    element by element."""
    msg = cls._made(_fast.new())
    handle = msg._live()
    for field, raw in enumerate(properties):
        allocated(_fast.set_field(handle, field, raw))
    msg._encoding = codec_name(properties[_ENCODING])
    for record in records:
        allocated(_fast.append(handle, *record))
    return msg
