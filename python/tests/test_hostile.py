"""The vandrel module against devices under hostile control (vandrel-sim
--hostile): texts of chosen bytes come back as the device's bytes, and a
device that answers each search thousands of times under made-up addresses
cannot make a search hold more than its limit. Runs only in a private
network namespace (the suite starts it through scripts/in-netns.sh)."""
import os
import re
import subprocess
import unittest

import simulator
import vandrel

FLOOD = 3000


def fleet_text(address, field):
    """A field of a hostile device's line of the simulator's fleet, as the
    bytes the device sends."""
    fleet = subprocess.run([os.environ["VANDREL_SIM"], "--print-fleet", "--hostile"], capture_output=True,
                           check=True).stdout.decode()
    line = next(line for line in fleet.splitlines() if re.match(rf"\S+\s+{re.escape(address)}\s", line))
    text = re.search(rf"(?:^|\s){re.escape(field)}=(\S+)", line).group(1)
    return re.sub(rb"\\(x[0-9a-fA-F]{2}|\\)", lambda m: b"\\" if m.group(1) == b"\\" else bytes.fromhex(
        m.group(1)[1:].decode()), text.encode())


def device_bytes(text):
    return text.encode("utf-8", "surrogateescape")


def setUpModule():
    global sim
    sim, _ = simulator.start(["--hostile", "--search-flood", str(FLOOD)])


def tearDownModule():
    simulator.stop(sim)


class Hostile(unittest.TestCase):
    def test_texts_of_chosen_bytes_read_as_those_bytes(self):
        name_a, name_b = fleet_text("127.0.0.20", "name"), fleet_text("127.0.0.21", "name")
        self.assertIn(b"\x1b[2J", name_a)  # the fixture's bytes are what this test is about
        found = {d.ip: d for d in vandrel.search("127.0.0.20", wait=0.3)}
        self.assertEqual(found["127.0.0.20"].family, "A")
        self.assertEqual(device_bytes(vandrel.read("127.0.0.20", device_type=5)["NAME"]), name_a[:63])
        family_b = vandrel.read("02:56:44:00:00:15", device_type=32)
        self.assertEqual(device_bytes(family_b["NAME"]), name_b)

    def test_an_at_value_of_chosen_bytes_reads_as_those_bytes(self):
        with vandrel.AtSession("127.0.0.21", "admin", device_type=32) as at:
            self.assertEqual(device_bytes(at["NAME"]), fleet_text("127.0.0.21", "at.NAME"))
            self.assertEqual(at["C1_BAUD"], "115200")  # the session goes on after it

    def test_a_search_flood_lists_the_limit_at_most(self):
        self.assertEqual(len(vandrel.search(wait=1.0, limit=500)), 500)
        # What the flood sent past the limit is not listed by the next search.
        self.assertEqual([d.ip for d in vandrel.search("127.0.0.2", wait=0.3)], ["127.0.0.2"])
        self.assertGreater(len(vandrel.search(wait=1.0)), 500)
        self.assertRaises(ValueError, vandrel.search, wait=0.1, limit=0)


if __name__ == "__main__":
    unittest.main()
