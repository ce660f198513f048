"""Documents: the bytes of a document given as str, the reason a document
does not parse, and the reason a message does not render, found by rendering
it piece by piece."""

from __future__ import annotations

import codecs
import re

from . import _fast, _native
from ._errors import REFUSED, ZERO_BYTE, ParseError, RenderError
from ._texts import allocated, codec_name, shown

Properties = tuple[bytes | None, bytes | None, bytes | None]
Records = list[tuple[bytes, bytes | None, bytes | None]]

LIMIT = 4000
"""The longest document the library renders, in bytes."""

_DECLARED = re.compile(r"""\ufeff?<\?xml\s[^>]*?\bencoding\s*=\s*(["'])(.*?)\1""")


def document_bytes(data: object) -> bytes:
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


def parse_error(document: bytes) -> ParseError:
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
            allocated(_fast.set_field(msg, field, raw))
        for record in records:
            allocated(_fast.append(msg, *record))
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


def render_failure(properties: Properties, records: Records) -> RenderError:
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
    length, codec = len(empty), codec_name(encoding)
    for pos, (tag, name, value) in enumerate(records):
        element = f"element {pos} (tag {shown(tag, codec)}, name {shown(name, codec)})"
        piece = _piece_length(properties, (tag, name, value), len(empty))
        if isinstance(piece, str):
            return RenderError(f"{element} does not render: {piece}")
        length += piece
        if length > LIMIT:
            return RenderError(f"the document passes the {LIMIT}-byte limit at {element}")
    return RenderError("the message does not render: memory ran out")
