"""A message's turn at its C message: the calls of all threads take turns,
one at a time. No code of the caller's (an __index__, __eq__ or codec) runs
during a turn; should anything else come back to the same message within a
turn on the same thread (a finalizer the collector runs, say), it gets
RuntimeError instead of waiting forever for its own thread."""

from __future__ import annotations

import threading


class Turn:
    """The turn of one message (a context manager)."""

    __slots__ = ("_lock", "_holder")

    def __init__(self) -> None:
        self._lock = threading.Lock()
        self._holder: int | None = None

    def __enter__(self) -> None:
        me = threading.get_ident()
        if self._holder == me:  # only this thread sets its own ident
            raise RuntimeError("the message is in the middle of a call on this thread")
        self._lock.acquire()
        self._holder = me

    def __exit__(self, *exc: object) -> None:
        self._holder = None
        self._lock.release()


class NeverMade:
    """The turn of a message made by Message.__new__ alone: every use fails."""

    def __enter__(self) -> None:
        raise ValueError("the message was never made: Message.__new__ was called without "
                         "Message.__init__ (make one with Message(), Message.parse or a copy)")

    def __exit__(self, *exc: object) -> None:
        pass  # pragma: no cover - __enter__ never lets a block start


NEVER_MADE = NeverMade()
