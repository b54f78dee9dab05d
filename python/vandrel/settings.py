"""A device's settings over UDP: reading them into a dict, and writing
changes guarded by the device's password."""
from __future__ import annotations

import ctypes
from typing import Iterable, Mapping, Optional, Union

from . import _args, rules
from ._native import KEY_LEN, VALUE_LEN, lib, udp
from .audit import AuditTrail, Choice, trail_of
from .devices import Target, resolve
from .errors import FAIL, OK, NoAnswerError, WrongTypeError, error_for

Value = Union[str, bytes, int]


def read(target: Target, keys: Optional[Iterable[str]] = None, *, device_type: Optional[int] = None,
         with_password: bool = False, snapshot: Union[AuditTrail, bool] = False) -> dict[str, str]:
    """Reads a device's settings: family A by IP, family B by MAC (asked by
    broadcast on UDP port 8801). ``target`` is a Device from search() or an
    address; without ``device_type`` an address is first asked for its type.

    Returns every key and value in the device's order, without "PASS"
    unless ``with_password``; with ``keys``, only those of them the device
    reported (keys are case-sensitive; "VERSION" is always there, "V1.00"
    when the device reported none; "PASS" never). Raises NoAnswerError when the device
    does not answer (after about 2 s, 3 s by MAC).

    ``snapshot`` keeps what a whole read gave, the password left out, as a
    snapshot of the device in the fleet database (``vandrel snapshots``):
    True in the vandrel tool's file, an AuditTrail in its file; a read of
    some keys is not whole and raises ValueError."""
    names = None if keys is None else [_args.text(k, "key") for k in _listed(keys)]
    if snapshot is not False and names is not None:
        raise ValueError("a snapshot is of a whole read: give no keys")
    trail, own = trail_of(None if snapshot is True else snapshot)
    address, device_type, by_mac = resolve(target, device_type)
    with udp:
        _fetch(address, device_type, by_mac)
        if names is None:
            pairs = _take_all()
            check_type(address, device_type, pairs.get("TYPE", "").encode())
            if trail:
                trail.keep(address, device_type, {_args.encode(k): _args.encode(v) for k, v in pairs.items()})
                if own:
                    trail.close()
            if not with_password:
                pairs.pop("PASS", None)
            return pairs
        found = {}
        for name in names:
            value = _take(name)
            if value is not None:
                found[_args.decode(name)] = value
        reported = found["TYPE"] if "TYPE" in found else _take(b"TYPE")
        check_type(address, device_type, None if reported is None else reported.encode())
        return found


def write(target: Target, changes: Mapping[str, Value], password: str, *,
          device_type: Optional[int] = None, force: bool = False, audit: Choice = None) -> None:
    """Writes changed settings to a device, guarded by its password: the
    device is read, each change checked against that read as check() and the
    vandrel tool's ``set`` check it, its password compared (a mismatch writes
    nothing and raises WrongPasswordError), then the changes are sent and read
    back. Values are the texts read() gives ("invalid" switches a destination
    off); numbers are taken as their decimal text.

    Raises SettingRefused for the first change that a check refuses, and
    sends nothing: a key the device does not have, a value outside the
    key's range or choices (key_rules() lists them), a value the device
    would store otherwise (a text longer than its field, not an address), a
    key that names what the device is, a control character. With ``force=True`` the changes are sent as they are, except
    that a key the device does not have still raises (a device ignores it).
    A write the device was not seen to take raises VandrelError naming the
    keys (a family B device then has what was written written back and is
    not restarted). Family B devices restart after a write.

    A write whose changes were sent appends a row a key to the fleet
    database's audit trail (docs/fleet-memory.md), the password only as
    "(changed)": ``audit`` is an AuditTrail to record in, False for none,
    or None for the vandrel tool's file (VANDREL_DB, "off" for none, else
    the user's state file)."""
    staged = staged_changes(changes)
    secret = _args.text(password, "password")
    trail, own = trail_of(audit)
    address, device_type, by_mac = resolve(target, device_type)
    with udp:
        # Staging works on the device's current settings: family A derives
        # the enable bits of a destination from them, family B changes its
        # copy of every block it writes back.
        _fetch(address, device_type, by_mac)
        current = _take_all_raw()
        check_type(address, device_type, current.get(b"TYPE"))
        check_changes(device_type, staged, current, force)
        lib.VD_ResetModifyConfigUDP()
        try:
            for key, value in staged:
                lib.VD_SetModifyConfigUDP(key, value)
            modify = lib.VD_ModifyDevUDPbyMAC if by_mac else lib.VD_ModifyDevUDPbyIP
            result = modify(address.encode(), secret, device_type)
            # A write the library could not confirm leaves the keys that the
            # device was not seen to hold.
            not_confirmed = list(_take_all_raw()) if result == FAIL else []
        finally:
            lib.VD_ResetModifyConfigUDP()
    if trail:
        trail.record(address, device_type, current, staged, result, not_confirmed)
        if own:
            trail.close()
    if result != OK:
        raise write_error(result, address, [_args.decode(k) for k in not_confirmed])


def staged_changes(changes: Mapping[str, Value]) -> list[tuple[bytes, bytes]]:
    """The changes of a write as the library takes them; raises before
    anything is sent."""
    if not isinstance(changes, Mapping):
        raise TypeError(f"changes must be a mapping of keys to values, not {type(changes).__name__}")
    if not changes:
        raise ValueError("no changes to write")
    return [rules.setting(k, v) for k, v in changes.items()]


def write_error(result: int, address: str, not_confirmed: list[str]) -> Exception:
    """The failure of a write whose result is not OK; not_confirmed are the
    keys the device was not seen to hold."""
    return error_for(result, address, "not confirmed by reading the device back: " + " ".join(not_confirmed))


def _listed(keys: Iterable[str]) -> list[object]:
    if isinstance(keys, (str, bytes)):
        raise TypeError("keys must be a list of keys, not a single text")
    return list(keys)


def _fetch(address: str, device_type: int, by_mac: bool) -> None:
    fetch = lib.VD_GetDevInfoUDPbyMAC if by_mac else lib.VD_GetDevInfoUDPbyIP
    result = fetch(address.encode(), device_type)
    if result != OK:
        raise read_error(result, address)


def read_error(result: int, address: str) -> Exception:
    """The failure of a read whose result is not OK."""
    return error_for(result, address, "the device did not answer", NoAnswerError)


def check_type(address: str, device_type: int, reported: Optional[bytes]) -> None:
    """Raises WrongTypeError when the device's read reports another type
    than the one given: the device's own type wins."""
    why = rules.reported_type(device_type, reported)
    if why:
        raise WrongTypeError(FAIL, f"{address} {why}")


def check_changes(device_type: int, staged: list[tuple[bytes, bytes]], current: dict[bytes, bytes],
                  force: bool) -> None:
    """Raises SettingRefused for the first change the checks refuse against
    the device's current settings."""
    for key, value in staged:
        refused = rules.refusal(device_type, key, value, current.get(key))
        if refused and (not force or refused.stored is None and key not in current):
            raise refused


def _take_all() -> dict[str, str]:
    return {_args.decode(k): _args.decode(v) for k, v in _take_all_raw().items()}


def _take_all_raw() -> dict[bytes, bytes]:
    pairs: dict[bytes, bytes] = {}
    key, value = ctypes.create_string_buffer(KEY_LEN), ctypes.create_string_buffer(VALUE_LEN)
    while True:
        key[0] = b"\0"  # an empty key takes the next pair
        if lib.VD_GetDevConfigUDP(key, value) != OK or not key.value:
            return pairs
        pairs[key.value] = value.value


def _take(name: bytes) -> Optional[str]:
    """The value of one key, or None. A key as long as the library's key
    buffer would be cut to another key, and none is that long."""
    if not name or len(name) >= KEY_LEN:
        return None
    key, value = ctypes.create_string_buffer(name, KEY_LEN), ctypes.create_string_buffer(VALUE_LEN)
    return _args.decode(value.value) if lib.VD_GetDevConfigUDP(key, value) == OK else None

