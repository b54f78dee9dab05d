"""TCP data channels: the library's default channel with its receiver, and
IO-module channels for analogue inputs, IO state, directions and levels."""
from __future__ import annotations

import ctypes
import sys
import threading
import time
from types import TracebackType
from typing import Callable, Optional, Type, Union

from . import _args
from ._native import HostWindow, OneAtATime, WindowProc, lib, library
from .errors import FAIL, NO_CONNECTION, NO_INFO, OK, NoAnswerError, NoConnectionError, error_for
from .rules import data_limits

Receiver = Callable[[bytes], object]
_NOTICE = 0x401  # the message number the receiver's notices carry
_POLL = 0.02  # seconds between looks for an IO module's reply

_channel = OneAtATime("a data channel to {host} is open; the library has one at a time",
                      "a data channel's connect")


class DataChannel:
    """The library's TCP data channel to a device: bytes out with send(),
    and what the device sends back either to ``receiver`` (called with each
    piece, at most 1023 bytes, on the library's notification thread) or,
    without one, collected for receive()::

        with vandrel.DataChannel("192.0.2.7", 8800) as channel:
            channel.send(b"\\xaa\\x05\\x00\\xaf\\x0d")
            print(channel.receive(timeout=0.5))

    A device may send without end: between two receive() calls at most
    ``max_bytes`` are kept (65536 unless raised, 1048576 at most, the
    vandrel tool's caps), the rest dropped; ``dropped`` then tells how many
    bytes the last receive() lost.

    The library has one such channel, so one DataChannel can be open at a time."""

    def __init__(self, host: str, port: int = 8800, receiver: Optional[Receiver] = None,
                 max_bytes: Optional[int] = None) -> None:
        self.host = _args.host(host)
        self.port = _args.port(port)
        if receiver is not None and not callable(receiver):
            raise TypeError(f"receiver must be callable, not {type(receiver).__name__}")
        default, most = data_limits()
        self._cap = default if max_bytes is None else _args.integer(max_bytes, "max_bytes", 1, most)
        self._receiver = receiver
        self._arrived = bytearray()
        self._dropped = 0
        self.dropped = 0
        self._condition = threading.Condition()
        self._window = HostWindow(WindowProc(self._notice), None)

    def open(self) -> "DataChannel":
        """Connects (waits about 3 s at most); raises NoConnectionError."""
        _channel.take(self, self._connect)
        return self

    def send(self, data: Union[bytes, bytearray, str]) -> int:
        """Sends bytes (a str goes as its device bytes, as every text of the
        module); returns how many were sent."""
        raw = _args.encode(data) if isinstance(data, str) else data
        if not isinstance(raw, (bytes, bytearray)):
            raise TypeError(f"data must be bytes or str, not {type(data).__name__}")
        if not _channel.holds(self):
            raise RuntimeError("the data channel is not open")
        if not raw:
            return 0
        sent: int = lib.VD_TCPSend(bytes(raw), len(raw))
        if sent <= 0:
            raise error_for(sent, f"{self.host}:{self.port}", "the send would block")
        return sent

    def receive(self, timeout: float = 1.0) -> bytes:
        """What arrived since the last call, waiting up to ``timeout`` seconds
        for the first byte; b"" when nothing came. At most ``max_bytes``:
        ``dropped`` becomes the number of bytes that came beyond them."""
        if self._receiver is not None:
            raise RuntimeError("this channel hands what arrives to its receiver")
        wait = _args.seconds(timeout, "timeout")
        with self._condition:
            self._condition.wait_for(lambda: self._arrived or self._dropped, wait)
            data = bytes(self._arrived)
            self._arrived.clear()
            self.dropped, self._dropped = self._dropped, 0
        return data

    def close(self) -> None:
        _channel.give_back(self, self._disconnect)

    def __enter__(self) -> "DataChannel":
        return self.open()

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        self.close()

    def _connect(self) -> None:
        # Set first: data the device sends at once is not lost.
        lib.VD_TCPSetRecHWnd(ctypes.byref(self._window), _NOTICE)
        if lib.VD_TCPConnect(self.host.encode(), self.port) != OK:
            with library.between_dispatches():
                lib.VD_TCPSetRecHWnd(None, 0)
            raise NoConnectionError(NO_CONNECTION, f"{self.host}:{self.port}: no connection{library.connect_hint()}")

    @staticmethod
    def _disconnect() -> None:
        lib.VD_TCPSetRecHWnd(None, 0)
        lib.VD_TCPDisconnect()

    def _notice(self, window: object, message: int, data: int, count: int) -> int:
        piece = ctypes.string_at(data, count)
        if self._receiver is None:
            with self._condition:
                room = self._cap - len(self._arrived)
                self._arrived += piece[:room]
                self._dropped += max(0, len(piece) - room)
                self._condition.notify_all()
            return 0
        try:
            self._receiver(piece)
        except Exception:  # nothing can be raised into the library: reported as Python reports it
            sys.excepthook(*sys.exc_info())
        return 0


class IOModule:
    """An IO module on a TCP channel of its own::

        with vandrel.IOModule("192.0.2.20") as io:
            first, second = io.analog()
            io.set_direction(0x0F)
            io.set_level(0x05)

    Several can be open at a time. The device answers reads on the channel;
    a read waits up to ``timeout`` seconds for the answer to its request."""

    def __init__(self, host: str, port: int = 8800) -> None:
        self.host = _args.host(host)
        self.port = _args.port(port)
        self._handle: Optional[int] = None

    def open(self) -> "IOModule":
        """Connects (waits about 3 s at most); raises NoConnectionError."""
        if self._handle is not None:
            return self
        library.hold("an IO module's connect")
        self._handle = lib.VD_TCPInit(self.host.encode(), self.port)
        if not self._handle:
            library.release()
            raise NoConnectionError(NO_CONNECTION, f"{self.host}:{self.port}: no connection{library.connect_hint()}")
        return self

    def analog(self, timeout: float = 1.0) -> tuple[int, int]:
        """The two analogue input readings ("GETADC")."""
        return self._read(lib.VD_GetAD, ctypes.c_uint32, "GETADC", timeout)

    def io_state(self, timeout: float = 1.0) -> tuple[int, int]:
        """The two IO state bytes ("GETIOSTAT")."""
        return self._read(lib.VD_GetIO, ctypes.c_uint8, "GETIOSTAT", timeout)

    def set_direction(self, value: int) -> None:
        """Sets the IO lines' directions ("SETIODIR"), one bit a line."""
        value = _args.integer(value, "value", 0, 255)
        self._check(lib.VD_SetIODir(self._live(), value), "SETIODIR")

    def set_level(self, value: int) -> None:
        """Sets the output lines' levels ("SETIOLEVEL"), one bit a line."""
        value = _args.integer(value, "value", 0, 255)
        self._check(lib.VD_SetIOLevel(self._live(), value), "SETIOLEVEL")

    def close(self) -> None:
        if self._handle is None:
            return
        with library.between_dispatches():
            lib.VD_TCPUninit(self._handle)
        library.release()
        self._handle = None

    def __enter__(self) -> "IOModule":
        return self.open()

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        self.close()

    def _read(self, read: Callable[..., int], kind: type, name: str, timeout: float) -> tuple[int, int]:
        # Each library read hands back the answer to an earlier request and
        # sends a new one: the first call only clears what an earlier read
        # left and asks, the following ones wait for the answer.
        wait = _args.seconds(timeout, "timeout")
        first, second = kind(), kind()
        self._check(read(self._live(), first, second), name)
        deadline = time.monotonic() + wait
        while time.monotonic() < deadline:
            time.sleep(_POLL)
            if self._check(read(self._live(), first, second), name):
                return first.value, second.value
        raise NoAnswerError(NO_INFO, f"{self.host}:{self.port}: no answer to {name} within {wait:g} s")

    def _live(self) -> int:
        if self._handle is None:
            raise RuntimeError("the IO module's channel is not open")
        return self._handle

    def _check(self, result: int, name: str) -> bool:
        if result not in (OK, FAIL):
            raise error_for(result, f"{self.host}:{self.port}: {name}")
        return result == OK
