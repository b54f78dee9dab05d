"""No password leaves a module: those inside its dict options are censored
in whatever it prints, a failed check of its arguments included, and the
tool's report of a password change or refusal shows neither value. (At
-vvv, over SSH, with Ansible's log: the sites lab's.)"""
import json

import pytest
from ansible.module_utils import basic

from ansible_collections.vandrel.fleet.plugins.module_utils.secrets import (SecretModule, plan_passwords,
                                                                            settings_passwords)
from ansible_collections.vandrel.fleet.plugins.modules import apply


def printed(capsys, monkeypatch, secrets, args, **options):
    """What a module given args prints when it ends, here by a failed check
    of its arguments (an unknown option)."""
    monkeypatch.setattr(basic, "_ANSIBLE_ARGS", json.dumps({"ANSIBLE_MODULE_ARGS": dict(args, nope=1)}).encode())
    with pytest.raises(SystemExit):
        SecretModule(secrets, argument_spec=options)
    return capsys.readouterr().out


@pytest.mark.parametrize("secrets, args", [
    (lambda p: settings_passwords(p.get("settings")), {"settings": {"NAME": "pump-1", "PASS": "New-Secret-2"}}),
    (lambda p: settings_passwords(p.get("settings")), {"settings": "NAME=pump-1 PASS=New-Secret-2"}),
    (lambda p: plan_passwords(p.get("plan")), {"plan": {"password": "Old-Secret-1", "settings": {"pass": 7},
                                                        "devices": [{"ip": "198.18.1.2", "password": "Other-3",
                                                                     "settings": {"PASS": "New-Secret-2"}}]}}),
    (lambda p: plan_passwords(p.get("plan")), {"plan": json.dumps({"password": "Old-Secret-1"})}),
])
def test_passwords_inside_options_are_censored(capsys, monkeypatch, secrets, args):
    out = printed(capsys, monkeypatch, secrets, args, **{name: dict(type="dict") for name in args})
    assert "nope" in json.loads(out)["msg"]
    for secret in ("New-Secret-2", "Old-Secret-1", "Other-3"):
        assert secret not in out
    assert "pump-1" in out or "plan" in args


def test_a_password_change_or_refusal_in_the_tool_s_report_shows_no_value():
    device = {"device": "198.18.1.2", "type": 5, "result": "refused", "detail": "", "changes": [
        {"key": "PASS", "from": "Old-Secret-1", "to": "New-Secret-2"}, {"key": "NAME", "from": "a", "to": "b"}],
        "refused": ["PASS=New-Secret-2xxxxxxxxxxxxxx: the device would store 'New-Secret-2xxx' (it takes 15 bytes)",
                    "C1_BAUD=115200: the device would store '0' (it takes 0 to 9)"]}
    with pytest.raises(apply.FleetError) as error:
        apply.outcome({"summary": "1 refused", "devices": [device]}, 2, True)
    shown = json.dumps(error.value.result())
    assert "Secret" not in shown
    assert "PASS=(changed): the device would store it otherwise (it takes 15 bytes)" in shown
    assert "C1_BAUD=115200: the device would store '0'" in shown
    assert "NAME=a" in shown and "PASS=(current)" in shown and "PASS=(changed)" in shown
