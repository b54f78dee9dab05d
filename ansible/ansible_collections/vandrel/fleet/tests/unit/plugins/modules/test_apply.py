"""How vandrel.fleet.apply reads the tool's report: what counts as changed,
what fails the task, and the diff it shows."""
import pytest

from ansible_collections.vandrel.fleet.plugins.module_utils.fleet import FleetError
from ansible_collections.vandrel.fleet.plugins.modules import apply


def report(*results, summary="-"):
    return {"dry_run": False, "interrupted": False, "summary": summary, "devices": [
        {"device": f"198.18.1.{i + 2}", "type": 5, "plan": "", "result": r, "detail": "",
         "changes": [{"key": "NAME", "from": "old", "to": "new"}] if r in ("ok", "to change") else []}
        for i, r in enumerate(results)]}


# What counts as changed, in check mode and not, and reading the report
# after the changes a dry run lists, are the sites lab's (its guide play).
class TestOutcome:
    def test_diff_names_the_device_and_key(self):
        shown = apply.outcome(report("ok"), 0, False)["diff"]
        assert (shown["before"], shown["after"]) == ("198.18.1.2 NAME=old\n", "198.18.1.2 NAME=new\n")

    def test_refusals_fail_the_task_with_each_of_them(self):
        refused = report("refused")
        refused["devices"][0]["refused"] = ["C1_BAUD=115200: the device would store '0'"]
        with pytest.raises(FleetError, match="nothing written: 198.18.1.2: C1_BAUD=115200") as error:
            apply.outcome(refused, 2, False)
        assert error.value.result()["devices"][0]["result"] == "refused"

    def test_a_failed_device_fails_the_task_with_every_result(self):
        with pytest.raises(FleetError, match="1 ok, 1 failed") as error:
            apply.outcome(report("ok", "failed", summary="1 ok, 1 failed"), 1, False)
        assert error.value.result()["changed"]

    def test_a_malformed_plan_keeps_the_tool_message_and_code(self):
        with pytest.raises(FleetError, match="not applied: plan.json:1:2: expected") as error:
            apply.outcome({"error": "plan.json:1:2: expected", "code": 0}, 2, False)
        assert error.value.code == 0


def test_options_become_the_tool_arguments():
    params = {"jobs": 4, "wait": 300, "force": True, "password": "pw", "interfaces": ["lan0"],
              "audit": {"play": "pumps", "host": "site1"}}
    assert apply.command("vandrel", params, True, "p.json") == [
        "vandrel", "apply", "p.json", "--json", "--jobs", "4", "--wait", "300", "--force", "--dry-run",
        "--channel=ansible", "--operation=play pumps, host site1"]
    assert apply.environment(params) == {"VANDREL_PASSWORD": "pw", "VANDREL_INTERFACES": "lan0"}


def test_output_without_a_report_is_refused():
    with pytest.raises(ValueError):
        apply.document("vandrel: cannot read plan.json\n")
