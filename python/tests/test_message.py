"""The movrimsg package against the C library it loads."""

from __future__ import annotations

import gc
import threading
from typing import Any, Callable

import pytest

from movrimsg import REFUSED, Message, ParseError, RenderError

LATIN1 = "ISO-8859-1"
SAMPLE = (
    b"<?xml version='1.0' encoding='ISO-8859-1'?><movrimsg><id>1001</id>"
    b"<msgname>order</msgname><ele name='item'>caf\xe9 au lait</ele>"
    b"<ele name='note'>total &lt; 20</ele></movrimsg>"
)


def sample() -> Message:
    msg = Message()
    msg.id, msg.msgname = "1001", "order"
    msg.append("ele", "item", "café au lait")
    msg.append("ele", "note", "total < 20")
    return msg


# ---- round trips ---------------------------------------------------------


def test_render_parse_walk_clone() -> None:
    msg = sample()
    assert msg.render() == SAMPLE
    parsed = Message.parse(SAMPLE)
    utf8 = SAMPLE.decode("latin-1").replace("ISO-8859-1", "UTF-8")
    assert parsed == msg == parsed.clone() == Message.parse(utf8) != Message()
    assert [e.tag for e in parsed] == ["id", "msgname", "ele", "ele"]
    assert (parsed[-1].name, parsed[-1].value) == ("note", "total < 20")
    assert parsed[2].raw_value == b"caf\xe9 au lait"
    assert (parsed.id, parsed.sn, parsed.version, parsed.encoding, parsed.dtd) == (
        "1001", None, "1.0", "ISO-8859-1", "movrimsg.dtd")
    assert repr(parsed) == (
        "<movrimsg.Message id='1001' sn=None total=None msgmode=None msgname='order' elements=4>")
    assert repr(parsed[0]) == "Element(tag='id', name=None, value='1001')"


def test_positions() -> None:
    msg = sample()
    assert msg.find("ELE", "Note") == 3 and msg.find("ele", None) is None
    assert msg.find("Ele") == 2 and msg.get("ele") == "café au lait"
    assert (msg.get("ele", "NOTE"), msg.get("ele", None, "-"), msg.get("zz")) == (
        "total < 20", "-", None)
    assert msg.insert(len(msg), "ele", "last") == 4
    assert msg.insert(-1, "ele", "x") == 4
    assert msg.insert_before("ele", "item", "ele", "a") == 2
    assert msg.insert_after("ele", "item", "ele", "b") == 4
    assert msg.set_value(-1, "v") == 7 and msg[-1].value == "v"
    assert msg.set_value_by_name("ele", "a", b"w") == 2 and msg[2].value == "w"
    msg.sn = ""
    assert (msg.sn, msg[1].tag, msg[1].value) == ("", "sn", "")
    msg.id = None
    assert msg.id is None and msg[0].tag == "id"
    assert [e.name for e in msg[3:]] == ["a", "item", "b", "note", "x", "last"]
    msg.encoding = None  # bytes need no codec
    assert msg.append(b"ele", b"n", b"\xff") == 9 and msg[-1].raw_value == b"\xff"


# ---- encodings -----------------------------------------------------------


@pytest.mark.parametrize("encoding, text, raw", [
    ("ISO-8859-1", "café", b"caf\xe9"),
    ("UTF-8", "café €", b"caf\xc3\xa9 \xe2\x82\xac"),
    ("US-ASCII", "cafe", b"cafe"),
    ("cp1252", "€", b"\x80"),
])
def test_encodings(encoding: str, text: str, raw: bytes) -> None:
    msg = Message()
    msg.encoding = encoding
    msg.append("ele", text, text)
    assert (msg[0].raw_name, msg[0].name, msg.find("ele", raw)) == (raw, text, 0)
    assert msg.render().startswith(b"<?xml version='1.0' encoding='%s'?>" % encoding.encode())
    if encoding == "cp1252":  # renders, but expat does not know it
        with pytest.raises(ParseError, match="^unknown encoding at line 1$"):
            msg.clone()
    else:  # parsed as ISO-8859-1, each character above U+00FF as "?"
        assert msg.clone()[0].value == "".join(c if c <= "\xff" else "?" for c in text)


# ---- failures ------------------------------------------------------------

ENTITIES = b"<!DOCTYPE movrimsg [<!ENTITY e0 'x'>%s]><movrimsg/>" % b"".join(
    b"<!ENTITY e%d '&e%d;'>" % (i, i - 1) for i in range(1, 66))


@pytest.mark.parametrize("document, reason, line", [
    (b"<movrimsg>\n<id>\n</movrimsg>", "mismatched tag", 3),
    ("<?xml version='1.0' encoding='UTF-8'?>\n<m>\u20ac", "no element found", 2),
    (b"", "no element found", 1),
    (b"<?xml version='1.0' encoding='KOI8-R'?><m/>", "unknown encoding", 1),
    (ENTITIES, REFUSED, None),
])
def test_parse_errors(document: bytes | str, reason: str, line: int | None,
                      capfd: pytest.CaptureFixture[str]) -> None:
    with pytest.raises(ParseError) as caught:
        Message.parse(document)
    assert (caught.value.reason, caught.value.line) == (reason, line)
    printed = capfd.readouterr().err
    expected = "too many entities referring to other entities" if line is None else str(caught.value)
    assert printed.startswith(expected) and printed.count("\n") == 1


@pytest.mark.parametrize("encoding, call, error", [
    (LATIN1, lambda m: (m.set_value(2, "x" * 4000), m.render()), RenderError),
    (LATIN1, lambda m: (m.append("1x"), m.clone()), RenderError),
    (LATIN1, lambda m: (m.insert(0, "ele", "n", "\x01"), m.render()), RenderError),
    (None, Message.render, RenderError),
    (LATIN1, lambda m: m.append(""), ValueError),
    (LATIN1, lambda m: m.find(b""), ValueError),
    (LATIN1, lambda m: m.append("ele", "a\0b"), ValueError),
    (LATIN1, lambda m: Message.parse(b"<m>\0</m>"), ParseError),
    (LATIN1, lambda m: m[4], IndexError),
    (LATIN1, lambda m: m[-5], IndexError),
    (LATIN1, lambda m: m.insert(5, "ele"), IndexError),
    (LATIN1, lambda m: m.set_value(-5, "v"), IndexError),
    (LATIN1, lambda m: m.insert_after("ele", None, "ele"), LookupError),
    (LATIN1, lambda m: m.insert_before("zz", "item", "ele"), LookupError),
    (LATIN1, lambda m: m.set_value_by_name("ele", "zz", "v"), LookupError),
    ("US-ASCII", lambda m: m.append("ele", "é"), UnicodeEncodeError),
    ("US-ASCII", lambda m: setattr(m, "encoding", "é"), UnicodeEncodeError),
    ("UTF-8", lambda m: m[2].value, UnicodeDecodeError),  # stored as ISO-8859-1
    (None, lambda m: m.append("ele"), LookupError),
    (None, lambda m: m[0].tag, LookupError),
    ("x-unknown", lambda m: m.append("ele"), LookupError),
    ("x-unknown", lambda m: m[0].tag, LookupError),
])
def test_failures(encoding: str | None, call: Callable[[Message], Any],
                  error: type[Exception]) -> None:
    msg = sample()
    msg.encoding = encoding
    with pytest.raises(error) as caught:
        call(msg)
    assert caught.type is error


# ---- lifetimes and threads -----------------------------------------------


def test_lifetimes() -> None:
    with sample() as msg:
        element, walk = msg[2], iter(msg)
        next(walk)
    msg.close()
    uses: list[Callable[[Message], object]] = [
        len, list, Message.render, Message.clone, lambda m: m[0], lambda m: m.id,
        lambda m: setattr(m, "id", "x"), lambda m: m.append("ele"),
        lambda m: m.find("id"), lambda m: m == m, lambda m: next(walk)]
    for use in uses:
        with pytest.raises(ValueError, match="closed"):
            use(msg)
    assert repr(msg) == "<movrimsg.Message closed>"
    orphan = sample()[3]
    gc.collect()
    assert (element.value, orphan.value) == ("café au lait", "total < 20")


def test_threads() -> None:
    shared, wrong = Message(), []

    def work(i: int) -> None:
        for _ in range(50):
            shared.append("ele", str(i))
            try:
                Message.parse(b"<m>" + b"\n" * i + b"</n>")
            except ParseError as error:
                if (error.reason, error.line) != ("mismatched tag", i + 1):
                    wrong.append((i, error.reason, error.line))

    threads = [threading.Thread(target=work, args=(i,)) for i in range(8)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert wrong == [] and len(shared) == 400 and len(list(shared)) == 400
