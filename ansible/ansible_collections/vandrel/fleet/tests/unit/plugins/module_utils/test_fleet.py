"""The shared logic of the modules: what a task is given and the device it
names (the changes a task reports are the sites lab's). The vandrel module is stood in for by a
small fake: these tests need no library and no device."""
import types

import pytest

from ansible_collections.vandrel.fleet.plugins.module_utils import fleet
from ansible_collections.vandrel.fleet.plugins.module_utils.fleet import FleetError


class NoAnswer(Exception):
    code = 100


def fake_vandrel(found):
    """A vandrel module whose resolve answers from found: address -> type."""
    def resolve(device, device_type=None):
        by_mac = ":" in device
        if device_type is not None:
            return device, device_type, by_mac
        if device not in found:
            raise NoAnswer(f"{device} did not answer a search, so its type is unknown: pass device_type")
        return device, found[device], by_mac
    return types.SimpleNamespace(resolve=resolve, NoAnswerError=NoAnswer,
                                 family_of=lambda t: {5: "A", 17: "A", 48: "B", 32: "B"}.get(t),
                                 errors=types.SimpleNamespace(WRONG_FAMILY=101))


class TestSettingsText:
    def test_values_become_device_text(self):
        assert fleet.settings_text({"NAME": "pump-1", "C1_BAUD": 9}) == {"NAME": "pump-1", "C1_BAUD": "9"}

    @pytest.mark.parametrize("settings", [None, [], {}, "NAME=pump", ["NAME", "pump"]])
    def test_not_a_dict_is_refused(self, settings):
        with pytest.raises(FleetError, match="must be a dict of keys to values"):
            fleet.settings_text(settings)

    @pytest.mark.parametrize("value", [True, None, 1.5, ["a"], {"a": 1}])
    def test_a_value_that_is_no_text_is_refused(self, value):
        with pytest.raises(FleetError, match="the value of NAME must be text or a number"):
            fleet.settings_text({"NAME": value})

    def test_an_empty_key_is_refused(self):
        with pytest.raises(FleetError, match="is not a key"):
            fleet.settings_text({"": "x"})


class TestTarget:
    vandrel = fake_vandrel({"198.18.1.2": 5, "02:56:44:12:01:03": 48, "02:56:44:12:01:02": 5})

    def test_each_family_by_its_own_address(self):
        assert fleet.target(self.vandrel, "198.18.1.2") == ("198.18.1.2", 5, False)
        assert fleet.target(self.vandrel, "02:56:44:12:01:03") == ("02:56:44:12:01:03", 48, True)

    @pytest.mark.parametrize("device, device_type, message, code", [
        ("02:56:44:12:01:02", None, "a family A device \\(type 5\\) is addressed by its IP", 101),
        ("198.18.1.7", 48, "a family B device \\(type 48\\) is addressed by its MAC", 101),
        ("198.18.1.7", 200, "unknown device type 200", None),
        ("198.18.1.9", None, "did not answer", 100)])  # the library's code is kept
    def test_refusals(self, device, device_type, message, code):
        with pytest.raises(FleetError, match=message) as error:
            fleet.target(self.vandrel, device, device_type)
        assert code is None or (error.value.code, error.value.result()["device"]) == (code, device)


class TestLoad:
    def test_a_host_without_the_library_is_told_what_to_install(self, monkeypatch):
        monkeypatch.setitem(__import__("sys").modules, "vandrel", None)
        with pytest.raises(FleetError, match="install libvandrel1 and python3-vandrel"):
            fleet.load_vandrel()

    def test_interfaces_keep_broadcasts_to_them(self, monkeypatch):
        monkeypatch.setitem(__import__("sys").modules, "vandrel", types.SimpleNamespace())
        monkeypatch.delenv("VANDREL_INTERFACES", raising=False)
        fleet.load_vandrel(["lan0", "lan1"])
        assert __import__("os").environ["VANDREL_INTERFACES"] == "lan0,lan1"
