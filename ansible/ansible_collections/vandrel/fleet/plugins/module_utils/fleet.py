"""What the modules of vandrel.fleet share: the vandrel module of the site
host, the device a task names, its settings and the changes to them.

Everything here either returns or raises FleetError, whose message and
code the modules hand to fail_json; the checks come before anything is
sent to a device."""
from __future__ import annotations

import os

from ansible.module_utils.basic import env_fallback
from ansible_collections.vandrel.fleet.plugins.module_utils.secrets import CHANGED, hidden_refusal, is_password

# The options every module takes, and those of the modules that serve one
# device; their documentation is the doc fragment vandrel.fleet.site.
SITE_ARGS = dict(interfaces=dict(type="list", elements="str"))
DEVICE_ARGS = dict(device=dict(type="str", required=True), type=dict(type="int"))
PASSWORD_ARGS = dict(password=dict(type="str", no_log=True, fallback=(env_fallback, ["VANDREL_PASSWORD"])))
SEARCH_ARGS = dict(targets=dict(type="list", elements="str"), wait=dict(type="float", default=1.0))
# Filled in by the action of the modules that write (plugins/plugin_utils/audited.py).
AUDIT_ARGS = dict(audit=dict(type="dict"))
CHANNEL = "ansible"

MISSING = "the vandrel Python module cannot be used on this host ({}): install libvandrel1 and python3-vandrel"


class FleetError(Exception):
    """A task that cannot go on; code is the library's, when it has one."""

    def __init__(self, msg, code=None, **facts):
        super().__init__(msg)
        self.code = code
        self.facts = facts

    def result(self):
        result = dict(self.facts, msg=str(self))
        if self.code is not None:
            result["code"] = self.code
        return result


def load_vandrel(interfaces=None):
    """The vandrel module; with interfaces, broadcasts keep to them."""
    if interfaces:
        os.environ["VANDREL_INTERFACES"] = ",".join(interfaces)
    try:
        import vandrel
    except ImportError as error:
        raise FleetError(MISSING.format(error)) from None
    return vandrel


def run(module, task):
    """Runs task(vandrel) and ends the module with its result, or with its
    failure: a FleetError, or an error of the vandrel module with its code."""
    try:
        vandrel = load_vandrel(module.params.get("interfaces"))
        try:
            module.exit_json(**task(vandrel))
        except vandrel.VandrelError as error:
            raise FleetError(str(error), error.code) from None
        except (ValueError, TypeError, OSError) as error:
            raise FleetError(str(error)) from None
    except FleetError as error:
        module.fail_json(**error.result())


def operation(params):
    """What the audit rows of a task name as their operation: its play and
    host, as the action plugin told them."""
    told = params.get("audit") or {}
    return f"play {told.get('play', '')}, host {told.get('host', '')}"


def audited(vandrel, params):
    """The keyword arguments of vandrel.write() that record its rows as the
    channel "ansible", under the task's play and host; none for a vandrel
    module that keeps no audit trail."""
    if not hasattr(vandrel, "AuditTrail"):
        return {}
    return {"audit": vandrel.AuditTrail(channel=CHANNEL, operation=operation(params))}


def settings_text(settings, what="settings"):
    """A dict of key to value text, as the device shows them; numbers are
    taken as their decimal text."""
    if not isinstance(settings, dict) or not settings:
        raise FleetError(f"{what} must be a dict of keys to values, such as {{NAME: pump-1}}, not {settings!r}")
    texts = {}
    for key, value in settings.items():
        if not isinstance(key, str) or not key:
            raise FleetError(f"{what}: {key!r} is not a key")
        if isinstance(value, bool) or not isinstance(value, (str, int)):
            raise FleetError(f"{what}: the value of {key} must be text or a number, not {type(value).__name__}")
        texts[key] = str(value)
    return texts


def target(vandrel, device, device_type=None):
    """The address, type code and whether the device goes by MAC; a family A
    device named by its MAC, or family B by its IP, is refused."""
    try:
        address, code, by_mac = vandrel.resolve(device, device_type)
    except vandrel.NoAnswerError as error:
        raise FleetError(str(error), error.code, device=device) from None
    family = vandrel.family_of(code)
    if family is None:
        raise FleetError(f"{device}: unknown device type {code}", device=device)
    if by_mac != (family == "B"):
        how = "by its MAC" if family == "B" else "by its IP"
        raise FleetError(f"{device}: a family {family} device (type {code}) is addressed {how}",
                         vandrel.errors.WRONG_FAMILY, device=device, type=code)
    return address, code, by_mac


def refusals(vandrel, device_type, wanted):
    """The keys and values the device would not store as given, as messages
    and as facts."""
    refused = vandrel.check(device_type, wanted)
    return "; ".join(hidden_refusal(str(r)) for r in refused), [refusal_facts(r) for r in refused]


def refusal_facts(refused):
    """A refusal's key and values; a password's values as "(changed)"."""
    if is_password(refused.key):
        return {"key": refused.key, "value": CHANGED, "stored": None if refused.stored is None else CHANGED}
    return {"key": refused.key, "value": refused.value, "stored": refused.stored}


def differing(current, wanted):
    """The wanted keys whose value the device does not hold already."""
    return {key: value for key, value in wanted.items() if current.get(key) != value}


def diff(name, before, after):
    """Ansible's before and after texts of the keys that differ."""
    keys = [key for key in after if before.get(key) != after.get(key)]
    return {"before_header": name, "after_header": name,
            "before": "".join(f"{key}={before.get(key, '')}\n" for key in keys),
            "after": "".join(f"{key}={after[key]}\n" for key in keys)}


def search(vandrel, targets, wait):
    """The devices that answer a broadcast, or the addresses and ranges of
    targets (each answer once), after checking every target."""
    if not targets:
        return vandrel.search(wait=wait)
    for address in targets:
        try:
            vandrel.address_range(address if "/" in address else address + "/32")
        except ValueError as error:
            why = error if "/" in address else f"{address!r} is neither an IPv4 address nor a range such as 198.18.5.0/24"
            raise FleetError(f"targets: {why}") from None
    # The addresses are asked at once, on a fleet; a range asks its own
    # addresses in turn, paced, as vandrel.search() does.
    with vandrel.Fleet() as fleet:
        asked = [None if "/" in address else fleet.search(address, wait=wait) for address in targets]
        answers = [vandrel.search(address, wait=wait) if future is None else future.result()
                   for address, future in zip(targets, asked)]
    found = []
    for devices in answers:
        found += [d for d in devices if d not in found]
    return found


def device_facts(device):
    """A device that answered a search, as the modules return it."""
    return {"ip": device.ip, "mac": device.mac, "type": device.type, "family": device.family or "?",
            "version": device.version}
