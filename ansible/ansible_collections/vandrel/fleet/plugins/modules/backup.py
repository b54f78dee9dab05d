#!/usr/bin/python
"""vandrel.fleet.backup: a device's settings, to store."""

DOCUMENTATION = r"""
module: backup
short_description: Read a device's settings as its backup
description:
  - Reads a device's settings as C(vandrel show --json) gives them, to be
    stored with Ansible's own modules (M(ansible.builtin.copy) to the
    controller's files, for one). Restore them with M(vandrel.fleet.settings).
  - Never reports C(changed).
version_added: "1.0.0"
author: Vandrel developers (!UNKNOWN)
extends_documentation_fragment:
  - vandrel.fleet.site
  - vandrel.fleet.site.device
options:
  with_password:
    description:
      - Include the device's password (C(PASS)).
      - The task's result then holds it; give the task C(no_log) so that Ansible shows none of it.
    type: bool
    default: false
"""

EXAMPLES = r"""
- name: Read pump-1
  vandrel.fleet.backup:
    device: 198.18.1.2
  register: pump

- name: Keep it on the controller
  ansible.builtin.copy:
    content: "{{ pump.backup | to_nice_json }}"
    dest: "backups/{{ inventory_hostname }}-pump-1.json"
  delegate_to: localhost
"""

RETURN = r"""
backup:
  description: The backup as C(vandrel show --json) prints it, which C(vandrel set --from) restores.
  returned: success
  type: dict
  contains:
    ip: {description: The device's IP (family A)., type: str}
    mac: {description: The device's MAC (family B)., type: str}
    type: {description: Its type code., type: int}
    settings: {description: Every key and its value., type: dict}
settings: {description: Every key and its value., returned: success, type: dict}
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.vandrel.fleet.plugins.module_utils.fleet import DEVICE_ARGS, SITE_ARGS, run, target


def backup(vandrel, params):
    address, code, by_mac = target(vandrel, params["device"], params["type"])
    settings = vandrel.read(address, device_type=code, with_password=params["with_password"])
    return dict(changed=False, settings=settings,
                backup={"mac" if by_mac else "ip": address, "type": code, "settings": settings})


def main():
    module = AnsibleModule(argument_spec=dict(
        **DEVICE_ARGS,
        with_password=dict(type="bool", default=False, no_log=False),
        **SITE_ARGS,
    ), supports_check_mode=True)
    run(module, lambda vandrel: backup(vandrel, module.params))


if __name__ == "__main__":
    main()
