#!/usr/bin/python
"""vandrel.fleet.settings: one device's settings, written only where they differ."""

DOCUMENTATION = r"""
module: settings
short_description: Give one device its settings
description:
  - Reads the device, writes only the keys whose values differ (guarded by
    the device's password) and reads them back. C(changed) only when it
    wrote.
  - Refuses, before anything is sent, a key the device does not have, a
    value outside the key's range or choices (C(vandrel keys TYPE) and the
    Python module's C(vandrel.key_rules) list them) and a value the device
    would store otherwise (text longer than its field, an address that is not
    one), with the messages of C(vandrel set); I(force) sends them anyway.
  - In check mode it reads the device and reports what would change; in
    diff mode it shows the keys that differ before and after.
  - A new password (C(PASS) among I(settings)) is compared with the one the
    device holds and written only when it differs, so that a task run again
    reports no change; a device that does not show its password has it
    written, and the task reports C(changed), each time. The write is
    confirmed as the library confirms it, by reading the device back.
  - No password is ever shown, the device's nor the new one. In
    C(changes), the diff and every message, a new password shows as
    "(changed)" and the one it replaces as "(current)"; the task's
    arguments, at any verbosity, show it censored.
  - No answer, a wrong password and the library's other failures fail the
    task with their message and the library's C(code).
  - Each key written appends a row to the fleet database's audit trail on
    the site host (channel C(ansible), with the play and the host), the
    password only as "(changed)"; see I(audit).
version_added: "1.0.0"
author: Vandrel developers (!UNKNOWN)
extends_documentation_fragment:
  - vandrel.fleet.site
  - vandrel.fleet.site.device
  - vandrel.fleet.site.password
  - vandrel.fleet.site.audit
options:
  settings:
    description: Keys and their values as C(vandrel show) prints them.
    type: dict
    required: true
  force:
    description: Send keys and values that the checks refuse.
    type: bool
    default: false
attributes:
  diff_mode:
    description: Shows the keys that differ, before and after.
    support: full
"""

EXAMPLES = r"""
- name: A family A device, by its IP
  vandrel.fleet.settings:
    device: 198.18.1.2
    password: "{{ device_password }}"
    settings:
      NAME: pump-1
      C1_BAUD: 9

- name: A family B device, by its MAC
  vandrel.fleet.settings:
    device: "02:56:44:12:01:03"
    type: 48
    password: "{{ device_password }}"
    settings: {NAME: press-4}

- name: A new password, shown nowhere
  vandrel.fleet.settings:
    device: 198.18.1.2
    password: "{{ device_password }}"
    settings: {PASS: "{{ new_device_password }}"}
"""

RETURN = r"""
device: {description: The device as the task named it., returned: always, type: str}
type: {description: Its type code., returned: success, type: int}
changes:
  description: The keys that differed, with the values given (written unless in check mode); C(PASS) as "(changed)".
  returned: success
  type: dict
settings:
  description: The device's settings after the task (before, in check mode), without its password.
  returned: success
  type: dict
refused:
  description:
    - The keys and values the checks refused, each with C(key), C(value) and what the device would store (C(stored)).
    - A password's values show as "(changed)".
  returned: when refused
  type: list
  elements: dict
code: {description: The library's code of a failure., returned: on failure, type: int}
"""

from ansible_collections.vandrel.fleet.plugins.module_utils.fleet import (AUDIT_ARGS, DEVICE_ARGS, PASSWORD_ARGS,
                                                                          SITE_ARGS, FleetError, audited, diff,
                                                                          differing, refusals, run, settings_text,
                                                                          target)
from ansible_collections.vandrel.fleet.plugins.module_utils.secrets import (CURRENT, SecretModule, is_password, masked,
                                                                            settings_passwords)


def give(vandrel, params, check_mode):
    wanted = settings_text(params["settings"])
    device = params["device"]
    address, code = target(vandrel, device, params["type"])[:2]
    # The device's password only to compare a new one with; never returned.
    current = vandrel.read(address, device_type=code, with_password=any(is_password(key) for key in wanted))
    if not params["force"]:
        message, refused = refusals(vandrel, code, wanted)
        if refused:
            raise FleetError(f"{device}: {message}; nothing written", device=device, type=code, refused=refused)
    changes = differing(current, wanted)
    shown = masked(changes)
    result = dict(changed=bool(changes), device=device, type=code, changes=shown,
                  settings={key: value for key, value in current.items() if not is_password(key)},
                  diff=diff(device, masked(current, CURRENT), shown))
    if not changes or check_mode:
        return result
    if params["password"] is None:
        raise FleetError(f"{device}: a password is needed to write {', '.join(changes)}", device=device)
    vandrel.write(address, changes, params["password"], device_type=code, force=params["force"],
                  **audited(vandrel, params))
    # The write has confirmed the password by reading it back; the other
    # keys are read back here, as the task reports them.
    after = vandrel.read(address, device_type=code)
    kept = differing(after, {key: value for key, value in changes.items() if not is_password(key)})
    if kept and not params["force"]:
        held = ", ".join(f"{key}={after.get(key)!r}" for key in kept)
        raise FleetError(f"{device}: written, but the device holds {held}", device=device, changes=shown)
    return dict(result, settings=after)


def main():
    module = SecretModule(lambda params: settings_passwords(params.get("settings")), argument_spec=dict(
        **DEVICE_ARGS,
        **PASSWORD_ARGS,
        settings=dict(type="dict", required=True),
        force=dict(type="bool", default=False),
        **SITE_ARGS,
        **AUDIT_ARGS,
    ), supports_check_mode=True)
    run(module, lambda vandrel: give(vandrel, module.params, module.check_mode))


if __name__ == "__main__":
    main()
