#!/usr/bin/python
"""vandrel.fleet.command: restart a device, or send it one named command."""

DOCUMENTATION = r"""
module: command
short_description: Restart a device or send it one named command
description:
  - Sends C(restart), or one named command (C(10TCTRLIO), C(RESETDEV10T),
    and over TCP C(GETADC), C(GETIOSTAT), C(SETIODIR), C(SETIOLEVEL)) with
    its parameter, as C(vandrel restart) and C(vandrel cmd) do.
  - Reports C(changed) when it sent the command; check mode sends nothing.
version_added: "1.0.0"
author: Vandrel developers (!UNKNOWN)
extends_documentation_fragment:
  - vandrel.fleet.site
  - vandrel.fleet.site.device
  - vandrel.fleet.site.audit
options:
  command:
    description: C(restart), or the command's name.
    type: str
    required: true
  param:
    description: The command's parameter.
    type: str
    default: ""
  tcp:
    description: Send it over TCP (family A).
    type: bool
    default: false
  port:
    description: The device's port.
    type: int
    default: 8800
"""

EXAMPLES = r"""
- name: Restart a family B device
  vandrel.fleet.command:
    device: "02:56:44:12:01:03"
    command: restart

- name: Read an IO module's analogue inputs
  vandrel.fleet.command:
    device: 198.18.1.20
    command: GETADC
    tcp: true
"""

RETURN = r"""
answer: {description: The device's answer (GETADC and GETIOSTAT over TCP)., returned: when it answers, type: str}
type: {description: The device's type code., returned: success, type: int}
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.vandrel.fleet.plugins.module_utils.fleet import (AUDIT_ARGS, DEVICE_ARGS, SITE_ARGS, audited,
                                                                          run, target)


def send(vandrel, params, check_mode):
    address, code = target(vandrel, params["device"], params["type"])[:2]
    result = dict(changed=True, type=code)
    if check_mode:
        return result
    how = dict(device_type=code, tcp=params["tcp"], port=params["port"], **audited(vandrel, params))
    if params["command"].lower() == "restart":
        vandrel.restart(address, **how)
        return result
    answer = vandrel.command(address, params["command"], params["param"], **how)
    return dict(result, answer=answer) if answer is not None else result


def main():
    module = AnsibleModule(argument_spec=dict(
        **DEVICE_ARGS,
        command=dict(type="str", required=True),
        param=dict(type="str", default=""),
        tcp=dict(type="bool", default=False),
        port=dict(type="int", default=8800),
        **SITE_ARGS,
        **AUDIT_ARGS,
    ), supports_check_mode=True)
    run(module, lambda vandrel: send(vandrel, module.params, module.check_mode))


if __name__ == "__main__":
    main()
