"""Exceptions of the vandrel module. A failure of the library carries the
code the library returned (``VandrelError.code``), one of the constants below."""
from __future__ import annotations

FAIL = 0
OK = 1
NO_INFO = 100
WRONG_FAMILY = 101
WRONG_PASSWORD = 102
NO_CONNECTION = 103
TIMEOUT = 104
NOT_SENT = 105
INVALID_COMMAND = 106
PARAM_FORMAT = 107
PARAM_COUNT = 108
SEND_ERROR = -1  # VD_TCPSend: the send failed and the channel is closed

MESSAGES = {
    FAIL: "failed",
    NO_INFO: "device did not answer",
    WRONG_FAMILY: "wrong device family for this call",
    WRONG_PASSWORD: "wrong password",
    NO_CONNECTION: "no connection: the device could not be reached, or the request could not be sent",
    TIMEOUT: "no reply in time",
    NOT_SENT: "command not sent: the connection is closed, or nobody is logged in",
    INVALID_COMMAND: "the device reports an invalid command",
    PARAM_FORMAT: "the device reports a parameter format error",
    PARAM_COUNT: "the device reports a wrong number of parameters",
    SEND_ERROR: "the send failed and the channel is closed",
}


class VandrelError(Exception):
    """A call into libvandrel failed; ``code`` is what the library returned."""

    def __init__(self, code: int, message: str) -> None:
        super().__init__(f"{message} (library code {code})")
        self.code = code
        self.message = message


class NoAnswerError(VandrelError):
    """The device did not answer."""


class WrongFamilyError(VandrelError):
    """The device type belongs to the other family (family A is addressed by
    IP, family B by MAC), or the call does not serve it."""


class WrongTypeError(VandrelError):
    """The device's read reports another type code than the one given: the
    device's own type wins, and nothing is read out or written."""


class WrongPasswordError(VandrelError):
    """The device refused the password."""


class NoConnectionError(VandrelError):
    """No TCP connection could be made, or a request could not be sent on it."""


class ReplyTimeoutError(VandrelError):
    """The device did not reply in time."""


class NotSentError(VandrelError):
    """The command was not sent: the connection is closed, or nobody is logged in."""


class DeviceRefusedError(VandrelError):
    """The device answered with an error: an invalid command, a parameter
    format error or a wrong number of parameters."""


class WrongThreadError(RuntimeError):
    """The call cannot be made on this thread (see the message)."""


_CLASSES: dict[int, type[VandrelError]] = {
    NO_INFO: NoAnswerError,
    WRONG_FAMILY: WrongFamilyError,
    WRONG_PASSWORD: WrongPasswordError,
    NO_CONNECTION: NoConnectionError,
    SEND_ERROR: NoConnectionError,
    TIMEOUT: ReplyTimeoutError,
    NOT_SENT: NotSentError,
    INVALID_COMMAND: DeviceRefusedError,
    PARAM_FORMAT: DeviceRefusedError,
    PARAM_COUNT: DeviceRefusedError,
}


def error_for(code: int, subject: str, failure: str = "", kind: type[VandrelError] = VandrelError) -> VandrelError:
    """The exception for a result code: its class and message follow the code;
    ``failure`` and ``kind`` say what a plain failure (code 0) means here."""
    if code == FAIL and failure:
        return kind(code, f"{subject}: {failure}")
    cls = _CLASSES.get(code, kind)
    return cls(code, f"{subject}: {MESSAGES.get(code, f'unexpected result {code}')}")


class SettingRefused(ValueError):
    """A setting that a write refuses before anything is sent, worded as the
    vandrel tool words it (``str(error)``): a key the device does not have
    (with the close key name when it looks like a typing slip), a value
    outside the key's range or choices, a value the device would store
    otherwise (text longer than its field, not an address), a key that names
    what the device is, or a control character in the key or value.

    ``key`` and ``value`` are the setting as given; ``stored`` is what a read
    of the device would show after the write, None when the device does not
    take the key."""

    def __init__(self, key: str, value: str, stored: "str | None", message: str) -> None:
        super().__init__(message)
        self.key = key
        self.value = value
        self.stored = stored
        self.message = message
