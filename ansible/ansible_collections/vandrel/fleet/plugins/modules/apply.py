#!/usr/bin/python
"""vandrel.fleet.apply: a plan of settings across a site's devices."""

DOCUMENTATION = r"""
module: apply
short_description: Apply a plan of settings across the site's devices
description:
  - Runs C(vandrel apply) on the site host, which serves the plan's devices
    at once in one process, the fast way to give hundreds of devices their
    settings.
  - The plan is that of C(vandrel apply), as a dict (I(plan)) or a file on
    the site host (I(plan_file), JSON or text). Every device is read and
    checked first; when the checks refuse any key or value, nothing is
    written and the task fails with the refusals.
  - C(changed) only when some device was written. Check mode is the plan's
    dry run; diff mode shows each device's keys before and after.
  - No password is ever shown. The plan's passwords (its own, each
    device's, a C(PASS) among settings) are censored in the task's arguments
    at any verbosity and in everything the task returns, and a change of a
    device's password shows as "(changed)", the one it replaces as
    "(current)".
version_added: "1.0.0"
author: Vandrel developers (!UNKNOWN)
extends_documentation_fragment:
  - vandrel.fleet.site
  - vandrel.fleet.site.audit
options:
  plan:
    description:
      - The plan, with C(devices), and optionally C(password) and C(settings) for every device.
      - Each device may have its own C(password) and C(settings); the passwords are never shown.
    type: dict
  plan_file:
    description: A plan file on the site host.
    type: path
  password:
    description: The devices' password where the plan gives none. Defaults to C(VANDREL_PASSWORD) of the site host.
    type: str
  jobs:
    description: Devices served at once; by default those of C(vandrel apply) (1,024).
    type: int
  wait:
    description: Milliseconds the search for the plan's devices collects answers.
    type: int
  force:
    description: Send keys and values that the checks refuse.
    type: bool
    default: false
requirements:
  - vandrel-tools (the vandrel tool) on the site host
attributes:
  diff_mode:
    description: Shows each device's keys that differ, before and after.
    support: full
notes:
  - Exactly one of I(plan) and I(plan_file) is given.
"""

EXAMPLES = r"""
- name: The site's plan
  vandrel.fleet.apply:
    password: "{{ device_password }}"
    plan:
      settings: {C1_BAUD: "9"}
      devices:
        - {ip: 198.18.1.2, settings: {NAME: pump-1}}
        - {mac: "02:56:44:12:01:03", settings: {NAME: press-1}}
        - {type: 17, settings: {CANBAUD1: "500000"}}
"""

RETURN = r"""
devices:
  description: Each device's result as C(vandrel apply --json) gives it.
  returned: always
  type: list
  elements: dict
  contains:
    device: {description: Its address., type: str}
    type: {description: Its type code (0 when not found)., type: int}
    result:
      description: "C(ok), C(unchanged), C(to change), C(failed), C(not found), C(refused), ..."
      type: str
    detail: {description: What happened., type: str}
    changes:
      description: "The keys that differ, each with C(key), C(from) and C(to); C(PASS) as (current) and (changed)."
      type: list
summary: {description: The devices counted by result., returned: always, type: str}
"""

import json
import os
import tempfile

from ansible.module_utils.basic import env_fallback
from ansible_collections.vandrel.fleet.plugins.module_utils.fleet import (AUDIT_ARGS, CHANNEL, SITE_ARGS, FleetError,
                                                                          operation)
from ansible_collections.vandrel.fleet.plugins.module_utils.secrets import (CHANGED, CURRENT, SecretModule,
                                                                            hidden_refusal, is_password, plan_passwords)

WRITTEN = {"ok"}


def command(tool, params, check_mode, plan_path):
    args = [tool, "apply", plan_path, "--json"]
    if params["jobs"] is not None:
        args += ["--jobs", str(params["jobs"])]
    if params["wait"] is not None:
        args += ["--wait", str(params["wait"])]
    if params["force"]:
        args.append("--force")
    if check_mode:
        args.append("--dry-run")
    # The tool's audit rows name the task as the settings module's do.
    return args + [f"--channel={CHANNEL}", f"--operation={operation(params)}"]


def environment(params):
    env = {}
    if params["password"] is not None:
        env["VANDREL_PASSWORD"] = params["password"]
    if params["interfaces"]:
        env["VANDREL_INTERFACES"] = ",".join(params["interfaces"])
    return env


def document(out):
    """The tool's JSON document, which follows the changes it lists."""
    start = 0 if out.startswith("{") else out.index("\n{") + 1
    return json.JSONDecoder().raw_decode(out, start)[0]


def hide_passwords(device):
    """A device's result with a change of its password, and a refusal of
    the new one, showing neither the old password nor the new."""
    changes = [dict(c, **{"from": CURRENT, "to": CHANGED}) if is_password(c["key"]) else c for c in device["changes"]]
    hidden = dict(device, changes=changes)
    if "refused" in device:
        hidden["refused"] = [hidden_refusal(r) for r in device["refused"]]
    return hidden


def outcome(report, status, check_mode):
    """The task's result from the tool's report and exit status."""
    if "error" in report:
        raise FleetError(f"the plan was not applied: {report['error']}", report.get("code"))
    devices = [hide_passwords(d) for d in report["devices"]]
    result = dict(devices=devices, summary=report["summary"],
                  changed=any(d["result"] in (WRITTEN | {"to change"} if check_mode else WRITTEN) for d in devices))
    before = "".join(f"{d['device']} {c['key']}={c.get('from') or ''}\n" for d in devices for c in d["changes"])
    after = "".join(f"{d['device']} {c['key']}={c.get('to') or ''}\n" for d in devices for c in d["changes"])
    result["diff"] = {"before": before, "after": after}
    if status == 2:
        refused = "; ".join(f"{d['device']}: {r}" for d in devices for r in d.get("refused", []))
        raise FleetError(f"the checks refused the plan, nothing written: {refused}", **result)
    if status != 0:
        raise FleetError(f"the plan failed on some devices: {report['summary']}", **result)
    return result


def main():
    module = SecretModule(lambda params: plan_passwords(params.get("plan")), argument_spec=dict(
        plan=dict(type="dict"),
        plan_file=dict(type="path"),
        password=dict(type="str", no_log=True, fallback=(env_fallback, ["VANDREL_PASSWORD"])),
        jobs=dict(type="int"),
        wait=dict(type="int"),
        force=dict(type="bool", default=False),
        **SITE_ARGS,
        **AUDIT_ARGS,
    ), required_one_of=[("plan", "plan_file")], mutually_exclusive=[("plan", "plan_file")],
        supports_check_mode=True)
    tool = module.get_bin_path("vandrel")
    if tool is None:
        module.fail_json(msg="the vandrel tool is not on this host's PATH: install vandrel-tools")
    params = module.params
    with tempfile.TemporaryDirectory() as work:
        path = params["plan_file"]
        if path is None:
            path = os.path.join(work, "plan.json")
            with open(path, "w") as plan:
                json.dump(params["plan"], plan)
        status, out, err = module.run_command(command(tool, params, module.check_mode, path),
                                              environ_update=environment(params))
    try:
        report = document(out)
    except ValueError:
        module.fail_json(msg=f"vandrel apply failed (exit status {status}): {err.strip() or out.strip()}")
    try:
        module.exit_json(**outcome(report, status, module.check_mode))
    except FleetError as error:
        module.fail_json(**error.result())


if __name__ == "__main__":
    main()
