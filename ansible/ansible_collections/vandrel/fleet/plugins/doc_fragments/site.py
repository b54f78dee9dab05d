"""What the plugins of vandrel.fleet document alike: the site host the
modules run on, the device a task names, its password, and a search."""


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
    description: Reads, and sends nothing that changes a device.
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

    # The modules that write to a device.
    PASSWORD = r"""
options:
  password:
    description: The device's password, needed to write. Defaults to C(VANDREL_PASSWORD) of the host that runs it.
    type: str
"""

    # A search: the device_info module and the devices inventory.
    SEARCH = r"""
options:
  targets:
    description:
      - Addresses to ask instead of a broadcast, each an IPv4 address, a
        directed broadcast address (C(198.18.5.255)) or a range
        (C(198.18.5.0/24), at most a /16, asked address by address).
    type: list
    elements: str
  wait:
    description: Seconds to collect answers (after the last address of a range).
    type: float
    default: 1.0
"""

    # The modules that write or command: their rows in the fleet database's audit trail.
    AUDIT = r"""
options:
  audit:
    description:
      - The play and the host that the audit rows of the task's writes and commands name
        (their operation, under the channel C(ansible)), in the fleet
        database of the site host (C(VANDREL_DB) there, C(off) for none).
      - Filled in by the collection's action plugin; a task leaves it out.
    type: dict
"""
