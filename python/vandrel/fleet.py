"""Many devices at once: reads, writes, commands and searches through the
library's fleet interface (vandrel_fleet.h), each answered by a
concurrent.futures.Future.

The library runs every operation side by side on a thread and a socket loop
of its own; a thread of the Fleet's waits on the fleet's completion handle
and, as each operation ends, checks what it read as read() and write() do,
sends a write on once its checks pass, and settles the operation's future.
"""
from __future__ import annotations

import collections
import ctypes
import functools
import os
import selectors
import threading
from concurrent.futures import Future
from dataclasses import dataclass, field
from typing import Deque, Mapping, Optional, Union

from . import _args
from . import audit as _audit
from ._native import KEY_LEN, VALUE_LEN, lib
from .commands import command_error
from .devices import SEARCH_LIMIT, Device, Target, ipv4, family_of, resolve, taken
from .errors import FAIL, OK, WRONG_FAMILY, VandrelError, WrongThreadError, error_for
from .settings import Value, check_changes, check_type, read_error, staged_changes, write_error

# The longest deadline the library takes, in milliseconds.
_MOST_MS = 0xFFFFFFFF


@dataclass
class _Job:
    """One read, write or command of the Fleet, from its first operation to
    its future."""

    address: str
    device_type: int
    future: Future
    staged: Optional[list[tuple[bytes, bytes]]] = None  # None: a read or a command
    secret: bytes = b""
    force: bool = False
    writing: bool = False  # its read has passed the checks and its write is sent
    current: dict[bytes, bytes] = field(default_factory=dict)
    command: Optional[tuple[bytes, bytes]] = None  # a command's name and parameter


@dataclass
class _Search:
    """One search of the Fleet: it keeps the first ``limit`` answers."""

    future: Future
    limit: int


class Fleet:
    """Reads and writes of many devices at once, in one process::

        with vandrel.Fleet() as fleet:
            reads = {address: fleet.read(address, device_type=5) for address in addresses}
            for address, future in reads.items():
                print(address, future.result()["NAME"])

    read() and write() return at once with a Future, whose result() is what
    vandrel.read() returns (every setting, the password left out), or None
    for a write; and whose exception is the one vandrel.read() or
    vandrel.write() would raise, with the same code. A write is checked as
    write() checks it: the device is read first, and a setting the checks
    refuse fails the future with SettingRefused before anything is sent.
    Arguments that no device could take raise at once, as they do there.

    command() sends a named command over UDP and search() searches, as
    vandrel.command() and vandrel.search() do, each answered by a Future
    too; a search runs beside every other operation.

    Operations on different devices run concurrently; those on one device
    run one after the other, in the order given. ``timeout`` bounds each
    operation's answer, in seconds (a device that does not answer fails
    with NoAnswerError then). Leaving the ``with`` block, or close(), waits
    for every operation given. ``audit`` says where the writes are recorded,
    as for write().
    """

    def __init__(self, *, timeout: float = 5.0, audit: _audit.Choice = None) -> None:
        self._deadline = min(_MOST_MS, int(_args.seconds(timeout, "timeout") * 1000))
        self._trail, self._own_trail = _audit.trail_of(audit)
        self._handle = lib.VF_Create(None, None)
        if not self._handle:
            raise OSError("vandrel: the library could not start a fleet")
        self._lock = threading.Condition()
        self._running: dict[int, Union[_Job, _Search]] = {}
        self._devices: dict[str, Deque[_Job]] = {}
        self._searches = 0  # searches running
        self._closed = False
        self._wake = os.pipe()
        self._thread = threading.Thread(target=self._dispatch, name="vandrel-fleet", daemon=True)
        self._thread.start()

    def __enter__(self) -> "Fleet":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def read(self, target: Target, *, device_type: Optional[int] = None) -> "Future[dict[str, str]]":
        """Reads every setting of a device, as vandrel.read() without keys."""
        return self._submit(_Job(*self._resolved(target, device_type), Future()))

    def write(self, target: Target, changes: Mapping[str, Value], password: str, *,
              device_type: Optional[int] = None, force: bool = False) -> "Future[None]":
        """Writes changed settings to a device, as vandrel.write() does."""
        staged = staged_changes(changes)
        secret = _args.text(password, "password")
        job = _Job(*self._resolved(target, device_type), Future(), staged, secret, bool(force))
        return self._submit(job)

    def command(self, target: Target, name: str, param: str = "", *,
                device_type: Optional[int] = None) -> "Future[None]":
        """Sends one named command over UDP, as vandrel.command() without
        tcp: "RESETDEV", "10TCTRLIO" or "RESETDEV10T" to a family A device,
        "RESETDEV" to a family B device (by broadcast naming its MAC, which
        is then the parameter). The future's result is None once it went
        out (a UDP command is not answered); its exception VandrelError when
        the device's type does not take it or the send failed. It goes once
        the device's earlier operations have ended, and is audited as
        vandrel.command() audits it."""
        job = _Job(*self._resolved(target, device_type), Future())
        command_name = _args.text(name, "command name")
        by_mac = family_of(job.device_type) == "B"
        job.command = (command_name, job.address.encode() if by_mac else _args.text(param, "param"))
        return self._submit(job)

    def restart(self, target: Target, *, device_type: Optional[int] = None) -> "Future[None]":
        """Restarts a device (RESETDEV), as command() sends it."""
        return self.command(target, "RESETDEV", "1", device_type=device_type)

    def search(self, address: Optional[str] = None, wait: float = 0.5, *, until: Optional[str] = None,
               limit: int = SEARCH_LIMIT) -> "Future[list[Device]]":
        """Searches as vandrel.search() does, for ``wait`` seconds: the
        broadcast, or one IPv4 address (a directed broadcast address too; a
        range is vandrel.search()'s alone). The future's result is the
        devices that answered, each distinct answer once, in the order they
        came, the first ``limit`` of them. With ``until`` (a device's IP or
        MAC) the search ends as soon as that device answered."""
        wait_ms = min(_MOST_MS, int(_args.seconds(wait, "wait") * 1000))
        limit = _args.integer(limit, "limit", 1, SEARCH_LIMIT)
        if isinstance(address, str) and "/" in address:
            raise ValueError(f"'{address}': a Fleet searches one address; vandrel.search() takes a range")
        asked = None if address is None else ipv4(address)
        awaited = None if until is None else _args.address(until)[0].encode()
        job = _Search(Future(), limit)
        job.future.set_running_or_notify_cancel()
        with self._lock:
            self._check_open()
            op = lib.VF_Search(self._handle, asked, awaited, wait_ms)
            if not op:
                raise OSError("vandrel: the library could not start a search")
            self._running[op] = job
            self._searches += 1
        return job.future

    def close(self) -> None:
        """Waits for every operation given, then stops the fleet."""
        if threading.current_thread() is self._thread:
            raise WrongThreadError("vandrel: a Fleet cannot be closed from a callback of its own futures")
        with self._lock:
            if self._closed:
                return
            self._closed = True
            self._lock.wait_for(lambda: not self._devices and not self._searches)
        os.write(self._wake[1], b"x")
        self._thread.join()
        lib.VF_Destroy(self._handle)
        for end in self._wake:
            os.close(end)
        if self._trail and self._own_trail:
            self._trail.close()

    @staticmethod
    def _resolved(target: Target, device_type: Optional[int]) -> tuple[str, int]:
        address, code, by_mac = resolve(target, device_type)
        # As the library's single-device calls, which refuse the wrong family at once.
        if by_mac != (family_of(code) == "B") and (by_mac or family_of(code)):
            raise error_for(WRONG_FAMILY, address)
        return address, code

    def _submit(self, job: _Job) -> Future:
        job.future.set_running_or_notify_cancel()
        with self._lock:
            self._check_open()
            queue = self._devices.setdefault(job.address, collections.deque())
            queue.append(job)
            if len(queue) == 1:
                self._start(job)
        return job.future

    def _check_open(self) -> None:
        if self._closed:
            raise RuntimeError("vandrel: this Fleet is closed")

    def _start(self, job: _Job) -> None:
        """Sends the job's first operation, a command or a read (the lock is held)."""
        if job.command:
            op = lib.VF_Command(self._handle, job.address.encode(), job.device_type, *job.command, self._deadline)
        else:
            op = lib.VF_Read(self._handle, job.address.encode(), job.device_type, self._deadline)
        self._running[op] = job

    def _dispatch(self) -> None:
        with selectors.DefaultSelector() as waiting:
            waiting.register(lib.VF_CompletionHandle(self._handle), selectors.EVENT_READ)
            waiting.register(self._wake[0], selectors.EVENT_READ)
            while not any(key.fd == self._wake[0] for key, _ in waiting.select()):
                op = lib.VF_TakeCompleted(self._handle)
                while op:
                    self._ended(op)
                    op = lib.VF_TakeCompleted(self._handle)

    def _ended(self, op: int) -> None:
        with self._lock:
            job = self._running.pop(op)
        if isinstance(job, _Search):
            self._searched(op, job)
            return
        result = lib.VF_Result(self._handle, op)
        pairs = self._pairs(op) if result in (OK, FAIL) else {}
        lib.VF_Release(self._handle, op)
        try:
            outcome = self._next(job, result, pairs)
        except Exception as error:  # the job's failure, handed to its future
            outcome = error
        if outcome is not _SENT:
            self._finish(job, outcome)

    def _next(self, job: _Job, result: int, pairs: dict[bytes, bytes]) -> object:
        """What the job ends with, or _SENT when its write has been sent."""
        if job.command:
            return self._commanded(job, *job.command, result)
        if job.writing:
            if self._trail:
                self._trail.record(job.address, job.device_type, job.current, job.staged or [], result, list(pairs))
            if result != OK:
                return write_error(result, job.address, [_args.decode(k) for k in pairs])
            return None
        if result != OK:
            return read_error(FAIL if result == WRONG_FAMILY else result, job.address)
        check_type(job.address, job.device_type, pairs.get(b"TYPE", b""))
        if job.staged is None:
            return {_args.decode(k): _args.decode(v) for k, v in pairs.items()}
        check_changes(job.device_type, job.staged, pairs, job.force)
        job.writing, job.current = True, pairs
        self._send_write(job)
        return _SENT

    def _commanded(self, job: _Job, name: bytes, param: bytes, result: int) -> Optional[VandrelError]:
        if self._trail:
            self._trail.record_one(job.address, family_of(job.device_type) == "B", name, param, result == OK)
        return None if result == OK else command_error(result, job.address, name)

    def _searched(self, op: int, job: _Search) -> None:
        """Settles an ended search with its answers."""
        result = lib.VF_Result(self._handle, op)
        found = taken(functools.partial(lib.VF_TakeFound, self._handle, op), job.limit)
        lib.VF_Release(self._handle, op)
        with self._lock:
            self._searches -= 1
            self._lock.notify_all()
        if result in (OK, FAIL):
            job.future.set_result(found)
        else:
            job.future.set_exception(VandrelError(result, "vandrel: the search could not be carried out"))

    def _send_write(self, job: _Job) -> None:
        staged = job.staged or []
        keys = (ctypes.c_char_p * len(staged))(*(k for k, _ in staged))
        values = (ctypes.c_char_p * len(staged))(*(v for _, v in staged))
        with self._lock:
            op = lib.VF_Write(self._handle, job.address.encode(), job.device_type, job.secret, keys, values,
                              len(staged), self._deadline)
            self._running[op] = job

    def _finish(self, job: _Job, outcome: object) -> None:
        with self._lock:
            queue = self._devices[job.address]
            queue.popleft()
            if queue:
                self._start(queue[0])
            else:
                del self._devices[job.address]
                self._lock.notify_all()
        if isinstance(outcome, BaseException):
            job.future.set_exception(outcome)
        else:
            job.future.set_result(outcome)

    def _pairs(self, op: int) -> dict[bytes, bytes]:
        """An ended operation's pairs, as the library holds them."""
        found: dict[bytes, bytes] = {}
        key, value = ctypes.create_string_buffer(KEY_LEN), ctypes.create_string_buffer(VALUE_LEN)
        index = 0
        while lib.VF_GetPair(self._handle, op, index, key, value) == OK:
            found[key.value] = value.value
            index += 1
        return found


_SENT = object()
