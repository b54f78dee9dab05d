"""ansible-doc shows every module of the collection: its description,
examples and return values."""
import json
import os
import pathlib
import subprocess


COLLECTIONS = pathlib.Path(__file__).parents[7]
MODULES = ["device_info", "search", "settings", "apply", "backup", "command", "firmware"]


def test_every_module_is_documented(tmp_path):
    env = dict(os.environ, ANSIBLE_COLLECTIONS_PATH=str(COLLECTIONS), ANSIBLE_HOME=str(tmp_path))
    out = subprocess.run(["ansible-doc", "--json"] + [f"vandrel.fleet.{m}" for m in MODULES],
                         env=env, capture_output=True, text=True, check=True).stdout
    documented = json.loads(out)
    for module in MODULES:
        doc = documented[f"vandrel.fleet.{module}"]
        assert doc["doc"]["short_description"] and doc["examples"] and doc["return"], module
