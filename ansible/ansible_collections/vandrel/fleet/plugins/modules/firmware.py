#!/usr/bin/python
"""vandrel.fleet.firmware: firmware images, downloaded when the version differs."""

DOCUMENTATION = r"""
module: firmware
short_description: Download firmware to a device whose version differs
description:
  - Downloads up to five image files on the site host to a family A device,
    only when the version the device reports differs from I(version).
    C(changed) only when it downloaded.
  - After the download the device is restarted and the task waits for it
    to come back reporting I(version); a device that does not come back,
    or comes back with another version, fails the task. Waves and failure
    limits are Ansible's own C(serial) and C(max_fail_percentage).
  - Images over the device's limits (more than five, or more than 114176
    bytes in 512-byte blocks) are refused before anything is sent, and so
    is a downgrade (a device that reports a later version than
    I(version)) unless I(allow_downgrade).
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
    description: The version the images bring, as a search reports it (such as C(1.06)).
    type: str
    required: true
  allow_downgrade:
    description: Download to a device that reports a later version than I(version).
    type: bool
    default: false
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
  restart:
    description:
      - Restart the device after the download and check the version it
        comes back with. Without it the device runs the new images only
        after its next restart, and C(after) is not returned.
    type: bool
    default: true
  back_within:
    description: Seconds to wait for the restarted device to report I(version).
    type: float
    default: 60
"""

EXAMPLES = r"""
- name: Bring a device to version 1.24
  vandrel.fleet.firmware:
    device: 198.18.1.2
    version: "1.24"
    images: [/srv/firmware/app.bin, /srv/firmware/boot.bin]
    tcp: true
"""

RETURN = r"""
version: {description: The version the device reported before the task (as before)., returned: success, type: str}
before: {description: The version the device reported before the task., returned: success, type: str}
after:
  description: The version the device reported after its download and restart.
  returned: when it downloaded and restarted the device
  type: str
type: {description: The device's type code., returned: success, type: int}
"""

import time

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.vandrel.fleet.plugins.module_utils.fleet import AUDIT_ARGS, SITE_ARGS, FleetError, audited, run


def answer(vandrel, device):
    """The device's search answer, or None."""
    return next((d for d in vandrel.search(device, wait=0.6) if d.ip == device), None)


def back_with(vandrel, device, version, within):
    """The version a restarted device reports once it reports the expected
    one; FleetError when it stays away or keeps another past the wait."""
    end = time.monotonic() + within
    seen = None
    while True:
        found = answer(vandrel, device)
        seen = found.version if found else seen
        if seen is not None and vandrel.firmware_version(seen) == vandrel.firmware_version(version):
            return seen
        if time.monotonic() >= end:
            break
        time.sleep(0.2)
    if seen is None:
        raise FleetError(f"{device} did not come back within {within:g} s of its restart after the download",
                         vandrel.errors.NO_INFO, device=device)
    raise FleetError(f"{device} came back with version {seen}, not {version}: not updated",
                     device=device, after=seen)


def download(vandrel, params, check_mode):
    vandrel.firmware_check(params["images"])
    wanted = vandrel.firmware_version(params["version"])
    if wanted is None:
        raise FleetError(f"version takes the images' version as a search reports it, such as 1.06, "
                         f"not {params['version']!r}")
    device = params["device"]
    if params["back_within"] < 0:
        raise FleetError(f"back_within must be 0 or more, not {params['back_within']:g}")
    found = answer(vandrel, device)
    if not found:
        raise FleetError(f"{device} did not answer a search", vandrel.errors.NO_INFO, device=device)
    if found.family != "A":
        raise FleetError(f"{device}: firmware goes to family A devices only (type {found.type})", device=device)
    held = vandrel.firmware_version(found.version)
    if held is not None and held > wanted and not params["allow_downgrade"]:
        raise FleetError(f"{device} runs {found.version}: refused, a downgrade to {params['version']} "
                         "(allow_downgrade to make it); nothing was sent", device=device)
    result = dict(changed=held != wanted, version=found.version, before=found.version, type=found.type)
    if result["changed"] and not check_mode:
        audit = audited(vandrel, params)
        vandrel.firmware_download(found, params["images"], tcp=params["tcp"], port=params["port"], **audit)
        if params["restart"]:
            # The restart goes by UDP, which every family A device hears,
            # whichever way the images went.
            vandrel.restart(found, **audit)
            result["after"] = back_with(vandrel, device, params["version"], params["back_within"])
    return result


def main():
    module = AnsibleModule(argument_spec=dict(
        device=dict(type="str", required=True),
        version=dict(type="str", required=True),
        allow_downgrade=dict(type="bool", default=False),
        images=dict(type="list", elements="path", required=True),
        tcp=dict(type="bool", default=False),
        port=dict(type="int", default=8800),
        restart=dict(type="bool", default=True),
        back_within=dict(type="float", default=60.0),
        **SITE_ARGS,
        **AUDIT_ARGS,
    ), supports_check_mode=True)
    run(module, lambda vandrel: download(vandrel, module.params, module.check_mode))


if __name__ == "__main__":
    main()
