"""The action of the modules that write or command (settings, apply,
command, firmware; plugins/action names it for each): the module, told
the play and the host it runs for, which its rows in the fleet database's
audit trail name; only the controller knows them."""
from __future__ import annotations

from ansible.plugins.action import ActionBase


class ActionModule(ActionBase):
    def run(self, tmp=None, task_vars=None):
        task_vars = task_vars or {}
        result = super().run(tmp, task_vars)
        args = dict(self._task.args, audit={"play": str(task_vars.get("ansible_play_name", "")),
                                            "host": str(task_vars.get("inventory_hostname", ""))})
        result.update(self._execute_module(module_args=args, task_vars=task_vars))
        return result
