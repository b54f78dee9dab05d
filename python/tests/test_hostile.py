"""The vandrel module against devices under hostile control (vandrel-sim
--hostile): texts of chosen bytes come back as the device's bytes, and a
device that answers each search thousands of times under made-up addresses
cannot make a search hold more than its limit. Runs only in a private
network namespace (the suite starts it through scripts/in-netns.sh)."""
import unittest

import simulator
import vandrel

FLOOD = 3000
# The bytes of --hostile's device names, and of the NAME its AT session
# answers (as tests/cli/hostile_output_test.sh shows them on a terminal).
NAME_A = b"\x1b[2J\x1b[H\x07\r\nfake\x7f\xff<img src=x onerror=alert(1)>"
NAME_B = b"\x1b[2J\x07\r\n<b>x\x7f\xff"
AT_NAME = b"\x1b[2J\x1b[H\x07evil\r\nforged\x7f\xff<img src=x onerror=alert(1)>"


def device_bytes(text):
    return text.encode("utf-8", "surrogateescape")


def setUpModule():
    global sim
    sim, _ = simulator.start(["--hostile", "--search-flood", str(FLOOD)])


def tearDownModule():
    simulator.stop(sim)


class Hostile(unittest.TestCase):
    def test_texts_of_chosen_bytes_read_as_those_bytes(self):
        found = {d.ip: d for d in vandrel.search("127.0.0.20", wait=0.3)}
        self.assertEqual(found["127.0.0.20"].family, "A")
        self.assertEqual(device_bytes(vandrel.read("127.0.0.20", device_type=5)["NAME"]), NAME_A)
        family_b = vandrel.read("02:56:44:00:00:15", device_type=32)
        self.assertEqual(device_bytes(family_b["NAME"]), NAME_B)

    def test_an_at_value_of_chosen_bytes_reads_as_those_bytes(self):
        with vandrel.AtSession("127.0.0.21", "admin", device_type=32) as at:
            self.assertEqual(device_bytes(at["NAME"]), AT_NAME)
            self.assertEqual(at["C1_BAUD"], "115200")  # the session goes on after it

    def test_a_search_flood_lists_the_limit_at_most(self):
        self.assertEqual(len(vandrel.search(wait=1.0, limit=500)), 500)
        # What the flood sent past the limit is not listed by the next search.
        self.assertEqual([d.ip for d in vandrel.search("127.0.0.2", wait=0.3)], ["127.0.0.2"])
        self.assertGreater(len(vandrel.search(wait=1.0)), 500)
        self.assertRaises(ValueError, vandrel.search, wait=0.1, limit=0)


if __name__ == "__main__":
    unittest.main()
