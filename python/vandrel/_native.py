"""libvandrel through ctypes: finding and loading it, the declarations of its
exports, and the thread that owns its socket notifications.

The library hands its socket notifications (a connect finished, data
arrived, the peer closed) to the thread that loaded it, and only while that
thread calls VD_PumpMessages. So the library is loaded here on a thread of
the module's own, which pumps while a TCP connection is open or being made:
connects made on any other thread complete, and a data channel's receiver
is called on that thread.
"""
from __future__ import annotations

import atexit
import contextlib
import ctypes
import os
import threading
from ctypes import POINTER, c_char, c_char_p, c_int32, c_size_t, c_ssize_t, c_uint8, c_uint32, c_uint64, c_void_p
from typing import Any, Callable, Iterator

from .errors import WrongThreadError

SONAME = "libvandrel.so.1"

# Room the host gives for each out text, terminator included.
IP_LEN, VERSION_LEN, MAC_LEN, KEY_LEN, VALUE_LEN, PARAM_LEN = 16, 5, 18, 32, 64, 12

# How long one VD_PumpMessages call waits; closing a channel waits for it.
_PUMP_MS = 50


class HostWindow(ctypes.Structure):
    """VD_HostWindow: the library calls proc for each piece of data that
    arrives on the default data channel."""


WindowProc = ctypes.CFUNCTYPE(c_ssize_t, POINTER(HostWindow), c_uint32, c_size_t, c_ssize_t)
HostWindow._fields_ = [("proc", WindowProc), ("user", c_void_p)]

_OUT = POINTER(c_char)  # a buffer the library writes
_PROTOTYPES = {
    "VD_SearchAll": (c_int32,),
    "VD_Search": (c_int32, c_char_p),
    "VD_GetSearchDev": (c_int32, _OUT, _OUT, _OUT, POINTER(c_uint8), POINTER(c_uint8), POINTER(c_uint32)),
    "VD_GetDevInfoUDPbyIP": (c_int32, c_char_p, c_int32),
    "VD_GetDevInfoUDPbyMAC": (c_int32, c_char_p, c_int32),
    "VD_GetDevConfigUDP": (c_int32, _OUT, _OUT),
    "VD_ResetModifyConfigUDP": (c_int32,),
    "VD_SetModifyConfigUDP": (c_int32, c_char_p, c_char_p),
    "VD_ModifyDevUDPbyIP": (c_int32, c_char_p, c_char_p, c_int32),
    "VD_ModifyDevUDPbyMAC": (c_int32, c_char_p, c_char_p, c_int32),
    "VD_SendCmd": (c_int32, c_int32, c_char_p, c_uint32, c_char_p, _OUT, c_uint8),
    "VD_LoginTCP": (c_int32, c_int32, c_char_p, c_uint32, c_char_p),
    "VD_GetDevConfigTCP": (c_int32, c_char_p, _OUT),
    "VD_ModifyDevConfigTCP": (c_int32, c_char_p, _OUT),
    "VD_ResetDevTCP": (c_int32,),
    "VD_ExitTCP": (c_int32,),
    "VD_TCPConnect": (c_int32, c_char_p, c_uint32),
    "VD_TCPSend": (c_int32, c_char_p, c_int32),
    "VD_TCPSetRecHWnd": (c_int32, POINTER(HostWindow), c_uint32),
    "VD_TCPDisconnect": (c_int32,),
    "VD_TCPInit": (c_void_p, c_char_p, c_uint32),
    "VD_TCPUninit": (c_int32, c_void_p),
    "VD_GetAD": (c_int32, c_void_p, POINTER(c_uint32), POINTER(c_uint32)),
    "VD_GetIO": (c_int32, c_void_p, POINTER(c_uint8), POINTER(c_uint8)),
    "VD_SetIODir": (c_int32, c_void_p, c_uint8),
    "VD_SetIOLevel": (c_int32, c_void_p, c_uint8),
    "VD_PumpMessages": (c_int32, c_int32),
    # The fleet interface (vandrel_fleet.h): a fleet is an opaque pointer, an
    # operation a number.
    "VF_Create": (c_void_p, c_void_p, c_void_p),
    "VF_Destroy": (None, c_void_p),
    "VF_Read": (c_uint64, c_void_p, c_char_p, c_int32, c_uint32),
    "VF_Write": (c_uint64, c_void_p, c_char_p, c_int32, c_char_p, POINTER(c_char_p), POINTER(c_char_p), c_uint32,
                 c_uint32),
    "VF_Command": (c_uint64, c_void_p, c_char_p, c_int32, c_char_p, c_char_p, c_uint32),
    "VF_Search": (c_uint64, c_void_p, c_char_p, c_char_p, c_uint32),
    "VF_TakeFound": (c_int32, c_void_p, c_uint64, _OUT, _OUT, _OUT, POINTER(c_uint8), POINTER(c_uint8),
                     POINTER(c_uint32)),
    "VF_Result": (c_int32, c_void_p, c_uint64),
    "VF_GetPair": (c_int32, c_void_p, c_uint64, c_uint32, _OUT, _OUT),
    "VF_TakeCompleted": (c_uint64, c_void_p),
    "VF_CompletionHandle": (c_ssize_t, c_void_p),
    "VF_Release": (None, c_void_p, c_uint64),
}


def candidates() -> list[str]:
    """Where to look: VANDREL_LIB alone when it is set (the library file, or
    its folder); else where the library was installed beside this module,
    then the dynamic loader's own search."""
    chosen = os.environ.get("VANDREL_LIB")
    if chosen:
        return [os.path.join(chosen, SONAME) if os.path.isdir(chosen) else chosen]
    paths = []
    try:
        from ._installed import LIBRARY  # type: ignore[import]  # written when installing
    except ImportError:
        pass
    else:
        installed = os.path.normpath(os.path.join(os.path.dirname(__file__), LIBRARY))
        if os.path.exists(installed):
            paths.append(installed)
    return paths + [SONAME]


def _load() -> tuple[ctypes.CDLL, bool]:
    """The library with its exports declared, and whether this call loaded it
    (rather than finding it already loaded by the process)."""
    failures = []
    for path in candidates():
        try:
            ctypes.CDLL(path, mode=os.RTLD_NOLOAD)
            loaded_before = True
        except OSError:
            loaded_before = False
        try:
            dll = ctypes.CDLL(path)
        except OSError as error:
            failures.append(str(error))
            continue
        for name, (result, *arguments) in _PROTOTYPES.items():
            try:
                function = getattr(dll, name)
            except AttributeError:
                raise ImportError(f"vandrel: {path} is not libvandrel 1: it lacks {name}") from None
            function.restype = result
            function.argtypes = arguments
        return dll, not loaded_before
    if os.environ.get("VANDREL_LIB"):
        raise ImportError(f"vandrel: cannot load the library that VANDREL_LIB names ({'; '.join(failures)})")
    raise ImportError(f"vandrel: cannot load {SONAME} ({'; '.join(failures)}); install libvandrel "
                      "(cmake --install, or the libvandrel1 package), or set VANDREL_LIB to the library "
                      "file or its folder")


class Library:
    """The loaded library and the thread that owns its notifications."""

    def __init__(self) -> None:
        self.dll: ctypes.CDLL
        # Held while notifications are dispatched: a channel is not closed
        # or destroyed under a notification for it.
        self._dispatch = threading.RLock()
        self._wake = threading.Condition()
        self._users = 0
        self._waiting = 0  # threads that wait for a pause between dispatches
        self._stopped = False
        self._failure: ImportError | None = None
        self._owner = True
        ready = threading.Event()
        self._thread = threading.Thread(target=self._run, args=(ready,), name="vandrel-notifications", daemon=True)
        self._thread.start()
        ready.wait()
        if self._failure:
            raise ImportError(str(self._failure)) from None
        atexit.register(self._stop)

    def _run(self, ready: threading.Event) -> None:
        try:
            self.dll, self._owner = _load()
        except ImportError as error:
            self._failure = error
        ready.set()
        if self._failure or not self._owner:
            return
        while True:
            with self._wake:
                while (not self._users or self._waiting) and not self._stopped:
                    self._wake.wait()
                if self._stopped:
                    break
            with self._dispatch:
                self.dll.VD_PumpMessages(_PUMP_MS)
        # Parked rather than ended: the library's notifications belong to this
        # thread until the process ends.
        threading.Event().wait()

    def _stop(self) -> None:
        with self._wake:
            self._stopped = True
            self._wake.notify()
        with self.between_dispatches():
            pass

    @contextlib.contextmanager
    def between_dispatches(self) -> Iterator[None]:
        """No notification is dispatched while this lasts; it begins once the
        pump under way returns. Python's locks are not fair: without the
        count, a device that never stops sending would keep the dispatching
        thread taking the lock again, and a close waiting for ever."""
        with self._wake:
            self._waiting += 1
        try:
            with self._dispatch:
                yield
        finally:
            with self._wake:
                self._waiting -= 1
                self._wake.notify()

    def check_thread(self, what: str) -> None:
        """Refuses a connect on the notification thread, which would wait for
        notifications that only it can dispatch."""
        if threading.current_thread() is self._thread:
            raise WrongThreadError(
                f"vandrel: {what} cannot be made inside a data channel's receiver, which runs on the thread "
                "that dispatches the library's notifications; hand the work to another thread")

    @contextlib.contextmanager
    def pumping(self, what: str) -> Iterator[None]:
        """Notifications are dispatched for as long as this lasts."""
        self.hold(what)
        try:
            yield
        finally:
            self.release()

    def hold(self, what: str) -> None:
        self.check_thread(what)
        with self._wake:
            self._users += 1
            self._wake.notify()

    def release(self) -> None:
        with self._wake:
            self._users -= 1

    def connect_hint(self) -> str:
        """Why connects may fail when this module did not load the library."""
        if self._owner:
            return ""
        return (" (libvandrel was loaded by this process before the vandrel module: connects complete only "
                "while the thread that loaded it calls VD_PumpMessages)")


library = Library()
lib = library.dll


class OneAtATime:
    """One of the objects the library has a single one of (the default data
    channel, the AT session): held by one Python object at a time, with the
    notifications pumped for as long as it holds it."""

    def __init__(self, busy: str, pumping_for: str) -> None:
        self._busy = busy  # the refusal while held, with {host} of the holder
        self._pumping_for = pumping_for
        self._lock = threading.Lock()
        self._holder: Any = None

    def holds(self, holder: object) -> bool:
        return self._holder is holder

    def take(self, holder: Any, connect: Callable[[], None]) -> None:
        """Gives the object to holder once connect returns; connect raises
        when it cannot connect, and the object stays free."""
        with self._lock:
            if self._holder is not None:
                raise RuntimeError(self._busy.format(host=self._holder.host))
            library.hold(self._pumping_for)
            try:
                connect()
            except BaseException:
                library.release()
                raise
            self._holder = holder

    def give_back(self, holder: object, disconnect: Callable[[], None]) -> None:
        """Disconnects and frees the object, when holder holds it."""
        with self._lock:
            if self._holder is not holder:
                return
            with library.between_dispatches():
                disconnect()
            library.release()
            self._holder = None
# A sequence of UDP calls (a search and its collection, a read and its
# pairs, staging and the write) runs as one among this process's threads.
udp = threading.RLock()
