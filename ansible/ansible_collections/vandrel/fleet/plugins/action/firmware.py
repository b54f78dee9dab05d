"""The action of vandrel.fleet.firmware: the module, told its play and host."""
from __future__ import annotations

from ansible_collections.vandrel.fleet.plugins.plugin_utils.audited import ActionModule  # noqa: F401
