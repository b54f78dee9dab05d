r"""Checks of the arguments a caller passes, before anything reaches the
library: a wrong type raises TypeError, a value that cannot go ValueError.
Device texts are bytes: a str is the UTF-8 text of those bytes, a byte that
is not part of valid UTF-8 being the lone surrogate U+DC80 to U+DCFF of the
"surrogateescape" error handler, so that any bytes a device sends read as a
str that writes back unchanged (the vandrel tool's JSON spells them
"\udcXX")."""
from __future__ import annotations

import ipaddress
import re
from typing import Union

from . import _native

Text = Union[str, bytes]
_MAC = re.compile(r"^[0-9A-Fa-f]{2}([:-][0-9A-Fa-f]{2}){5}$")


def encode(value: str) -> bytes:
    """The device bytes of a str; ValueError for a surrogate that stands for
    no byte."""
    try:
        return value.encode("utf-8", "surrogateescape")
    except UnicodeEncodeError:
        raise ValueError(f"{value!r} holds a lone surrogate that stands for no byte") from None


def text(value: object, what: str) -> bytes:
    """An argument as the NUL-terminated bytes the library takes."""
    if isinstance(value, str):
        raw = encode(value)
    elif isinstance(value, (bytes, bytearray)):
        raw = bytes(value)
    else:
        raise TypeError(f"{what} must be str or bytes, not {type(value).__name__}")
    if b"\0" in raw:
        raise ValueError(f"{what} must not contain a NUL character")
    return raw


def decode(raw: bytes) -> str:
    """Text from the library; never raises, whatever the device sent."""
    return raw.decode("utf-8", "surrogateescape")


def integer(value: object, what: str, low: int, high: int) -> int:
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{what} must be an int, not {type(value).__name__}")
    if not low <= value <= high:
        raise ValueError(f"{what} must be from {low} to {high}, not {value}")
    return value


def seconds(value: object, what: str) -> float:
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"{what} must be a number of seconds, not {type(value).__name__}")
    if not value >= 0:
        raise ValueError(f"{what} must not be negative")
    return float(value)


def key(value: object) -> bytes:
    """A setting's key; no key of either family is as long as the library's
    key buffer."""
    raw = text(value, "key")
    if not raw or len(raw) >= _native.KEY_LEN:
        raise ValueError(f"no device has a key {value!r}: keys are 1 to {_native.KEY_LEN - 1} characters")
    return raw


def value(raw_value: object, name: str) -> bytes:
    """A setting's value: text or a number, at most as long as a value that
    the library can read back. A device cuts a value longer than its field."""
    if isinstance(raw_value, int) and not isinstance(raw_value, bool):
        raw_value = str(raw_value)
    if not isinstance(raw_value, (str, bytes, bytearray)):
        raise TypeError(f"the value of {name} must be str, bytes or int, not {type(raw_value).__name__}")
    raw = text(raw_value, f"the value of {name}")
    if len(raw) >= _native.VALUE_LEN:
        raise ValueError(f"the value of {name} is {len(raw)} bytes; a device value holds at most {_native.VALUE_LEN - 1}")
    return raw


def address(value: object) -> tuple[str, bool]:
    """An IPv4 address, or a MAC address in the library's form (upper case,
    colons); the flag tells which."""
    if not isinstance(value, str):
        raise TypeError(f"an address must be str, not {type(value).__name__}")
    if _MAC.match(value):
        return value.upper().replace("-", ":"), True
    try:
        return str(ipaddress.IPv4Address(value)), False
    except ValueError:
        raise ValueError(f"{value!r} is neither an IPv4 address nor a MAC address") from None


def host(value: object) -> str:
    """A host to connect to: an IPv4 address or a host name."""
    if not isinstance(value, str):
        raise TypeError(f"a host must be str, not {type(value).__name__}")
    if not value or not value.isascii() or _MAC.match(value) or any(c.isspace() or c == "\0" for c in value):
        raise ValueError(f"{value!r} is neither an IPv4 address nor a host name")
    return value


def port(value: object) -> int:
    return integer(value, "port", 1, 65535)
