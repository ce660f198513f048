"""Texts and positions as the library takes them: str encoded by the
message's codec, bytes as they are; encoding names as Python's codecs know
them; positions counted from either end."""

from __future__ import annotations

import codecs

NO_ENCODING = "the message has no encoding: set Message.encoding, or pass bytes"


def encoded(text: object, encoding: str | None, what: str) -> bytes | None:
    """The bytes of a text argument (None: absent)."""
    if text is None:
        return None
    if isinstance(text, str):
        if encoding is None:
            raise LookupError(NO_ENCODING)
        text = text.encode(encoding)
    elif not isinstance(text, bytes):
        raise TypeError(f"{what} must be str, bytes or None, not {type(text).__name__}")
    if b"\0" in text:
        raise ValueError("a text cannot hold a zero byte")
    return text


def tag_bytes(tag: object, encoding: str | None) -> bytes:
    if tag is None:
        raise TypeError("a tag must be str or bytes, not None")
    raw = encoded(tag, encoding, "a tag")
    if not raw:
        raise ValueError("a tag cannot be empty")
    return raw


def codec_name(raw: bytes | None) -> str | None:
    """The codec a stored encoding name means, by the codec's own name
    (codecs.lookup(name).name), so that every spelling Python takes for one
    encoding means the same everywhere. A name Python does not know is kept
    as it is, and every use of it raises LookupError alike. Python's names are
    ASCII, so other bytes make a name it does not know."""
    if raw is None:
        return None
    known = _KNOWN.get(raw)
    if known is not None:
        return known
    name = raw.decode("latin-1")
    try:
        known = codecs.lookup(name).name
    except LookupError:
        return name  # a codec registered later may know it
    if len(_KNOWN) < 64:
        _KNOWN[raw] = known  # Python's registry keeps what it found for good, too
    return known


_KNOWN: dict[bytes, str] = {}


def shown(raw: bytes | None, encoding: str | None) -> str:
    """repr of the decoded text, or of the bytes when they do not decode."""
    try:
        return repr(None if raw is None or encoding is None else raw.decode(encoding))
    except (LookupError, UnicodeError):
        return repr(raw)


def allocated(result: int) -> int:
    if result < 0:
        raise MemoryError("the movrimsg library ran out of memory")
    return result


def position(index: int, count: int, *, past_end: bool = False) -> int:
    """The position an index (already an int) names among count elements."""
    pos = index + count if index < 0 else index
    if not 0 <= pos < count + past_end:
        raise IndexError(f"position {index} is outside the message ({count} elements)")
    return pos

