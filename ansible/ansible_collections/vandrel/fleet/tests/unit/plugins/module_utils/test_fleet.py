"""The shared logic of the modules: what a task is given and the device it
names (the changes a task reports are the sites lab's). The vandrel module is stood in for by a
small fake: these tests need no library and no device."""
import types

import pytest

from ansible_collections.vandrel.fleet.plugins.module_utils import fleet
from ansible_collections.vandrel.fleet.plugins.module_utils.fleet import FleetError


class NoAnswer(Exception):
    code = 100


def fake_vandrel():
    """A vandrel module whose search finds no device."""
    def resolve(device, device_type=None):
        if device_type is None:
            raise NoAnswer(f"{device} did not answer a search, so its type is unknown: pass device_type")
        return device, device_type, ":" in device
    return types.SimpleNamespace(resolve=resolve, NoAnswerError=NoAnswer,
                                 family_of={5: "A", 17: "A", 48: "B", 32: "B"}.get,
                                 errors=types.SimpleNamespace(WRONG_FAMILY=101))


@pytest.mark.parametrize("settings, message", [
    *[(s, "must be a dict of keys to values") for s in (None, [], {}, "NAME=pump", ["NAME", "pump"])],
    *[({"NAME": v}, "the value of NAME must be text or a number") for v in (True, None, 1.5, ["a"], {"a": 1})],
    ({"": "x"}, "is not a key")])
def test_settings_that_are_no_device_text_are_refused(settings, message):
    with pytest.raises(FleetError, match=message):
        fleet.settings_text(settings)


# Each family by its own address, and a family A device by its MAC, are the
# sites lab's.
@pytest.mark.parametrize("device, device_type, message, code", [
    ("198.18.1.7", 48, "a family B device \\(type 48\\) is addressed by its MAC", 101),
    ("198.18.1.7", 200, "unknown device type 200", None),
    ("198.18.1.9", None, "did not answer", 100)])  # the library's code is kept
def test_target_refusals(device, device_type, message, code):
    with pytest.raises(FleetError, match=message) as error:
        fleet.target(fake_vandrel(), device, device_type)
    assert code is None or (error.value.code, error.value.result()["device"]) == (code, device)


def test_a_host_without_the_library_is_told_what_to_install(monkeypatch):
    monkeypatch.setitem(__import__("sys").modules, "vandrel", None)
    with pytest.raises(FleetError, match="install libvandrel1 and python3-vandrel"):
        fleet.load_vandrel()


def test_interfaces_keep_broadcasts_to_them(monkeypatch):
    monkeypatch.setitem(__import__("sys").modules, "vandrel", types.SimpleNamespace())
    monkeypatch.delenv("VANDREL_INTERFACES", raising=False)
    fleet.load_vandrel(["lan0", "lan1"])
    assert __import__("os").environ["VANDREL_INTERFACES"] == "lan0,lan1"
