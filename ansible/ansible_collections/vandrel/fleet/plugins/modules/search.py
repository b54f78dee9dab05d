#!/usr/bin/python
"""vandrel.fleet.search: the devices that answer on the site host's links."""
from __future__ import annotations

DOCUMENTATION = r"""
module: search
short_description: Find the devices that answer a search on the site host
description:
  - Broadcasts a search on the site host's links (UDP port 8800) and lists
    every device that answers, or asks the addresses and ranges in
    I(targets) instead.
  - A broadcast does not cross a router; run this on a host in each
    broadcast domain, or give I(targets) to reach routed subnets.
  - Never reports C(changed).
version_added: "1.0.0"
author: Vandrel developers
extends_documentation_fragment:
  - vandrel.fleet.site
options:
  wait:
    description: Seconds to collect answers (after the last address of a range).
    type: float
    default: 1.0
  targets:
    description:
      - Addresses to ask instead of a broadcast, each an IPv4 address, a
        directed broadcast address (C(198.18.5.255)) or a range
        (C(198.18.5.0/24), at most a /16, asked address by address).
    type: list
    elements: str
"""

EXAMPLES = r"""
- name: Every device on the site's links
  vandrel.fleet.search:
    wait: 0.5
  register: found

- name: A routed subnet, address by address
  vandrel.fleet.search:
    targets: [198.18.5.0/24]
"""

RETURN = r"""
devices:
  description: The devices that answered, in the order of their answers.
  returned: always
  type: list
  elements: dict
  contains:
    ip: {description: Its IP address., type: str}
    mac: {description: Its MAC address., type: str}
    type: {description: Its type code., type: int}
    family: {description: C(A) (addressed by IP) or C(B) (by MAC)., type: str}
    version: {description: Its firmware version., type: str}
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.vandrel.fleet.plugins.module_utils.fleet import SITE_ARGS, FleetError, device_facts, run


def search(vandrel, targets, wait):
    if not targets:
        return vandrel.search(wait=wait)
    for address in targets:
        try:
            vandrel.address_range(address if "/" in address else address + "/32")
        except ValueError as error:
            why = error if "/" in address else f"{address!r} is neither an IPv4 address nor a range such as 198.18.5.0/24"
            raise FleetError(f"targets: {why}") from None
    found = []
    for address in targets:
        found += [d for d in vandrel.search(address, wait=wait) if d not in found]
    return found


def main():
    module = AnsibleModule(argument_spec=dict(
        wait=dict(type="float", default=1.0),
        **SITE_ARGS,
        targets=dict(type="list", elements="str"),
    ), supports_check_mode=True)
    run(module, lambda vandrel: dict(changed=False, devices=[
        device_facts(d) for d in search(vandrel, module.params["targets"], module.params["wait"])]))


if __name__ == "__main__":
    main()
