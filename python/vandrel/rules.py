"""The checks a write passes before anything is sent, and what each key of a
device type means, from libvandrel-rules: the same key tables, value codecs,
meanings and wording as the vandrel tool's, with no copy of them here."""
from __future__ import annotations

import ctypes
import os
from ctypes import POINTER, c_char, c_char_p, c_int32, c_int64, c_size_t, c_uint32, c_uint64
from dataclasses import dataclass
from typing import Mapping, Optional, Sequence, Union

from . import _args, _native
from .errors import SettingRefused

SONAME = "libvandrel-rules.so.1"
STORED_LEN, MESSAGE_LEN = 64, 512
CHANGE, UNCHANGED, ALTERED, UNKNOWN_KEY, CONTROL, UNKNOWN_TYPE, NOT_ALLOWED = 0, 1, 2, 3, 6, 7, 8
# VR_KeyRule's flags, and the texts of VR_KeyText.
KEY_READ_ONLY, KEY_SECRET, KEY_RANGE, KEY_OFF = 2, 4, 8, 32
TEXT_LABEL, TEXT_GROUP, TEXT_UNIT, TEXT_DESCRIPTION, TEXT_CHOICES = 0, 1, 2, 3, 4

# A code of neither family: only the checks that hold for any type apply.
UNKNOWN_TYPE_CODE = 0

Value = Union[str, bytes, int]


def _load() -> ctypes.CDLL:
    """Beside libvandrel wherever that is looked for, then the dynamic
    loader's own search."""
    folders = [os.path.dirname(path) for path in _native.candidates() if os.path.dirname(path)]
    failures = []
    for path in [os.path.join(folder, SONAME) for folder in folders] + [SONAME]:
        try:
            dll = ctypes.CDLL(path)
        except OSError as error:
            failures.append(str(error))
            continue
        dll.VR_FamilyOf.restype = c_int32
        dll.VR_FamilyOf.argtypes = (c_int32, POINTER(c_int32))
        dll.VR_CheckSetting.restype = c_int32
        dll.VR_CheckSetting.argtypes = (c_int32, c_char_p, c_char_p, c_char_p, POINTER(c_char), c_size_t,
                                        POINTER(c_char), c_size_t)
        dll.VR_ControlRefusal.restype = c_int32
        dll.VR_ControlRefusal.argtypes = (c_char_p, c_char_p, c_size_t, POINTER(c_char), c_size_t)
        dll.VR_AddressRange.restype = c_int32
        dll.VR_AddressRange.argtypes = (c_char_p, POINTER(c_uint32), POINTER(c_uint32), POINTER(c_char), c_size_t)
        dll.VR_ReportedType.restype = c_int32
        dll.VR_ReportedType.argtypes = (c_int32, c_char_p, POINTER(c_char), c_size_t)
        dll.VR_FirmwareVersion.restype = c_int32
        dll.VR_FirmwareVersion.argtypes = (c_char_p,)
        dll.VR_FirmwareImages.restype = c_int32
        dll.VR_FirmwareImages.argtypes = (POINTER(c_uint64), c_uint32, POINTER(c_char), c_size_t)
        dll.VR_Takes.restype = c_size_t
        dll.VR_Takes.argtypes = (c_int32, c_char_p, POINTER(c_char), c_size_t)
        dll.VR_KeysOf.restype = c_size_t
        dll.VR_KeysOf.argtypes = (c_int32, POINTER(c_char), c_size_t)
        dll.VR_KeyRule.restype = c_int32
        dll.VR_KeyRule.argtypes = (c_int32, c_char_p, POINTER(c_int64), POINTER(c_int64))
        dll.VR_KeyText.restype = c_size_t
        dll.VR_KeyText.argtypes = (c_int32, c_char_p, c_int32, POINTER(c_char), c_size_t)
        dll.VR_IsSecretKey.restype = c_int32
        dll.VR_IsSecretKey.argtypes = (c_char_p,)
        dll.VR_DataLimits.restype = None
        dll.VR_DataLimits.argtypes = (POINTER(c_uint32), POINTER(c_uint32))
        return dll
    raise ImportError(f"vandrel: cannot load {SONAME} ({'; '.join(failures)}); it is installed with libvandrel")


_rules = _load()


def address_range(text: bytes) -> tuple[int, int]:
    """The first address (as a number) and the number of addresses of a
    range such as "198.18.5.0/24"; ValueError, worded as the vandrel tool
    words it, for anything else or a range wider than a /16."""
    first, count = c_uint32(), c_uint32()
    message = ctypes.create_string_buffer(MESSAGE_LEN)
    if _rules.VR_AddressRange(text, ctypes.byref(first), ctypes.byref(count), message, MESSAGE_LEN) != 1:
        raise ValueError(message.value.decode(errors="replace"))
    return first.value, count.value


def reported_type(given: int, reported: Optional[bytes]) -> str:
    """Why a device whose read showed TYPE ``reported`` (None when it showed
    none) is not of type ``given``, worded as the vandrel tool words it
    after the device's address; "" when they agree."""
    message = ctypes.create_string_buffer(MESSAGE_LEN)
    if _rules.VR_ReportedType(given, reported or b"", message, MESSAGE_LEN) == 1:
        return ""
    return _args.decode(message.value)


def firmware_images(count: int, sizes: Optional[Sequence[int]] = None) -> None:
    """ValueError, worded as the vandrel tool words it, when one download
    of count images does not fit a family A device; sizes (in bytes) once
    the files are known, None to check the count alone."""
    array = None if sizes is None else (c_uint64 * len(sizes))(*sizes)
    message = ctypes.create_string_buffer(MESSAGE_LEN)
    if _rules.VR_FirmwareImages(array, min(count, 0xFFFFFFFF), message, MESSAGE_LEN) != 1:
        raise ValueError(message.value.decode(errors="replace"))


def firmware_version(text: bytes) -> Optional[int]:
    """A firmware version as a device tells it in hundredths, None for
    other text (one holding a NUL too)."""
    value = -1 if b"\0" in text else _rules.VR_FirmwareVersion(text)
    return None if value < 0 else value


def data_limits() -> tuple[int, int]:
    """The bytes of a data channel's answer kept unless the caller raises
    the cap, and the most it may be raised to: the vandrel tool's."""
    default, most = c_uint32(), c_uint32()
    _rules.VR_DataLimits(ctypes.byref(default), ctypes.byref(most))
    return default.value, most.value


def is_secret(key: bytes) -> bool:
    """Whether key holds the device's password, which is never shown."""
    return _rules.VR_IsSecretKey(key) == 1


def families() -> tuple[frozenset[int], dict[int, int]]:
    """The family A type codes, and the family B codes with their number of
    serial ports, from the library's own type lists."""
    family_a, family_b = set(), {}
    ports = c_int32()
    for code in range(256):
        family = _rules.VR_FamilyOf(code, ctypes.byref(ports))
        if family == ord("A"):
            family_a.add(code)
        elif family == ord("B"):
            family_b[code] = ports.value
    return frozenset(family_a), family_b


def check_one(type_code: int, key: bytes, value: bytes, current: Optional[bytes]) -> tuple[int, Optional[str], str]:
    """The verdict, what the device would store (None when it does not take
    the key) and the refusal's message ("" when none)."""
    stored, message = ctypes.create_string_buffer(STORED_LEN), ctypes.create_string_buffer(MESSAGE_LEN)
    verdict = _rules.VR_CheckSetting(type_code, key, value, current, stored, STORED_LEN, message, MESSAGE_LEN)
    if verdict == UNKNOWN_TYPE and type_code != UNKNOWN_TYPE_CODE:
        raise ValueError(_args.decode(message.value))
    known = verdict in (CHANGE, UNCHANGED, ALTERED, NOT_ALLOWED) or verdict == CONTROL and bool(stored.value)
    return verdict, _args.decode(stored.value) if known else None, _args.decode(message.value)


def check(type_code: int, settings: Mapping[str, Value]) -> list[SettingRefused]:
    """Checks settings for a device of type ``type_code`` as the vandrel
    tool's ``set`` does, without a device: returns a SettingRefused for each
    setting a write would refuse, in the order given (empty when all are
    fine). Raises ValueError for a type code of neither family."""
    code = _args.integer(type_code, "type_code", 0, 255)
    check_one(code, b"", b"", None)  # raises for a type code of neither family
    refused = []
    for key, value in _pairs(settings):
        error = refusal(code, key, value, None)
        if error:
            refused.append(error)
    return refused


def refusal(type_code: int, key: bytes, value: bytes, current: Optional[bytes]) -> Optional[SettingRefused]:
    """The refusal of one setting, or None when it is fine; current is the
    device's value from a read, None when the read did not show the key."""
    verdict, stored, message = check_one(type_code, key, value, current)
    if verdict in (CHANGE, UNCHANGED):
        return None
    return SettingRefused(_args.decode(key), _args.decode(value), stored, message)


def refuse_control(key: bytes, value: bytes) -> None:
    """Raises SettingRefused when key or value holds a control character, a
    NUL included (a line break would end a command line of the AT session
    and start another)."""
    message = ctypes.create_string_buffer(MESSAGE_LEN)
    if _rules.VR_ControlRefusal(key, value, len(value), message, MESSAGE_LEN) == 1:
        raise SettingRefused(_args.decode(key), _args.decode(value), None, _args.decode(message.value))


def setting(key: object, value: Value) -> tuple[bytes, bytes]:
    """A setting to write as the library takes it. A NUL in the value, which
    would cut it where it becomes a C string, raises SettingRefused as the
    vandrel tool words it, whatever force says."""
    raw_key = _args.key(key)
    if isinstance(value, (str, bytes, bytearray)):
        raw = _args.encode(value) if isinstance(value, str) else bytes(value)
        if b"\0" in raw:
            refuse_control(raw_key, raw)
    return raw_key, _args.value(value, str(key))


@dataclass(frozen=True)
class KeyRule:
    """What one key of a device type means: its label, group ("network",
    "port 2", "CAN 1", "IO"...), unit ("" for none), a one-line description,
    what it takes as a refusal words it ("" for a key only shown), and the
    values that make sense: a range (lowest to highest), or choices (value
    to name, such as 9: "115200 bit/s"); off when "invalid" switches it
    off."""
    key: str
    label: str
    group: str
    unit: str
    description: str
    takes: str
    read_only: bool
    secret: bool
    lowest: Optional[int]
    highest: Optional[int]
    choices: dict[int, str]
    off: bool


def key_rules(type_code: int) -> list[KeyRule]:
    """The keys a read of a device of type ``type_code`` shows, in the
    device's order, with what each means: the rules the vandrel tool's
    ``keys`` lists and check() applies. ValueError for a type code of
    neither family."""
    code = _args.integer(type_code, "type_code", 0, 255)
    check_one(code, b"", b"", None)  # raises for a type code of neither family
    return [_key_rule(code, key) for key in _sized(lambda buffer, room: _rules.VR_KeysOf(code, buffer, room)).split()]


def _key_rule(code: int, key: str) -> KeyRule:
    raw = _args.encode(key)
    lowest, highest = c_int64(), c_int64()
    flags = _rules.VR_KeyRule(code, raw, ctypes.byref(lowest), ctypes.byref(highest))
    text = {which: _sized(lambda buffer, room: _rules.VR_KeyText(code, raw, which, buffer, room))
            for which in (TEXT_LABEL, TEXT_GROUP, TEXT_UNIT, TEXT_DESCRIPTION, TEXT_CHOICES)}
    choices = {int(value): name for value, name in (line.split(" ", 1) for line in text[TEXT_CHOICES].splitlines())}
    ranged = bool(flags & KEY_RANGE)
    read_only = bool(flags & KEY_READ_ONLY)
    takes = "" if read_only else _sized(lambda buffer, room: _rules.VR_Takes(code, raw, buffer, room))
    return KeyRule(key, text[TEXT_LABEL], text[TEXT_GROUP], text[TEXT_UNIT], text[TEXT_DESCRIPTION], takes,
                   read_only, bool(flags & KEY_SECRET), lowest.value if ranged else None,
                   highest.value if ranged else None, choices, bool(flags & KEY_OFF))


def _sized(call) -> str:
    """The text of a call that says the room it needs, then fills it."""
    room = call(None, 0)
    buffer = ctypes.create_string_buffer(max(room, 1))
    call(buffer, room)
    return _args.decode(buffer.value)


def _pairs(settings: Mapping[str, Value]) -> list[tuple[bytes, bytes]]:
    if not isinstance(settings, Mapping):
        raise TypeError(f"settings must be a mapping of keys to values, not {type(settings).__name__}")
    return [(_args.text(k, "key"), _args.value(v, str(k))) for k, v in settings.items()]
