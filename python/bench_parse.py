"""Time to read and to write the typical document from Python, beside
xml.etree.ElementTree doing the same work in the same run:
python3 bench_parse.py [--quick] (with the package installed).

The typical document is the benchmarks' (bench/documents.cpp): the header and
10 body elements of 20-byte values, one in four holding "&", one in five "<",
one in three the byte 0xE9, in ISO-8859-1 (about 600 bytes).

Two ratios matter, movrimsg's time over ElementTree's:
- read: parse, then walk every element reading its tag, name and value;
- write: build the message (header and body), then render it.
It also times a reversed walk of a long message and the search for its last
element, which must stay linear.
The script reports these; it asserts no timing, so a loaded machine slows it
down without failing it."""

from __future__ import annotations

import sys
import timeit
import xml.etree.ElementTree as ElementTree
from typing import Callable

from movrimsg import Message

HEADER = {"id": "20240501-000042", "sn": "17", "total": "10", "msgmode": "request",
          "msgname": "benchmark"}
BODY = [(f"n{i}", f"item {i:07d} " + "a&b " * (i % 4 == 0) + "x<y " * (i % 5 == 0)
         + "caf\xe9 " * (i % 3 == 0)) for i in range(10)]
BODY = [(name, value.ljust(20, "z")) for name, value in BODY]


def build_message() -> Message:
    msg = Message()
    msg.id, msg.sn, msg.total = HEADER["id"], HEADER["sn"], HEADER["total"]
    msg.msgmode, msg.msgname = HEADER["msgmode"], HEADER["msgname"]
    for name, value in BODY:
        msg.append("ele", name, value)
    return msg


def build_tree() -> ElementTree.Element:
    root = ElementTree.Element("movrimsg")
    for tag, value in HEADER.items():
        ElementTree.SubElement(root, tag).text = value
    for name, value in BODY:
        ElementTree.SubElement(root, "ele", name=name).text = value
    return root


def typical_document() -> bytes:
    with build_message() as msg:
        return msg.render()


def timings(runs: dict[str, Callable[[], object]], number: int, repeat: int) -> dict[str, float]:
    """Best time per call of each run, in seconds; the runs take turns within
    each repeat so that a change in the machine's load hits them alike."""
    best = dict.fromkeys(runs, float("inf"))
    for _ in range(repeat):
        for label, run in runs.items():
            best[label] = min(best[label], timeit.timeit(run, number=number) / number)
    return best


def main() -> None:
    quick = "--quick" in sys.argv[1:]
    document = typical_document()

    def read_movrimsg() -> object:
        return [(e.tag, e.name, e.value) for e in Message.parse(document)]

    def read_etree() -> object:
        return [(e.tag, e.get("name"), e.text) for e in ElementTree.fromstring(document)]

    def write_movrimsg() -> object:
        return build_message().render()

    def write_etree() -> object:
        return ElementTree.tostring(build_tree(), encoding="ISO-8859-1")

    assert read_movrimsg() == read_etree(), "the two readers disagree"
    runs: dict[str, Callable[[], object]] = {
        "read: movrimsg parse and walk": read_movrimsg,
        "read: ElementTree fromstring and walk": read_etree,
        "write: movrimsg build and render": write_movrimsg,
        "write: ElementTree build and tostring": write_etree,
        "movrimsg parse alone": lambda: Message.parse(document),
        "ElementTree fromstring alone": lambda: ElementTree.fromstring(document),
    }
    best = timings(runs, number=200 if quick else 2000, repeat=3 if quick else 9)
    print(f"document: {len(document)} bytes; best of {3 if quick else 9} repeats")
    for label, seconds in best.items():
        print(f"{label:40} {seconds * 1e6:7.2f} us")
    with Message() as long:
        for i in range(20_000):
            long.append("ele", str(i), "v")
        walk = min(timeit.repeat(lambda: list(reversed(long)), number=1, repeat=3))
        last = long[-1]
        search = min(timeit.repeat(lambda: long.index(last), number=1, repeat=3))
    print(f"{'reversed walk of 20,000 elements':40} {walk * 1e3:7.2f} ms")
    print(f"{'index of the last of 20,000 elements':40} {search * 1e3:7.2f} ms")
    labels = list(best)
    for job, mine, theirs in (("read", labels[0], labels[1]), ("write", labels[2], labels[3])):
        print(f"{job} ratio, movrimsg / ElementTree: {best[mine] / best[theirs]:.2f}")


if __name__ == "__main__":
    main()
