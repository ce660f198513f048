"""The exceptions of a document that does not parse or a message that does
not render."""

from __future__ import annotations

REFUSED = "refused by the library (too many entities referring to other entities, or out of memory)"
"""ParseError.reason for a document expat accepts but the library refused."""

ZERO_BYTE = "the document holds a zero byte (UTF-16 or UTF-32, say), which the library cannot read"
"""ParseError.reason for a document holding a zero byte; it never reaches the
library, so nothing is printed on standard error."""


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
