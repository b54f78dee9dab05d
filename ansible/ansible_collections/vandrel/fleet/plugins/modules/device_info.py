#!/usr/bin/python
"""vandrel.fleet.device_info: the devices that answer a search, or one
device's settings."""

DOCUMENTATION = r"""
module: device_info
short_description: Find the devices on the site host's links, or read one device's settings
description:
  - Without I(device), broadcasts a search on the site host's links (UDP
    port 8800) and lists every device that answers, or asks the addresses
    and ranges in I(targets) instead. A broadcast does not cross a router;
    run this on a host in each broadcast domain, or give I(targets) to reach
    routed subnets.
  - With I(device), reads that device's settings (all of them, or its
    I(keys)); its password is never read.
  - Reads only, and never reports C(changed). C(vandrel.fleet.search) is
    this module's former name, and still runs it.
version_added: "1.0.0"
author: Vandrel developers (!UNKNOWN)
extends_documentation_fragment:
  - vandrel.fleet.site
  - vandrel.fleet.site.search
options:
  device:
    description:
      - A device to read, family A by its IP address, family B by its MAC
        address; without it, the devices that answer are listed.
    type: str
  type:
    description: Its type code; without it, a search asks the device for it.
    type: int
  keys:
    description: The keys of I(device) to read (as C(vandrel show) names them); all of them when not given.
    type: list
    elements: str
"""

EXAMPLES = r"""
- name: Every device on the site's links
  vandrel.fleet.device_info:
    wait: 0.5
  register: found

- name: A routed subnet, address by address
  vandrel.fleet.device_info:
    targets: [198.18.5.0/24]

- name: One device's name and first port
  vandrel.fleet.device_info:
    device: 198.18.1.2
    keys: [NAME, C1_PORT]
  register: pump
"""

RETURN = r"""
devices:
  description: The devices that answered, in the order of their answers.
  returned: without device
  type: list
  elements: dict
  contains:
    ip: {description: Its IP address., type: str}
    mac: {description: Its MAC address., type: str}
    type: {description: Its type code., type: int}
    family: {description: C(A) (addressed by IP) or C(B) (by MAC)., type: str}
    version: {description: Its firmware version., type: str}
device: {description: The device as the task named it., returned: with device, type: str}
type: {description: Its type code., returned: with device, type: int}
family: {description: C(A) or C(B)., returned: with device, type: str}
settings: {description: Its keys and their values (never its password)., returned: with device, type: dict}
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.vandrel.fleet.plugins.module_utils.fleet import (SEARCH_ARGS, SITE_ARGS, device_facts, run,
                                                                          search, target)
from ansible_collections.vandrel.fleet.plugins.module_utils.secrets import is_password


def read(vandrel, params):
    device = params["device"]
    address, code, by_mac = target(vandrel, device, params["type"])
    settings = vandrel.read(address, params["keys"], device_type=code)
    return dict(changed=False, device=device, type=code, family="B" if by_mac else "A",
                settings={key: value for key, value in settings.items() if not is_password(key)})


def info(vandrel, params):
    if params["device"] is not None:
        return read(vandrel, params)
    return dict(changed=False, devices=[device_facts(d) for d in search(vandrel, params["targets"], params["wait"])])


def main():
    module = AnsibleModule(argument_spec=dict(
        **SEARCH_ARGS,
        **SITE_ARGS,
        device=dict(type="str"),
        type=dict(type="int"),
        keys=dict(type="list", elements="str", no_log=False),
    ), mutually_exclusive=[("device", "targets")], supports_check_mode=True)
    run(module, lambda vandrel: info(vandrel, module.params))


if __name__ == "__main__":
    main()
