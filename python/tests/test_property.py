"""Random messages render and parse back as the library's rules say."""

from __future__ import annotations

import xml.etree.ElementTree as ElementTree

from hypothesis import given, settings
from hypothesis import strategies as st

from movrimsg import Message

HEADER = ("id", "sn", "total", "msgmode", "msgname")
# Characters a text may not hold: the zero byte, the controls XML forbids,
# U+FFFE and U+FFFF (surrogates are left out by category).
FORBIDDEN = "".join(map(chr, [*range(9), 11, 12, *range(14, 32), 0xFFFE, 0xFFFF]))
HIGHEST = {"US-ASCII": 0x7F, "ISO-8859-1": 0xFF, "UTF-8": None}

Case = tuple[str, list[str | None], list[int], list[tuple[str, str | None]]]


@st.composite
def cases(draw: st.DrawFn) -> Case:
    """An encoding, header values (None: not set) set in a random order, and
    body elements ("ele", a name, a value or None)."""
    encoding = draw(st.sampled_from(sorted(HIGHEST)))
    text = st.text(st.characters(blacklist_categories=("Cs",), blacklist_characters=FORBIDDEN,
                                 max_codepoint=HIGHEST[encoding]), max_size=12)
    header = draw(st.lists(st.none() | text, min_size=5, max_size=5))
    body = draw(st.lists(st.tuples(text, st.none() | text), max_size=10))
    return encoding, header, draw(st.permutations(range(5))), body


def parsed_text(text: str) -> str:
    """What the parser makes of a text: one "?" for each character above U+00FF."""
    return "".join(c if c <= "\xff" else "?" for c in text)


@settings(max_examples=300, database=None, deadline=None)
@given(cases())
def test_render_and_parse_back(case: Case) -> None:
    encoding, header, order, body = case
    msg = Message()
    msg.encoding = encoding
    for i in order:
        if header[i] is not None:
            setattr(msg, HEADER[i], header[i])
    for name, value in body:
        msg.append("ele", name, value)
    document = msg.render()
    ElementTree.fromstring(document)  # well-formed for another reader too
    # The header comes first in canonical order; an empty value comes back absent.
    expected: list[tuple[str, str | None, str | None]]
    expected = [(HEADER[i], None, parsed_text(v) or None) for i, v in enumerate(header)
                if v is not None]
    expected += [("ele", parsed_text(n), parsed_text(v or "") or None) for n, v in body]
    assert [(e.tag, e.name, e.value) for e in Message.parse(document)] == expected
