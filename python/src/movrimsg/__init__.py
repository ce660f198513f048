"""movrimsg from Python: messages and their compact XML documents, over the
movrimsg C library. The library built into the package is loaded, unless
MOVRIMSG_LIBRARY names another; without either, the system's
libmovrimsg.so.1. LIBRARY is the path of the one loaded.
help(movrimsg.Message) is the manual."""

from ._errors import REFUSED, ZERO_BYTE, ParseError, RenderError
from ._fast import Element
from ._message import ANY, Message
from ._native import LIBRARY

__all__ = ["ANY", "LIBRARY", "REFUSED", "ZERO_BYTE", "Element", "Message", "ParseError",
           "RenderError"]
__version__ = "1.0.0"

