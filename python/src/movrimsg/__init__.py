"""movrimsg from Python: messages and their compact XML documents, over the
movrimsg C library (loaded with ctypes from MOVRIMSG_LIBRARY when set, else
the system's libmovrimsg.so.1)."""

from ._message import REFUSED, Element, Message, ParseError, RenderError

__all__ = ["REFUSED", "Element", "Message", "ParseError", "RenderError"]
__version__ = "1.0.0"
