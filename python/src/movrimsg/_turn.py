"""A message's turn at its C message: the calls of all threads take turns,
one at a time. No code of the caller's (an __index__, __eq__ or codec) runs
during a turn; should anything else come back to the same message within a
turn on the same thread (a finalizer the collector runs, say), it gets
RuntimeError instead of waiting forever for its own thread. Turn is the
extension module's; a message made without __init__ has NEVER_MADE."""

from __future__ import annotations

from ._fast import Turn

__all__ = ["NEVER_MADE", "NeverMade", "Turn"]


class NeverMade:
    """The turn of a message made by Message.__new__ alone: every use fails."""

    def __enter__(self) -> None:
        raise ValueError("the message was never made: Message.__new__ was called without "
                         "Message.__init__ (make one with Message(), Message.parse or a copy)")

    def __exit__(self, *exc: object) -> None:
        pass  # pragma: no cover - __enter__ never lets a block start


NEVER_MADE = NeverMade()
