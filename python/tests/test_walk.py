"""The vandrel module against vandrel-sim, as a script would use it. Runs
only in a private network namespace (the suite starts it through
scripts/in-netns.sh); VANDREL_SIM names the simulator, VANDREL_LIB the library."""
import os
import signal
import tempfile
import threading
import time
import unittest

import simulator
import vandrel

FLEET = b"""
family-a  127.0.0.2  type=5  name=caf\xe9\xff password=admin
family-a  127.0.0.9  type=5  silent=yes
io-module 127.0.0.3  port=8800 adc=1234,3071 io=5,160
family-b  127.0.0.10 type=32 name=one-port   password=admin
family-b  127.0.0.12 type=48 name=four-ports password=admin at-port=none
data-flood 127.0.0.22 port=8800
"""
GETADC = b"\xaa\x05\x00\xaf\x0d"


def setUpModule():
    global sim, log
    work = tempfile.mkdtemp()
    with open(os.path.join(work, "fleet"), "wb") as fleet:
        fleet.write(FLEET)
    sim, log = simulator.start(["--fleet", fleet.name])


def tearDownModule():
    simulator.stop(sim)


class Walk(unittest.TestCase):
    # call(*args) raises error with the library's code.
    def assertCode(self, error, code, call, *args, **kwargs):
        with self.assertRaises(error) as raised:
            call(*args, **kwargs)
        self.assertEqual(raised.exception.code, code)


    def test_family_a_by_ip(self):
        self.assertNotIn("PASS", vandrel.read("127.0.0.2"))
        # Bytes that are no UTF-8 still read (chosen ones are the hostile test's).
        self.assertEqual(vandrel.read("127.0.0.2", ["name", "NAME", "PASS"], device_type=5), {"NAME": "caf\udce9\udcff"})
        # (A wrong password is the AT session's here, a write's the sites lab's.)
        vandrel.write("127.0.0.2", {"NAME": "pump-1", "C1_BAUD": 7}, password="admin", device_type=5)
        self.assertEqual(vandrel.read("127.0.0.2", ["NAME", "C1_BAUD"], device_type=5),
                         {"NAME": "pump-1", "C1_BAUD": "7"})

    def test_refusals_send_nothing(self):
        # The checks are the library's, worded as the vandrel tool's set
        # words them (the tool's tests hold each rule); here, their wiring.
        refused = vandrel.check(5, {"NAME": "twenty-characters-xx", "C1_BAUD": "7", "NAEM": "pump"})
        self.assertEqual([(r.key, r.value, r.stored) for r in refused],
                         [("NAME", "twenty-characters-xx", "twenty-cha"), ("NAEM", "pump", None)])
        self.assertRaises(ValueError, vandrel.check, 99, {})
        with self.assertRaises(vandrel.SettingRefused) as error:
            vandrel.write("127.0.0.2", {"C1_BAUD": "8", "NAME": "x\r\nAT+C1_BAUD=1200"}, password="admin", device_type=5)
        self.assertEqual(error.exception.key, "NAME")
        with self.assertRaisesRegex(vandrel.SettingRefused, r"^NAME: the value holds a control character \(0x00\)"):
            vandrel.write("127.0.0.2", {"NAME": "a\0b"}, password="admin", device_type=5, force=True)
        with self.assertRaises(vandrel.SettingRefused):
            vandrel.write("127.0.0.2", {"NAEM": "pump"}, password="admin", device_type=5, force=True)
        self.assertNotEqual(vandrel.read("127.0.0.2", ["C1_BAUD"], device_type=5), {"C1_BAUD": "8"})
        vandrel.write("127.0.0.2", {"NAME": "twenty-characters-xx"}, password="admin", device_type=5, force=True)
        # The device's own TYPE wins over the type given, as in the tool.
        with self.assertRaises(vandrel.WrongTypeError) as wrong:
            vandrel.write("127.0.0.2", {"CANBAUD1": "500000"}, password="admin", device_type=17, force=True)
        self.assertIn("127.0.0.2 reports type 5 in its read, not type 17 as given", str(wrong.exception))
        self.assertRaises(vandrel.WrongTypeError, vandrel.read, "127.0.0.2", ["NAME"], device_type=7)
        self.assertEqual(vandrel.read("127.0.0.2", ["NAME"], device_type=5), {"NAME": "twenty-cha"})

    def test_search_lists_both_families_and_family_b_goes_by_mac(self):
        found = {d.ip: d for d in vandrel.search(wait=0.3)}
        self.assertEqual((found["127.0.0.2"].type, found["127.0.0.2"].family), (5, "A"))
        device = found["127.0.0.12"]
        self.assertEqual((device.mac, device.address), ("02:56:44:00:00:0C",) * 2)
        vandrel.write(device, {"C2_BAUD": "9600"}, password="admin")
        settings = vandrel.read(device, with_password=True)
        self.assertEqual((settings["NAME"], settings["C2_BAUD"], settings["PASS"]), ("four-ports", "9600", "admin"))
        self.assertCode(vandrel.WrongFamilyError, 101, vandrel.read, "127.0.0.12", device_type=48)

    def test_at_session(self):
        with vandrel.AtSession("127.0.0.10", "admin") as at:
            self.assertEqual(at["C1_BAUD"], "115200")
            at["C1_BAUD"] = 57600
            self.assertEqual(at.get("C1_BAUD"), "57600")
            self.assertRaises(RuntimeError, vandrel.AtSession("127.0.0.10", "admin").open)
            # A line break would end the command and start another.
            with self.assertRaises(vandrel.SettingRefused) as error:
                at["NAME"] = "x\r\nAT+C1_BAUD=1200"
            self.assertIn("control character (0x0D)", str(error.exception))
        self.assertRaises(vandrel.SettingRefused, vandrel.AtSession, "127.0.0.10", "admin\r\nAT+RESET")
        self.assertNotIn(b"1200", log.read_bytes())
        self.assertCode(vandrel.WrongPasswordError, 102, vandrel.AtSession("127.0.0.10", "guess", device_type=32).open)

    def test_io_module_and_commands(self):
        with vandrel.IOModule("127.0.0.3") as io:
            self.assertEqual((io.analog(), io.io_state()), ((1234, 3071), (5, 160)))
            io.set_direction(15)
            io.set_level(5)
        # (A firmware download is the sites lab's, through vandrel.fleet.firmware.)
        self.assertEqual(vandrel.command("127.0.0.3", "GETADC", device_type=7, tcp=True), "1234,3071")
        time.sleep(0.3)  # the simulator logs in 100 ms ticks
        for served in (b"io-module SETIODIR 15\n", b"io-module SETIOLEVEL 5\n"):
            self.assertIn(served, log.read_bytes())

    def test_data_through_a_callable(self):
        got, refused, arrived = [], [], threading.Event()

        def receiver(piece):
            got.append(piece)
            try:
                vandrel.IOModule("127.0.0.3").open()  # a connect would wait for this very thread
            except vandrel.WrongThreadError as error:
                refused.append(error)
            arrived.set()

        with vandrel.DataChannel("127.0.0.3", 8800, receiver=receiver) as channel:
            channel.send(GETADC)
            arrived.wait(1.0)
        self.assertEqual(got, [b"\xaa\x05\x04\x04\xd2\x0b\xff\x89\r"])
        self.assertEqual(len(refused), 1)
        with vandrel.DataChannel("127.0.0.3", 8800) as channel:
            channel.send(GETADC)
            self.assertEqual(channel.receive(timeout=1.0)[:3], b"\xaa\x05\x04")

    def test_data_from_a_device_that_never_stops_is_capped(self):
        with vandrel.DataChannel("127.0.0.22", 8800, max_bytes=5000) as channel:
            time.sleep(0.3)
            self.assertEqual(channel.receive(timeout=1.0), bytes(range(256)) * 19 + bytes(range(136)))
            self.assertGreater(channel.dropped, 0)
            time.sleep(0.3)
            self.assertEqual(len(channel.receive(timeout=1.0)), 5000)
            closing = time.monotonic()
        # However fast the device sends, a close waits for one pump at most.
        self.assertLess(time.monotonic() - closing, 1.0)
        self.assertRaises(ValueError, vandrel.DataChannel, "127.0.0.22", max_bytes=(1 << 20) + 1)

    def test_errors_and_bad_input(self):
        self.assertCode(vandrel.NoAnswerError, 0, vandrel.read, "127.0.0.9", device_type=5)
        for call in (lambda: vandrel.read(7), lambda: vandrel.search(wait="1"),
                     lambda: vandrel.write("127.0.0.2", {"NAME": 1.5}, "admin", device_type=5),
                     lambda: vandrel.IOModule("127.0.0.3").set_level("5")):
            self.assertRaises(TypeError, call)
        self.assertRaises(ValueError, vandrel.write, "127.0.0.2", {"NAME": "x" * 64}, "admin", device_type=5)
        # As the tool: a host name is no address to search, an empty image
        # is refused, a connection that cannot be made is code 103.
        self.assertRaisesRegex(ValueError, "'nosuchhost' is not an IPv4 address", vandrel.search, "nosuchhost")
        with tempfile.NamedTemporaryFile() as empty:
            self.assertRaisesRegex(ValueError, "is empty", vandrel.firmware_check, [empty.name])
        self.assertCode(vandrel.NoConnectionError, 103, vandrel.IOModule("127.0.0.99").open)
        # Ranges are the rules library's, as the tool reads them: /16 the widest.
        for text, first, count in (("198.18.0.9/32", "198.18.0.9", 1), ("198.18.0.9/29", "198.18.0.8", 8),
                                   ("198.18.0.0/16", "198.18.0.0", 65536)):
            network = vandrel.address_range(text)
            self.assertEqual((str(network[0]), network.num_addresses), (first, count))
        self.assertRaisesRegex(ValueError, "wider than a /16", vandrel.search, "198.18.0.0/15")
        # Versions as devices tell them, read by the rules library as the tool's rollout reads them.
        for text, hundredths in (("1.06", 106), ("V1.06", 106), ("v12.34", 1234), ("0.00", 0), ("1.6", None),
                                 ("123.45", None), ("1.0a", None), ("", None), (" 1.06", None), ("0x1.06", None),
                                 ("1.06\0", None), ("+1.06", None), (".06", None), ("1.060", None)):
            self.assertEqual(vandrel.firmware_version(text), hundredths, text)

    def test_ctrl_c_returns_after_the_bounded_wait(self):
        threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT)).start()
        start = time.monotonic()
        with self.assertRaises(KeyboardInterrupt):
            vandrel.read("127.0.0.9", device_type=5)
        self.assertLess(time.monotonic() - start, 4)


if __name__ == "__main__":
    unittest.main()
