"""The passwords a task carries inside its dict options (a C(PASS) among
settings, a plan's passwords): the modules never show them, nor a device's
current password.

Ansible hides the value of an option marked no_log; a password inside a dict
whose other values must stay visible is named at run time instead, as soon
as the arguments are read, so that everything the module prints censors it:
the log of its invocation, a failed check of its arguments, its result."""
from __future__ import annotations

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.common.validation import check_type_dict

# What a change of the password shows, and what the diff shows before it.
CHANGED = "(changed)"
CURRENT = "(current)"


def is_password(key):
    """Whether a settings key is the password; "pass" is refused as no key,
    and its value is kept as hidden as PASS's."""
    return isinstance(key, str) and key.upper() == "PASS"


def masked(settings, shown=CHANGED):
    """The settings with the password's value replaced by shown."""
    return {key: shown if is_password(key) else value for key, value in settings.items()}


def hidden_refusal(text):
    """A refusal as the checks word it, "KEY=VALUE: the device would store
    'CUT' (it takes ...)", without VALUE and CUT when KEY is the password."""
    key = text.partition("=")[0]
    if key == text or not is_password(key):
        return text
    takes = text.rfind(" (it takes ")
    return f"{key}={CHANGED}: the device would store it otherwise" + (text[takes:] if takes >= 0 else "")


def as_dict(option):
    """A dict option as given, before Ansible checks it: a dict, or text that
    Ansible reads as one (JSON, or key=value); None for text it cannot read,
    whose failed check shows it whole."""
    if isinstance(option, str):
        try:
            return check_type_dict(option)
        except TypeError:
            return None
    return option if isinstance(option, dict) else {}


def unreadable(option):
    """Text that is no dict, taken whole as a password when it may hold one."""
    return {option} if "pass" in option.lower() else set()


def settings_passwords(settings):
    """The password values of a settings option."""
    given = as_dict(settings)
    if given is None:
        return unreadable(settings)
    return {str(value) for key, value in given.items() if is_password(key) and value not in (None, "")}


def plan_passwords(plan):
    """The passwords of a plan option: its own and each device's, given as
    C(password) or as C(PASS) among the settings."""
    given = as_dict(plan)
    if given is None:
        return unreadable(plan)
    entries = [given] + [d for d in given.get("devices") or [] if isinstance(d, dict)]
    found = set()
    for entry in entries:
        found |= settings_passwords(entry.get("settings"))
        if entry.get("password") not in (None, ""):
            found.add(str(entry["password"]))
    return found


class SecretModule(AnsibleModule):
    """An AnsibleModule that never shows the passwords that secrets(params)
    finds in the arguments: they join no_log_values when the arguments are
    read, before anything is logged or returned."""

    def __init__(self, secrets, **kwargs):
        self._secrets = secrets
        super().__init__(**kwargs)

    def _load_params(self):
        super()._load_params()
        self.no_log_values.update(self._secrets(self.params))
