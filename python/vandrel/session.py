"""The AT-command configuration session with a family B device over TCP."""
from __future__ import annotations

import ctypes
from types import TracebackType
from typing import Optional, Type, Union

from . import _args, rules
from ._native import VALUE_LEN, OneAtATime, lib
from .audit import Choice, trail_of
from .devices import Device, family_of, resolve
from .errors import OK, WRONG_FAMILY, WrongFamilyError, error_for

_session = OneAtATime("an AT session with {host} is open; the library holds one at a time", "an AT session")


class AtSession:
    """A logged-in AT-command session::

        with vandrel.AtSession("192.0.2.9", "secret") as at:
            print(at["C1_BAUD"])
            at["C1_BAUD"] = 57600

    ``target`` is a family B Device from search() or the device's IP
    address (without ``device_type`` it is asked for its type with a
    search). Values are the device's texts; "_D1"/"_D2" keys read and write
    in decimal. Failures raise the VandrelError of the library's code:
    ReplyTimeoutError (no reply within 2 s), NotSentError (the connection is
    closed), WrongPasswordError, DeviceRefusedError. A key, value or password
    with a control character (a line break would start another command)
    raises SettingRefused before anything is sent. One session can be open
    at a time. Each key written and each reset appends a row to the fleet
    database's audit trail, taken or not; ``audit`` says where, as for
    write()."""

    def __init__(self, target: Union[Device, str], password: str, *, device_type: Optional[int] = None,
                 port: int = 8800, audit: Choice = None) -> None:
        if isinstance(target, Device):
            device_type = target.type
            target = target.ip
        self._type: Optional[int]
        if device_type is None:
            self.host, by_mac = _args.address(target)  # asked for its type with a search
            if by_mac:
                raise ValueError("an AT session connects to the device's IP address, not its MAC")
            self._type = None
        else:
            self.host = _args.host(target)
            self._type = _args.integer(device_type, "device_type", 0, 255)
        self.port = _args.port(port)
        self._password = _args.text(password, "password")
        rules.refuse_control(b"PASS", self._password)
        self._trail, self._own_trail = trail_of(audit)

    def open(self) -> "AtSession":
        """Connects and logs in (a connect waits about 3 s at most, each
        login step 4 s)."""
        device_type = self._type if self._type is not None else resolve(self.host)[1]
        if family_of(device_type) != "B":
            raise WrongFamilyError(WRONG_FAMILY,
                                   f"{self.host}: the AT session serves family B devices, not type {device_type}")

        def login() -> None:
            result = lib.VD_LoginTCP(device_type, self.host.encode(), self.port, self._password)
            if result != OK:
                raise error_for(result, f"{self.host}:{self.port}")

        _session.take(self, login)
        return self

    def get(self, key: str) -> str:
        """The value of one key."""
        name = _args.key(key)
        rules.refuse_control(name, b"")
        value = ctypes.create_string_buffer(VALUE_LEN)
        self._require_open()
        self._check(lib.VD_GetDevConfigTCP(name, value), key)
        return _args.decode(value.value)

    def set(self, key: str, value: Union[str, bytes, int]) -> str:
        """Writes one key; returns the value as sent ("0x%02X" for a decimal
        "_D1"/"_D2" value)."""
        name, text = _args.key(key), _args.value(value, str(key))
        rules.refuse_control(name, text)
        buffer = ctypes.create_string_buffer(text, max(16, len(text) + 1))
        self._require_open()
        result = lib.VD_ModifyDevConfigTCP(name, buffer)
        self._record(name, text, result)
        self._check(result, key)
        return _args.decode(buffer.value)

    def reset(self) -> None:
        """Sends the reset command with the session's password."""
        self._require_open()
        result = lib.VD_ResetDevTCP()
        self._record(b"RESETDEV", b"", result)
        self._check(result, "RESET")

    def close(self) -> None:
        """Ends the session ("AT+EXIT") and closes the connection."""
        _session.give_back(self, lib.VD_ExitTCP)
        if self._trail and self._own_trail:
            self._trail.close()

    def _record(self, key: bytes, value: bytes, result: int) -> None:
        if self._trail:
            self._trail.record_one(self.host, False, key, value, result == OK)

    def _require_open(self) -> None:
        if not _session.holds(self):
            raise RuntimeError("the AT session is not open")

    def _check(self, result: int, what: object) -> None:
        if result != OK:
            raise error_for(result, f"{self.host}: {what}", "the device answered without OK")

    __getitem__ = get
    __setitem__ = set

    def __enter__(self) -> "AtSession":
        return self.open()

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        self.close()
