r"""Vandrel for Python: find, inspect and configure network device servers.

A Pythonic layer over libvandrel's C interface (through ctypes, standard
library only)::

    import vandrel

    for device in vandrel.search(wait=0.5):      # a broadcast: run it only where that is fine
        print(device.ip, device.mac, device.type)
    settings = vandrel.read("192.0.2.7")          # {"NAME": "pump-1", "IP": "192.0.2.7", ...}
    vandrel.write("192.0.2.7", {"NAME": "pump-2"}, password="secret")
    for refused in vandrel.check(5, {"NAME": "a-name-too-long", "NAEM": "x"}):
        print(refused)                            # worded as the vandrel tool's set
    for rule in vandrel.key_rules(5):             # each key's label, group, unit and choices
        print(rule.key, rule.label, rule.takes)
    with vandrel.AtSession("192.0.2.9", "secret") as at:
        at["C1_BAUD"] = 57600
    with vandrel.IOModule("192.0.2.20") as io:
        print(io.analog())
    with vandrel.DataChannel("192.0.2.7", 8800, receiver=print) as channel:
        channel.send(b"hello")
    with vandrel.Fleet() as fleet:                # many devices at once, each a Future
        reads = [fleet.read(device) for device in vandrel.search(wait=0.5)]
        names = [read.result()["NAME"] for read in reads]

Failures raise VandrelError subclasses carrying the library's return code
(``error.code``). A setting that write() or an AtSession refuses before
anything is sent raises SettingRefused (a ValueError) with ``key``,
``value``, ``stored`` (what the device would store, None for a key it does
not have) and the vandrel tool's wording; check() lists them without a
device.

Device texts are bytes. A str given or returned is the UTF-8 text of those
bytes; a byte that is not part of valid UTF-8 is the lone surrogate U+DC80
to U+DCFF of Python's "surrogateescape" error handler (b"caf\xe9" reads as
"caf\udce9" and writes back as the same byte), so reading never fails and a
value read writes back unchanged. bytes are taken as they are. The vandrel
tool follows the same rule: its arguments and text plans are the bytes
given, its JSON (output, backups, plans) the same UTF-8 text, with a lone
byte written "\udcXX" (docs/text.md).

The library is found where it was installed, or where the environment
variable VANDREL_LIB says (the file, or its folder). Calls may
come from any thread: the module dispatches the library's notifications on
a thread of its own, where a data channel's receiver is also called.
"""
from __future__ import annotations

from .audit import AuditTrail
from .channels import DataChannel, IOModule
from .commands import command, firmware_check, firmware_download, firmware_erase, firmware_version, restart
from .devices import FAMILY_A_TYPES, FAMILY_B_PORTS, Device, address_range, family_of, resolve, search
from .errors import (DeviceRefusedError, NoAnswerError, NoConnectionError, NotSentError, ReplyTimeoutError,
                     SettingRefused, VandrelError, WrongFamilyError, WrongPasswordError, WrongThreadError,
                     WrongTypeError)
from .fleet import Fleet
from .rules import KeyRule, check, key_rules
from .session import AtSession
from .settings import read, write

__version__ = "1.0.0"

__all__ = [
    "AtSession", "AuditTrail", "DataChannel", "Device", "DeviceRefusedError", "FAMILY_A_TYPES", "FAMILY_B_PORTS",
    "Fleet", "IOModule", "KeyRule", "NoAnswerError", "NoConnectionError", "NotSentError", "ReplyTimeoutError",
    "SettingRefused", "VandrelError", "WrongFamilyError", "WrongPasswordError", "WrongThreadError", "WrongTypeError",
    "address_range", "check", "command", "family_of", "firmware_check", "firmware_download", "firmware_erase",
    "firmware_version", "key_rules", "read", "resolve", "restart", "search", "write",
]
