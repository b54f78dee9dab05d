"""vandrel.fleet.devices: the devices that answer a search, as Ansible's
inventory."""

DOCUMENTATION = r"""
name: devices
short_description: The devices that answer a search, as hosts
description:
  - Searches from the controller, by broadcast on its links or at the
    addresses and ranges of I(targets) (which reach routed subnets), and
    makes each device that answers a host, named by its MAC or its IP.
  - Groups the hosts by type code, by firmware version and by patterns of
    their names (I(name_groups)), and as Ansible's I(keyed_groups),
    I(groups) and I(compose) say.
  - What a device answers is its own text, trusted by nothing; group names
    made of it keep only the letters, digits and underscores that Ansible
    allows, the others becoming underscores. The host's variables hold it as
    it came, marked unsafe so that no template in it is ever evaluated.
  - The file's name ends in C(vandrel.yml) or C(vandrel.yaml).
version_added: "1.0.0"
author: Vandrel developers (!UNKNOWN)
requirements:
  - libvandrel1 and python3-vandrel on the controller
extends_documentation_fragment:
  - vandrel.fleet.site.search
  - constructed
  - inventory_cache
options:
  plugin:
    description: The name of this plugin.
    type: str
    required: true
    choices: [vandrel.fleet.devices]
  interfaces:
    description: Broadcast (searches, family B requests) on these interfaces of the controller only.
    type: list
    elements: str
  hostnames:
    description: Name each host by the device's C(mac) or its C(ip).
    type: str
    choices: [mac, ip]
    default: mac
  group_by:
    description: Groups made of the devices' type codes (C(type_5)) and firmware versions (C(version_1_05)).
    type: list
    elements: str
    choices: [type, version]
    default: [type, version]
  name_groups:
    description:
      - Groups of the devices whose name (their setting C(NAME)) matches a
        shell pattern, each group's name mapped to its pattern (C(pumps) to
        C(pump-*), say).
      - Only when given is each device asked its name, one read a device;
        a device that does not answer it joins none of these groups.
    type: dict
    default: {}
"""

EXAMPLES = r"""
# devices.vandrel.yml: every device on the controller's links, by MAC
plugin: vandrel.fleet.devices
wait: 0.5

# site2.vandrel.yml: a routed subnet, by IP, pumps and presses apart,
# searched at most once an hour
plugin: vandrel.fleet.devices
targets: [198.18.2.0/24]
hostnames: ip
name_groups:
  pumps: "pump-*"
  presses: "press-*"
keyed_groups:
  - key: vandrel_family
    prefix: family
cache: true
cache_plugin: ansible.builtin.jsonfile
cache_connection: ~/.cache/vandrel-inventory
cache_timeout: 3600
"""

import fnmatch

from ansible.errors import AnsibleError
from ansible.inventory.group import to_safe_group_name
from ansible.plugins.inventory import BaseInventoryPlugin, Cacheable, Constructable
from ansible.utils.unsafe_proxy import wrap_var
from ansible_collections.vandrel.fleet.plugins.module_utils.fleet import FleetError, device_facts, load_vandrel, search


def group_name(*parts):
    """A group name from untrusted text: what Ansible allows, the rest as underscores."""
    return to_safe_group_name("_".join(str(p) for p in parts), force=True, silent=True)


class InventoryModule(BaseInventoryPlugin, Constructable, Cacheable):
    NAME = "vandrel.fleet.devices"

    def verify_file(self, path):
        return super().verify_file(path) and path.endswith(("vandrel.yml", "vandrel.yaml"))

    def parse(self, inventory, loader, path, cache=True):
        super().parse(inventory, loader, path, cache)
        self._read_config_data(path)
        key = self.get_cache_key(path)
        use_cache = self.get_option("cache") and cache
        found = self._cache.get(key) if use_cache else None
        if found is None:
            found = self._discover()
            if self.get_option("cache"):
                self._cache[key] = found
        for device in found:
            self._add(device)

    def _discover(self):
        """The devices that answer, each a dict of its facts (and its name,
        when name groups need it): what the cache keeps."""
        try:
            vandrel = load_vandrel(self.get_option("interfaces"))
            try:
                answered = search(vandrel, self.get_option("targets"), self.get_option("wait"))
            except (vandrel.VandrelError, ValueError, OSError) as error:
                raise FleetError(str(error)) from None
        except FleetError as error:
            raise AnsibleError(f"vandrel.fleet.devices: {error}") from None
        devices = [device_facts(d) for d in answered]
        if self.get_option("name_groups"):
            for facts, device in zip(devices, answered):
                facts["name"] = self._name(vandrel, device)
        return devices

    def _name(self, vandrel, device):
        try:
            return vandrel.read(device, ["NAME"]).get("NAME")
        except (vandrel.VandrelError, ValueError, OSError) as error:
            self.display.warning(f"vandrel.fleet.devices: {device.address} did not tell its name: {error}")
            return None

    def _add(self, device):
        host = device[self.get_option("hostnames")] or device["ip"]
        self.inventory.add_host(host)
        hostvars = {f"vandrel_{fact}": wrap_var(value) for fact, value in device.items()}
        hostvars["vandrel_device"] = wrap_var(device["mac"] if device["family"] == "B" else device["ip"])
        for name, value in hostvars.items():
            self.inventory.set_variable(host, name, value)
        groups = [group_name(fact, device[fact]) for fact in self.get_option("group_by")]
        name = device.get("name")
        groups += [group_name(group) for group, pattern in self.get_option("name_groups").items()
                   if name is not None and fnmatch.fnmatchcase(name, str(pattern))]
        for group in groups:
            self.inventory.add_child(self.inventory.add_group(group), host)
        strict = self.get_option("strict")
        self._set_composite_vars(self.get_option("compose"), hostvars, host, strict)
        self._add_host_to_composed_groups(self.get_option("groups"), hostvars, host, strict)
        self._add_host_to_keyed_groups(self.get_option("keyed_groups"), hostvars, host, strict)
