"""movrimsg from Python: messages and their compact XML documents, over the
movrimsg C library (loaded from MOVRIMSG_LIBRARY when set, else the system's
libmovrimsg.so.1). help(movrimsg.Message) is the manual."""

from ._fast import Element
from ._message import ANY, REFUSED, ZERO_BYTE, Message, ParseError, RenderError

__all__ = ["ANY", "REFUSED", "ZERO_BYTE", "Element", "Message", "ParseError", "RenderError"]
__version__ = "1.0.0"
