"""Single commands: restart, any named command, and the firmware download
and erase."""
from __future__ import annotations

import ctypes
import os
from typing import Optional, Sequence, Union

from . import _args, rules
from ._native import PARAM_LEN, lib, library
from .audit import Choice, trail_of
from .devices import Target, resolve
from .errors import OK, WRONG_FAMILY, VandrelError, WrongFamilyError

_REPLYING = {b"GETADC", b"GETIOSTAT"}


def command(target: Target, name: str, param: str = "", *, device_type: Optional[int] = None,
            tcp: bool = False, port: int = 8800, audit: Choice = None) -> Optional[str]:
    """Sends one named command ("RESETDEV", "10TCTRLIO", "RESETDEV10T", and
    over TCP "GETADC", "GETIOSTAT", "SETIODIR", "SETIOLEVEL") with its
    parameter. A family A device takes it on ``port`` over UDP, or TCP with
    ``tcp``; a family B device by broadcast on UDP port 8801, addressed by
    its MAC (which is then the parameter). Returns the device's answer
    ("a,b") for GETADC and GETIOSTAT over TCP, else None. A UDP command is
    not answered; VandrelError means it could not be carried out.

    A command that acts on the device (all but GETADC and GETIOSTAT over
    TCP) appends a row to the fleet database's audit trail, whether or not
    it was carried out; ``audit`` says where, as for write()."""
    command_name = _args.text(name, "command name")
    answering = tcp and command_name in _REPLYING
    answer = _send(target, command_name, _args.text(param, "param"), device_type, tcp, port,
                   audit=False if answering else audit)
    return _args.decode(answer) if tcp and command_name in _REPLYING else None


def restart(target: Target, *, device_type: Optional[int] = None, tcp: bool = False, port: int = 8800,
            audit: Choice = None) -> None:
    """Restarts a device (RESETDEV), a row of the audit trail as command()."""
    _send(target, b"RESETDEV", b"1", device_type, tcp, port, audit=audit)


def firmware_download(target: Target, images: Sequence[Union[str, "os.PathLike[str]"]], *,
                      device_type: Optional[int] = None, tcp: bool = False, port: int = 8800,
                      audit: Choice = None) -> None:
    """Downloads up to five firmware image files to a family A device: one
    manifest, then 512-byte chunks, each acknowledged by the device. The
    device names the images after the files' base names. A row of the audit
    trail, as command()."""
    paths = firmware_check(images)
    _send(target, b"DOWNLOAD", b"*".join(paths), device_type, tcp, port, family_a_only=True, audit=audit)


def firmware_version(text: str) -> Optional[int]:
    """A firmware version as devices tell it ("1.06" in a search answer,
    "V1.06" in a read) in hundredths, 106, by which versions compare; None
    for any other text."""
    if not isinstance(text, str):
        raise TypeError("a version is a text, such as '1.06'")
    return rules.firmware_version(text.encode(errors="surrogateescape"))


def firmware_check(images: Sequence[Union[str, "os.PathLike[str]"]]) -> list[bytes]:
    """The image files' names as the download sends them, once they are
    known to fit a device: 1 to 5 readable files, none empty, which in 512-byte blocks
    fit its 0x1BE00 bytes. Raises TypeError, ValueError or
    FileNotFoundError otherwise; sends nothing."""
    if isinstance(images, (str, bytes)) or not isinstance(images, Sequence):
        raise TypeError("images must be a list of file names")
    paths = [_args.text(os.fsencode(image), "image file name") for image in images]
    rules.firmware_images(len(paths))
    for path in paths:
        if b"*" in path or not os.path.isfile(path):
            raise FileNotFoundError(f"cannot read the image file {os.fsdecode(path)!r}")
        if os.path.getsize(path) == 0:
            raise ValueError(f"the image file '{os.fsdecode(path)}' is empty")
    rules.firmware_images(len(paths), [os.path.getsize(path) for path in paths])
    return paths


def firmware_erase(target: Target, *, device_type: Optional[int] = None, tcp: bool = False,
                   port: int = 8800, audit: Choice = None) -> None:
    """Erases a family A device's firmware images, a row of the audit trail
    as command()."""
    _send(target, b"ERASE", b"", device_type, tcp, port, family_a_only=True, audit=audit)


def _send(target: Target, name: bytes, param: bytes, device_type: Optional[int], tcp: bool, port: int,
          family_a_only: bool = False, audit: Choice = None) -> bytes:
    if not isinstance(tcp, bool):
        raise TypeError(f"tcp must be a bool, not {type(tcp).__name__}")
    port = _args.port(port)
    trail, own = trail_of(audit)
    address, device_type, by_mac = resolve(target, device_type)
    if by_mac and family_a_only:
        raise WrongFamilyError(WRONG_FAMILY, f"{address}: {name.decode()} serves family A devices only")
    if by_mac:
        param, tcp = address.encode(), False
    buffer = ctypes.create_string_buffer(param, max(PARAM_LEN, len(param) + 1))
    arguments = (device_type, b"" if by_mac else address.encode(), port, name, buffer, 0 if tcp else 1)
    if tcp:
        with library.pumping("a TCP command"):
            result = lib.VD_SendCmd(*arguments)
            # The library keeps a TCP command's connection for the next TCP
            # command, whatever address that one names. A UDP command without
            # a name closes it and sends nothing.
            lib.VD_SendCmd(device_type, arguments[1], port, b"", ctypes.create_string_buffer(PARAM_LEN), 1)
    else:
        result = lib.VD_SendCmd(*arguments)
    if trail:
        trail.record_one(address, by_mac, name, param, result == OK)
        if own:
            trail.close()
    if result != OK:
        raise command_error(result, address, name, tcp)
    return buffer.value


def command_error(result: int, address: str, name: bytes, tcp: bool = False) -> VandrelError:
    """Why a command could not be carried out, as the exception raised."""
    how = ("no connection, or the device did not answer" + library.connect_hint() if tcp
           else "unknown to this device type, or the send failed")
    return VandrelError(result, f"{address}: {_args.decode(name)} failed: {how}")
