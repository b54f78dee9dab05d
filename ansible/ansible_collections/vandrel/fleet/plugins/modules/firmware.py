#!/usr/bin/python
"""vandrel.fleet.firmware: firmware images, downloaded when the version differs."""

DOCUMENTATION = r"""
module: firmware
short_description: Download firmware to a device whose version differs
description:
  - Downloads up to five image files on the site host to a family A device,
    only when the version the device reports differs from I(version).
    C(changed) only when it downloaded.
  - Images over the device's limits (more than five, or more than 114176
    bytes in 512-byte blocks) are refused before anything is sent.
  - Check mode checks the images and reports whether it would download.
version_added: "1.0.0"
author: Vandrel developers (!UNKNOWN)
extends_documentation_fragment:
  - vandrel.fleet.site
  - vandrel.fleet.site.audit
options:
  device:
    description: The device's IP address.
    type: str
    required: true
  version:
    description: The version the images bring, as the device reports it.
    type: str
    required: true
  images:
    description: The image files on the site host.
    type: list
    elements: path
    required: true
  tcp:
    description: Download over TCP rather than UDP.
    type: bool
    default: false
  port:
    description: The device's firmware port.
    type: int
    default: 8800
"""

EXAMPLES = r"""
- name: Bring a device to version 1.24
  vandrel.fleet.firmware:
    device: 198.18.1.2
    version: "124"
    images: [/srv/firmware/app.bin, /srv/firmware/boot.bin]
    tcp: true
"""

RETURN = r"""
version: {description: The version the device reported before the task., returned: success, type: str}
type: {description: The device's type code., returned: success, type: int}
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.vandrel.fleet.plugins.module_utils.fleet import AUDIT_ARGS, SITE_ARGS, FleetError, audited, run


def download(vandrel, params, check_mode):
    vandrel.firmware_check(params["images"])
    device = params["device"]
    answers = [d for d in vandrel.search(device, wait=0.6) if d.ip == device]
    if not answers:
        raise FleetError(f"{device} did not answer a search", vandrel.errors.NO_INFO, device=device)
    found = answers[0]
    if found.family != "A":
        raise FleetError(f"{device}: firmware goes to family A devices only (type {found.type})", device=device)
    result = dict(changed=found.version != params["version"], version=found.version, type=found.type)
    if result["changed"] and not check_mode:
        vandrel.firmware_download(found, params["images"], tcp=params["tcp"], port=params["port"],
                                  **audited(vandrel, params))
    return result


def main():
    module = AnsibleModule(argument_spec=dict(
        device=dict(type="str", required=True),
        version=dict(type="str", required=True),
        images=dict(type="list", elements="path", required=True),
        tcp=dict(type="bool", default=False),
        port=dict(type="int", default=8800),
        **SITE_ARGS,
        **AUDIT_ARGS,
    ), supports_check_mode=True)
    run(module, lambda vandrel: download(vandrel, module.params, module.check_mode))


if __name__ == "__main__":
    main()
