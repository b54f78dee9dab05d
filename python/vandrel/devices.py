"""Discovery: searching for devices, the device record, and the device
families that decide how a device is addressed."""
from __future__ import annotations

import ctypes
import ipaddress
import time
from dataclasses import dataclass
from typing import Callable, Optional, Union

from . import _args, rules
from ._native import IP_LEN, MAC_LEN, VERSION_LEN, lib, udp
from .errors import NO_INFO, NoAnswerError

# Family A devices are addressed by IP, family B serial servers by MAC; the
# family B codes map to their number of serial ports.
FAMILY_A_TYPES, FAMILY_B_PORTS = rules.families()


def family_of(device_type: int) -> Optional[str]:
    """"A", "B", or None for a type code of neither family."""
    if device_type in FAMILY_B_PORTS:
        return "B"
    return "A" if device_type in FAMILY_A_TYPES else None


@dataclass(frozen=True)
class Device:
    """A device that answered a search."""

    ip: str
    mac: str
    type: int  #: the type code, which tells the family
    version: str
    code2: int
    port: int

    @property
    def family(self) -> Optional[str]:
        return family_of(self.type)

    @property
    def address(self) -> str:
        """What the library addresses the device by: its MAC for family B,
        else its IP."""
        return self.mac if self.family == "B" else self.ip


Target = Union[Device, str]


def address_range(value: str) -> ipaddress.IPv4Network:
    """A range of addresses such as "198.18.5.0/24", at most a /16; any
    address of the range may stand before the slash. Read by the setting
    rules library, as the vandrel tool reads it."""
    first, count = rules.address_range(_args.text(value, "address range"))
    return ipaddress.IPv4Network((first, 33 - count.bit_length()))


# The devices one search lists at most: a device may answer a search many
# times, under as many made-up addresses as it likes.
SEARCH_LIMIT = 65536


def search(address: Optional[str] = None, wait: float = 0.5, *, limit: int = SEARCH_LIMIT) -> list[Device]:
    """Searches for devices and returns those that answered within ``wait``
    seconds, in the order their answers came, ``limit`` of them at most
    (the search ends when that many have answered).

    Without ``address`` the search is a broadcast to 255.255.255.255 on UDP
    port 8800: run it only on a network where that is fine. With an IPv4
    address only that address is asked (it may be a directed broadcast
    address, such as "198.18.5.255"; anything else, a host name included,
    raises ValueError, as the vandrel tool refuses it). A range such as "198.18.5.0/24" (at most a /16) asks
    each of its addresses in turn, 1 ms apart, which reaches devices behind
    routers; the wait starts after the last."""
    wait = _args.seconds(wait, "wait")
    limit = _args.integer(limit, "limit", 1, SEARCH_LIMIT)
    if isinstance(address, str) and "/" in address:
        return _search_range(address_range(address), wait, limit)
    return _search(None if address is None else ipv4(address), wait, limit=limit)


def ipv4(address: object) -> bytes:
    """An IPv4 address as the vandrel tool reads it (a range of itself
    alone); ValueError, worded as the tool words it, for anything else."""
    raw = _args.text(address, "address")
    try:
        rules.address_range(raw + b"/32")
    except ValueError:
        raise ValueError(f"'{_args.decode(raw)}' is not an IPv4 address") from None
    return raw


RANGE_PACE = 0.001  # seconds between two addresses of a range


def _search_range(network: ipaddress.IPv4Network, wait: float, limit: int) -> list[Device]:
    with udp:
        _drain()
        found: dict[Device, None] = {}  # the range's broadcast address may be answered too: each answer once
        start = time.monotonic()
        for i, host in enumerate(network):
            lib.VD_Search(str(host).encode())
            found.update(dict.fromkeys(_collect(limit - len(found))))
            if len(found) >= limit:
                return list(found)
            time.sleep(max(0.0, start + (i + 1) * RANGE_PACE - time.monotonic()))
        deadline = time.monotonic() + wait
        while len(found) < limit and time.monotonic() < deadline:
            time.sleep(max(0.0, min(0.02, deadline - time.monotonic())))
            found.update(dict.fromkeys(_collect(limit - len(found))))
        return list(found)


def _search_wait(wait: float, wanted: Callable[[Device], bool], limit: int) -> list[Device]:
    found: list[Device] = []
    deadline = time.monotonic() + wait
    while True:
        time.sleep(max(0.0, min(0.02, deadline - time.monotonic())))
        for device in _collect(limit - len(found)):
            found.append(device)
            if wanted(device):
                return found
        if len(found) >= limit or time.monotonic() >= deadline:
            return found


def _search(address: Optional[bytes], wait: float, wanted: Callable[[Device], bool] = lambda d: False,
            limit: int = SEARCH_LIMIT) -> list[Device]:
    """The answers within wait seconds, or up to the first wanted one."""
    with udp:
        _drain()
        if address is None:
            lib.VD_SearchAll()
        else:
            lib.VD_Search(address)
        return _search_wait(wait, wanted, limit)


def _drain() -> None:
    """Drops the answers to earlier searches, which would be listed again."""
    while _collect(1024):
        pass


def _collect(room: int) -> list[Device]:
    """The devices found so far, room of them at most."""
    return taken(lib.VD_GetSearchDev, room)


def taken(take: Callable[..., int], room: int) -> list[Device]:
    """The answers take hands out (as VD_GetSearchDev does, 1 for each),
    room of them at most."""
    found: list[Device] = []
    ip, version, mac = (ctypes.create_string_buffer(n) for n in (IP_LEN, VERSION_LEN, MAC_LEN))
    code1, code2, port = ctypes.c_uint8(), ctypes.c_uint8(), ctypes.c_uint32()
    while len(found) < room and take(ip, version, mac, code1, code2, port) == 1:
        found.append(Device(_args.decode(ip.value), _args.decode(mac.value), code1.value,
                            _args.decode(version.value), code2.value, port.value))
    return found


def resolve(target: Target, device_type: Optional[int] = None) -> tuple[str, int, bool]:
    """The address text, type code and whether the device goes by MAC. A
    device given by address without a type is asked for it with a search,
    as the vandrel tool does."""
    if isinstance(target, Device):
        return target.address, target.type, target.family == "B"
    address, by_mac = _args.address(target)
    if device_type is not None:
        return address, _args.integer(device_type, "device_type", 0, 255), by_mac

    def named(device: Device) -> bool:
        return (device.mac if by_mac else device.ip) == address

    found = _search(None if by_mac else address.encode(), 0.5, named)
    if found and named(found[-1]):
        return address, found[-1].type, by_mac
    raise NoAnswerError(NO_INFO, f"{address} did not answer a search, so its type is unknown: pass device_type")
