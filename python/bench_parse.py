"""Time to parse the typical document from Python, beside xml.etree.ElementTree
on the same bytes: python3 bench_parse.py (with the package installed).

The typical document is the benchmarks' (bench/documents.cpp): the header and
10 body elements of 20-byte values, one in four holding "&", one in five "<",
one in three the byte 0xE9, in ISO-8859-1 (about 600 bytes)."""

from __future__ import annotations

import timeit
import xml.etree.ElementTree as ElementTree
from typing import Callable

from movrimsg import Message


def body_value(i: int) -> str:
    value = f"item {i:07d} "
    value += "a&b " if i % 4 == 0 else ""
    value += "x<y " if i % 5 == 0 else ""
    value += "caf\xe9 " if i % 3 == 0 else ""
    return value.ljust(20, "z")


def typical_document(count: int = 10) -> bytes:
    with Message() as msg:
        msg.id, msg.sn, msg.total = "20240501-000042", "17", str(count)
        msg.msgmode, msg.msgname = "request", "benchmark"
        for i in range(count):
            msg.append("ele", f"n{i}", body_value(i))
        return msg.render()


def main() -> None:
    document = typical_document()

    def parse_and_read() -> object:
        msg = Message.parse(document)
        return msg.id, msg.sn, msg.total, msg.msgmode, msg.msgname, [
            (e.tag, e.name, e.value) for e in msg]

    def etree_and_read() -> object:
        root = ElementTree.fromstring(document)
        return [(e.tag, e.get("name"), e.text) for e in root]

    runs: dict[str, Callable[[], object]] = {
        "Message.parse": lambda: Message.parse(document),
        "Message.parse, header and walk": parse_and_read,
        "ElementTree.fromstring": lambda: ElementTree.fromstring(document),
        "ElementTree.fromstring and walk": etree_and_read,
    }
    print(f"document: {len(document)} bytes; best of 7 repeats")
    for label, run in runs.items():
        number = 2000
        best = min(timeit.repeat(run, number=number, repeat=7)) / number
        print(f"{label:34} {best * 1e6:7.1f} us")


if __name__ == "__main__":
    main()
