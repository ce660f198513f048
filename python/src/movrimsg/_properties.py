"""The document properties and header values of a Message, as attributes."""

from __future__ import annotations

from typing import TYPE_CHECKING, overload

from . import _fast
from ._texts import NO_ENCODING, allocated, codec_name, encoded

if TYPE_CHECKING:
    from ._message import Message


class Property:
    """A document property or header value of a Message: get gives the text
    or None, set stores a copy (None makes it absent)."""

    def __init__(self, field: str, doc: str) -> None:
        self._field = _fast.FIELDS.index(field)
        self._label = field
        self.__doc__ = doc

    def codec(self, msg: Message) -> str | None:
        return msg._encoding

    @overload
    def __get__(self, msg: None, owner: type[Message]) -> Property: ...
    @overload
    def __get__(self, msg: Message, owner: type[Message]) -> str | None: ...
    def __get__(self, msg: Message | None, owner: type[Message]) -> Property | str | None:
        if msg is None:
            return self
        with msg._lock:
            raw = _fast.get_field(msg._live(), self._field)
        if raw is None:
            return None
        codec = self.codec(msg)
        if codec is None:
            raise LookupError(NO_ENCODING)
        return raw.decode(codec)

    def __set__(self, msg: Message, text: str | bytes | None) -> None:
        self.store(msg, encoded(text, self.codec(msg), f"Message.{self._label}"))

    def store(self, msg: Message, raw: bytes | None) -> None:
        with msg._lock:
            allocated(_fast.set_field(msg._live(), self._field, raw))


class Encoding(Property):
    """The encoding property: its own text is ASCII, and it is the encoding of
    every other text of the message."""

    def codec(self, msg: Message) -> str | None:
        return "ascii"

    def store(self, msg: Message, raw: bytes | None) -> None:
        codec = codec_name(raw)  # may run a codec search function: not during the turn
        with msg._lock:
            allocated(_fast.set_field(msg._live(), self._field, raw))
            msg._encoding = codec


def header(tag: str) -> Property:
    return Property(tag, f"""The value of the header element {tag!r} (the first element
        tagged so, any case, any name), or None when there is none or its
        value is absent. Setting it changes that element, or makes one in its
        place among the header elements at the front of the message.""")
