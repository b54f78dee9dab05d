"""The fleet database's audit trail: each write of the module appends a row
a key, and each command that acts on a device and each key an AT session
writes a row, to the file the vandrel tool keeps (docs/fleet-memory.md), through
libvandrel-fleetdb, the tool's own writer. Where that library is not
installed, or the database is off (``audit=False``, or VANDREL_DB=off),
nothing is recorded and nothing is said."""
from __future__ import annotations

import ctypes
import os
import threading
import warnings
from ctypes import POINTER, c_char, c_char_p, c_int32, c_size_t, c_uint32, c_void_p
from typing import Optional, Sequence, Union

from . import _args, _native, rules
from .devices import family_of
from .errors import FAIL, OK

SONAME = "libvandrel-fleetdb.so.1"
MESSAGE_LEN = 512


class _Row(ctypes.Structure):
    _fields_ = [("key", c_char_p), ("before", c_char_p), ("after", c_char_p), ("confirmed", c_int32)]


class _Pair(ctypes.Structure):
    _fields_ = [("key", c_char_p), ("value", c_char_p)]


def _load() -> Optional[ctypes.CDLL]:
    """Beside libvandrel wherever that is looked for, then the dynamic
    loader's own search; None when it is nowhere."""
    folders = [os.path.dirname(path) for path in _native.candidates() if os.path.dirname(path)]
    for path in [os.path.join(folder, SONAME) for folder in folders] + [SONAME]:
        try:
            dll = ctypes.CDLL(path)
        except OSError:
            continue
        dll.VDB_Open.restype = c_void_p
        dll.VDB_Open.argtypes = (c_char_p, POINTER(c_char), c_size_t)
        dll.VDB_AppendWrite.restype = c_int32
        dll.VDB_AppendWrite.argtypes = (c_void_p, c_char_p, c_char_p, c_char_p, c_char_p, c_char_p, POINTER(_Row),
                                        c_uint32, POINTER(c_char), c_size_t)
        dll.VDB_KeepSnapshot.restype = c_int32
        dll.VDB_KeepSnapshot.argtypes = (c_void_p, c_char_p, c_char_p, c_int32, POINTER(_Pair), c_uint32,
                                         POINTER(c_char), c_size_t)
        dll.VDB_Close.restype = None
        dll.VDB_Close.argtypes = (c_void_p,)
        return dll
    return None


_fleetdb = _load()


class AuditTrail:
    """Where and as whom writes are recorded: ``path`` (else as the vandrel
    tool chooses: VANDREL_DB, else the user's state file), ``channel``
    ("python" unless a front end names its own), ``actor`` (else the user
    the process runs as) and ``operation`` (else a new one for each
    write). The file opens at the first write; one that cannot be opened
    or written is warned of once (RuntimeWarning), and writes go on. Any
    thread may use it; close() closes the file."""

    def __init__(self, path: Union[str, "os.PathLike[str]", None] = None, *, channel: str = "python",
                 actor: Optional[str] = None, operation: Optional[str] = None) -> None:
        self._path = None if path is None else _args.text(os.fsencode(path), "path")
        self._channel = _args.text(channel, "channel")
        self._actor = None if actor is None else _args.text(actor, "actor")
        self._operation = None if operation is None else _args.text(operation, "operation")
        self._lock = threading.Lock()
        self._db: Optional[int] = None
        self._tried = self._warned = False

    def __enter__(self) -> "AuditTrail":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def close(self) -> None:
        with self._lock:
            if self._db and _fleetdb:
                _fleetdb.VDB_Close(self._db)
            self._db = None

    def record(self, address: str, device_type: int, current: dict[bytes, bytes],
               staged: Sequence[tuple[bytes, bytes]], result: int, not_confirmed: Sequence[bytes]) -> None:
        """The rows of one write whose changes were sent (result OK or FAIL,
        with the keys the device was not seen to hold)."""
        if result not in (OK, FAIL) or not _fleetdb:
            return
        # A family B write that did not take is written back whole.
        undone = result == FAIL and family_of(device_type) == "B"
        rows = (_Row * len(staged))()
        for row, (key, value) in zip(rows, staged):
            # A read always shows the password; the fleet's leaves it out.
            row.key, row.after = key, value
            row.before = current.get(key, b"" if rules.is_secret(key) else None)
            row.confirmed = not undone and key not in not_confirmed
        mac = address if family_of(device_type) == "B" else _args.decode(current.get(b"MAC", b""))
        with self._lock:
            self._append(address.encode(), mac.encode(), rows)

    def record_one(self, address: str, by_mac: bool, key: bytes, after: bytes, confirmed: bool) -> None:
        """A row without a value before: a command that acts on the device
        (the command as its key, its parameter after), or a key an AT
        session writes; and whether the device took it."""
        if not _fleetdb:
            return
        rows = (_Row * 1)(_Row(key, None, after, confirmed))
        with self._lock:
            self._append(address.encode(), address.encode() if by_mac else b"", rows)

    def keep(self, address: str, device_type: int, settings: dict[bytes, bytes]) -> None:
        """A snapshot of what a whole read gave (the password left out)."""
        if not _fleetdb:
            return
        pairs = (_Pair * len(settings))(*(_Pair(key, value) for key, value in settings.items()))
        mac = address if family_of(device_type) == "B" else ""
        with self._lock:
            self._call(lambda message: _fleetdb.VDB_KeepSnapshot(self._db, address.encode(), mac.encode(), device_type,
                                                                 pairs, len(pairs), message, MESSAGE_LEN))

    def _append(self, device: bytes, mac: bytes, rows: ctypes.Array) -> None:
        self._call(lambda message: _fleetdb.VDB_AppendWrite(self._db, self._actor, self._channel, device, mac,
                                                            self._operation, rows, len(rows), message, MESSAGE_LEN))

    def _call(self, recorded) -> None:
        """Opens the file the first time, then records; warns once of a failure."""
        message = ctypes.create_string_buffer(MESSAGE_LEN)
        assert _fleetdb
        if not self._tried:
            self._tried = True
            self._db = _fleetdb.VDB_Open(self._path, message, MESSAGE_LEN)
        if self._db and recorded(message) == 1:
            return
        if message.value and not self._warned:
            self._warned = True
            warnings.warn(f"vandrel: {_args.decode(message.value)}; going on without it", RuntimeWarning, stacklevel=5)


Choice = Union[AuditTrail, bool, None]


def trail_of(choice: Choice) -> tuple[Optional[AuditTrail], bool]:
    """The trail a write records in (None: none), and whether it is the
    write's own, to close after it; TypeError for anything else."""
    if choice is None or choice is True:
        return AuditTrail(), True
    if choice is False:
        return None, False
    if not isinstance(choice, AuditTrail):
        raise TypeError(f"audit must be an AuditTrail, None or False, not {type(choice).__name__}")
    return choice, False
