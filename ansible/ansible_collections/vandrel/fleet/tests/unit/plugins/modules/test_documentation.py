"""ansible-doc shows every module of the collection: its description,
examples and return values."""
import json
import os
import pathlib
import subprocess

import pytest

COLLECTIONS = pathlib.Path(__file__).parents[7]
MODULES = ["search", "settings", "apply", "backup", "command", "firmware"]


@pytest.fixture(scope="module")
def documented(tmp_path_factory):
    env = dict(os.environ, ANSIBLE_COLLECTIONS_PATH=str(COLLECTIONS),
               ANSIBLE_HOME=str(tmp_path_factory.mktemp("ansible")))
    out = subprocess.run(["ansible-doc", "--json"] + [f"vandrel.fleet.{m}" for m in MODULES],
                         env=env, capture_output=True, text=True, check=True).stdout
    return json.loads(out)


@pytest.mark.parametrize("module", MODULES)
def test_every_module_is_documented(documented, module):
    doc = documented[f"vandrel.fleet.{module}"]
    assert doc["doc"]["short_description"] and doc["examples"] and doc["return"]

