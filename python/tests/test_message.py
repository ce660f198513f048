"""The movrimsg package against the C library it loads."""

from __future__ import annotations

import codecs
import copy
import gc
import pickle
import threading
import tracemalloc
import weakref
from pathlib import Path
from typing import Any, Callable

import pytest

from movrimsg import ANY, REFUSED, Element, Message, ParseError, RenderError

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


def usable(msg: Message) -> bool:
    """Whether another thread can still take the message's turn (its lock)."""
    worker = threading.Thread(target=len, args=(msg,), daemon=True)
    worker.start()
    worker.join(timeout=10)
    return not worker.is_alive()


# ---- round trips ---------------------------------------------------------


def test_render_parse_walk_clone() -> None:
    msg = sample()
    assert msg.render() == SAMPLE
    parsed = Message.parse(SAMPLE)
    utf8 = SAMPLE.decode("latin-1").replace("ISO-8859-1", "UTF-8")
    assert parsed == msg == parsed.clone() == Message.parse(utf8) != Message()
    assert Message.parse(SAMPLE.decode("latin-1")) == msg  # a str parses as it declares
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
    assert msg == msg != sample() and list(reversed(msg)) == msg[::-1] == list(msg)[::-1]
    assert msg.find(b"ELE", ANY) == 3 and msg.find(b"ele", b"n") == 9
    last = msg[-1]
    assert (msg.index(last), msg.index(last, -1), msg.count(last), last in msg) == (9, 9, 1, True)
    assert msg.index(msg[4], 0, 5) == 4 and msg.count(msg[0]) == 1 and "ele" not in msg
    with pytest.raises(ValueError):
        msg.index(last, 0, -1)


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
    (LATIN1, lambda m: Message.parse("<m/>".encode("utf-16")), ParseError),
    (LATIN1, lambda m: Message.parse("<?xml version='1.0' encoding='x-no'?><m/>"), ValueError),
    (LATIN1, lambda m: Message.parse(SAMPLE.decode("latin-1").replace("lait", "€")),
     ValueError),
    (LATIN1, lambda m: Message.parse(bytearray(SAMPLE)), TypeError),
    (LATIN1, lambda m: m.append("ele", "n", 5), TypeError),
    (LATIN1, lambda m: m.append(None), TypeError),
    (LATIN1, lambda m: m.append("ele", bytearray(b"n")), TypeError),
    (LATIN1, lambda m: m.insert_before("ele", "item", "ele", 1.5), TypeError),
    (LATIN1, lambda m: m.set_value_by_name("ele", "item", []), TypeError),
    (LATIN1, lambda m: m.find(1), TypeError),
    (LATIN1, lambda m: setattr(m, "id", 1), TypeError),
    (LATIN1, lambda m: m["x"], TypeError),
    (LATIN1, lambda m: Element(b"ele", "n", None, LATIN1), TypeError),  # type: ignore[arg-type]
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
    ("u-t-f-8", lambda m: m[0].tag, LookupError),  # not a name Python's codecs know
    ("u-t-f-8", lambda m: m.append("ele"), LookupError),
    (LATIN1, lambda m: Element(b"ele", None, None, "u-t-f-8").tag, LookupError),
    (LATIN1, lambda m: Element(b"ele", None, None, "latin-1\0").tag, LookupError),
    (LATIN1, lambda m: len(Message.__new__(Message)), ValueError),
    (LATIN1, lambda m: Message.__new__(Message).id, ValueError),
])
def test_failures(encoding: str | None, call: Callable[[Message], Any],
                  error: type[Exception]) -> None:
    msg = sample()
    msg.encoding = encoding
    with pytest.raises(error) as caught:
        call(msg)
    assert caught.type is error and usable(msg)


@pytest.mark.parametrize("change, reason", [
    (lambda m: m.set_value(2, "x" * 4000), "the document passes the 4000-byte limit at element 2 "
                                           "(tag 'ele', name 'item')"),
    (lambda m: m.set_value(3, "&" * 780), "the document passes the 4000-byte limit at element 3"),
    (lambda m: m.insert(1, "1x"), "element 1 (tag '1x', name None) does not render: its tag"),
    (lambda m: m.append("ele", "a\x01"), "element 4 (tag 'ele', name 'a\\x01') does not render:"
                                         " its name"),
    (lambda m: m.set_value(3, "&" * 300 + "\x01"), "element 3 (tag 'ele', name 'note') does not "
                                                    "render: its value"),
    (lambda m: setattr(m, "version", None), "the message has no version"),
])
def test_render_errors(change: Callable[[Message], object], reason: str) -> None:
    msg = sample()
    change(msg)
    with pytest.raises(RenderError) as caught:
        msg.render()
    assert str(caught.value).startswith(reason), caught.value


# ---- lifetimes and threads -----------------------------------------------


def test_lifetimes() -> None:
    with sample() as msg:
        element, walk, back = msg[2], iter(msg), reversed(msg)
        next(walk), next(back)
        for _ in msg:
            break
        assert usable(msg)
    assert repr(msg) == "<movrimsg.Message closed>"  # the with block closed it
    msg.close()
    uses: list[Callable[[Message], object]] = [
        len, list, Message.render, Message.clone, lambda m: m[0], lambda m: m.id,
        lambda m: setattr(m, "id", "x"), lambda m: m.append("ele"),
        lambda m: m.find("id"), lambda m: m == m, lambda m: next(walk), lambda m: next(back),
    copy.copy, pickle.dumps]
    for use in uses:
        with pytest.raises(ValueError, match="closed"):
            use(msg)
    assert repr(msg) == "<movrimsg.Message closed>"
    orphan = sample()[3]
    gc.collect()
    assert (element.value, orphan.value) == ("café au lait", "total < 20")


class Reentrant:
    """An index, or anything compared, that reads the message it is used on."""

    def __init__(self, msg: Message) -> None:
        self.msg = msg

    def __index__(self) -> int:
        return len(self.msg) - 1

    def __eq__(self, other: object) -> bool:
        return other == self.msg[-1]

    __hash__ = None  # type: ignore[assignment]


def reentrant_codec(name: str) -> codecs.CodecInfo | None:
    """A codec "reentrant" whose decoder first reads the element being
    decoded, the same field again."""
    def decode(input: bytes, errors: str = "strict") -> tuple[str, int]:
        if READING:
            element = READING.pop()
            SEEN.append(element.value)
        return codecs.latin_1_decode(input, errors)
    latin1 = codecs.lookup("latin-1")
    return codecs.CodecInfo(latin1.encode, decode, name="reentrant") if name == "reentrant" else None


READING: list[Element] = []
SEEN: list[str | None] = []
codecs.register(reentrant_codec)


def decoded_reentrantly() -> bool:
    element = Element(b"ele", None, b"value", "reentrant")
    READING.append(element)
    value = element.value
    return value == "value" and value is element.value is SEEN[-1]  # stored once


@pytest.mark.parametrize("call, expected", [
    (lambda m: m[Reentrant(m)].name, "note"),
    (lambda m: len(m[slice(Reentrant(m), None)]), 1),
    (lambda m: m.insert(Reentrant(m), "ele"), 3),
    (lambda m: m.set_value(Reentrant(m), "v"), 3),
    (lambda m: m.index(Reentrant(m)), 3),
    (lambda m: (m.count(Reentrant(m)), Reentrant(m) in m), (1, True)),
    (lambda m: decoded_reentrantly(), True),
])
def test_callbacks(call: Callable[[Message], object], expected: object) -> None:
    """Code of the caller's that uses the message again, within a call on it:
    each call finishes."""
    msg, results = sample(), []
    worker = threading.Thread(target=lambda: results.append(call(msg)), daemon=True)
    worker.start()
    worker.join(timeout=10)
    assert results == [expected] and usable(msg)


class Text(bytes):
    """Bytes that can refer to other objects."""


def through_element(msg: Message) -> None:
    text = Text(b"ele")
    text.owner = msg  # type: ignore[attr-defined]
    msg.kept = Element(text, None, None, None)  # type: ignore[attr-defined]


@pytest.mark.parametrize("cycle", [
    lambda m: setattr(m, "cursor", iter(m)),
    lambda m: setattr(m, "cursor", reversed(m)),
    through_element,
])
def test_cycles_collected(cycle: Callable[[Message], object]) -> None:
    """A message reachable only through a cycle is collected, and so its C
    message freed."""
    gc.collect()
    gc.disable()
    try:
        alive = []
        for _ in range(100):
            msg = sample()
            cycle(msg)
            alive.append(weakref.ref(msg))
        del msg
        gc.collect()
    finally:
        gc.enable()
    assert [ref for ref in alive if ref() is not None] == []


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


# ---- copies --------------------------------------------------------------


class Kept(Message):
    """A subclass whose __init__ takes an argument."""

    def __init__(self, origin: str) -> None:
        super().__init__()
        self.origin = origin


@pytest.mark.parametrize("duplicate", [
    copy.copy, copy.deepcopy, lambda m: pickle.loads(pickle.dumps(m))])
def test_copies(duplicate: Callable[[Message], Message]) -> None:
    # What a trip through the document would lose: the properties, a nameless
    # "ele", another tag, text above U+00FF.
    msg = Kept("here")
    msg.version, msg.encoding, msg.dtd = "1.1", "UTF-8", None
    msg.append("ele", None, "\u20ac 1")
    msg.append("Item", "n", None)
    msg.sn = "7"

    def state(m: Message) -> object:
        return m.version, m.encoding, m.dtd, list(m), m.render()

    twin, expected = duplicate(msg), state(msg)
    assert type(twin) is Kept and twin == msg and state(twin) == expected
    assert type(twin.clone()) is Kept and type(Kept.parse(twin.clone().render())) is Kept
    assert pickle.loads(pickle.dumps(twin[0])) == twin[0] == msg[0]
    twin.append("ele", "x" * 100, "y" * 100)
    del twin
    gc.collect()
    assert state(msg) == expected and len(msg) == 3


# ---- leaks ---------------------------------------------------------------


def resident_bytes() -> int:
    pages = int(Path("/proc/self/statm").read_text().split()[1])
    return pages * 4096


@pytest.mark.skipif(not Path("/proc/self/statm").exists(), reason="needs /proc")
def test_no_leaks(capfd: pytest.CaptureFixture[str]) -> None:
    """Every path that makes or drops C messages and elements, many times:
    neither Python's heap nor the process grows."""
    def cycle() -> None:
        msg = sample()
        twin = pickle.loads(pickle.dumps(copy.deepcopy(msg)))
        assert list(Message.parse(twin.render()).clone()) == list(reversed(msg))[::-1] == msg[0:]
        twin.set_value(2, "x" * 4000)
        failing: list[Callable[[], object]] = [twin.render, lambda: Message.parse(b"<m>")]
        for broken in failing:
            with pytest.raises(ValueError):
                broken()

    for _ in range(300):
        cycle()
    tracemalloc.start()
    rss, python = resident_bytes(), tracemalloc.get_traced_memory()[0]
    for _ in range(2000):
        cycle()
    grown = resident_bytes() - rss, tracemalloc.get_traced_memory()[0] - python
    tracemalloc.stop()
    capfd.readouterr()
    assert grown[0] < 2**20 and grown[1] < 2**16, grown
