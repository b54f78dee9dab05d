"""What the modules of vandrel.fleet document alike: the site host they run
on, and the device a task names."""


class ModuleDocFragment:
    # Every module: it runs on the site host, and may keep to some links.
    DOCUMENTATION = r"""
options:
  interfaces:
    description: Broadcast (searches, family B requests) on these interfaces of the site host only.
    type: list
    elements: str
requirements:
  - libvandrel1 and python3-vandrel on the site host
attributes:
  check_mode:
    support: full
"""

    # The modules that serve one device.
    DEVICE = r"""
options:
  device:
    description: The device, family A by its IP address, family B by its MAC address.
    type: str
    required: true
  type:
    description: Its type code; without it, a search asks the device for it.
    type: int
"""
