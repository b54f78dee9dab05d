"""vandrel.Fleet against vandrel-sim: many devices of both families at once,
with the checks, errors and codes of the single-device calls; and the audit
trail of writes, commands and AT sessions in the fleet database, read back
by the vandrel tool (VANDREL_CLI). Runs only in a private network namespace."""
import json
import os
import subprocess
import tempfile
import time
import unittest

import simulator
import vandrel

FLEET = b"""
family-a  127.0.0.2  type=5  name=caf\xe9 password=admin
family-a  127.0.0.3  type=17 name=can-1  password=admin
family-a  127.0.0.9  type=5  silent=yes
family-b  127.0.0.10 type=32 name=one-port   password=admin
family-b  127.0.0.11 type=56 name=two-ports  password=admin at-port=none
family-b  127.0.0.12 type=48 name=four-ports password=admin at-port=none
family-b  127.0.0.13 type=64 name=eight-ports password=admin at-port=none
"""
B = ["02:56:44:00:00:0A", "02:56:44:00:00:0B", "02:56:44:00:00:0C", "02:56:44:00:00:0D"]


def setUpModule():
    global sim, log, devices
    work = tempfile.mkdtemp()
    with open(os.path.join(work, "fleet"), "wb") as fleet:
        fleet.write(FLEET)
    sim, log = simulator.start(["--fleet", fleet.name])
    devices = {d.address: d for d in vandrel.search(wait=0.3)}


def tearDownModule():
    simulator.stop(sim)


def writes_logged():
    return log.read_bytes().count(b"write of")


def history(db):
    out = subprocess.run([os.environ["VANDREL_CLI"], "history", "--json", "--db", db], check=True,
                         capture_output=True).stdout
    return json.loads(out)["writes"]


class ManyAtOnce(unittest.TestCase):
    def test_both_families_written_and_read_at_once(self):
        named = {address: f"n{i}" for i, address in enumerate(["127.0.0.2", "127.0.0.3"] + B)}
        alone = time.monotonic()
        with vandrel.Fleet(audit=False) as fleet:  # the slowest device: eight ports, their blocks and a restart
            fleet.write(devices[B[3]], {"NAME": "alone"}, "admin").result()
        alone = time.monotonic() - alone
        start = time.monotonic()
        with vandrel.Fleet(audit=False) as fleet:
            written = [fleet.write(devices[a], {"NAME": name}, "admin") for a, name in named.items()]
            # Given after the write, a read of the same device sees it.
            reads = {a: fleet.read(devices[a]) for a in named}
            self.assertEqual([w.result() for w in written], [None] * len(named))
            self.assertEqual({a: r.result()["NAME"] for a, r in reads.items()}, named)
        # Six writes side by side, each device then read: one after the
        # other, they take three times the slowest's.
        self.assertLess(time.monotonic() - start, 2 * alone)
        for address, read in reads.items():
            self.assertEqual(read.result(), vandrel.read(devices[address]))
            self.assertNotIn("PASS", read.result())

    def test_device_texts_are_bytes(self):
        with vandrel.Fleet(audit=False) as fleet:
            fleet.write("127.0.0.2", {"NAME": b"caf\xe9\xff"}, "admin", device_type=5).result()
            self.assertEqual(fleet.read("127.0.0.2", device_type=5).result()["NAME"], "caf\udce9\udcff")
            fleet.write("127.0.0.2", {"NAME": "caf\udce9"}, "admin", device_type=5).result()
        self.assertEqual(vandrel.read("127.0.0.2", ["NAME"], device_type=5), {"NAME": "caf\udce9"})


class OtherWriters(unittest.TestCase):
    def test_a_fleet_write_and_another_process_s_set_lose_no_change(self):
        # Each writes its copy of the whole block: unless they take turns by
        # the device's lock, one puts back what the other wrote.
        device = devices[B[2]]
        with vandrel.Fleet(audit=False) as fleet:
            for round in range(4):
                bits, baud = str(5 + round % 4), str(3000 + round)
                other = subprocess.Popen([os.environ["VANDREL_CLI"], "set", B[2], "--password", "admin",
                                          f"C1_BAUD={baud}"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
                fleet.write(device, {"C1_DATAB": bits}, "admin").result()
                self.assertEqual(other.wait(), 0, other.stdout.read())
                self.assertEqual(vandrel.read(device, ["C1_DATAB", "C1_BAUD"]), {"C1_DATAB": bits, "C1_BAUD": baud})


class CommandsAndSearches(unittest.TestCase):
    def test_commands_after_writes_audited_and_refused_as_alone(self):
        db = os.path.join(tempfile.mkdtemp(), "fleet.db")
        with vandrel.AuditTrail(db) as trail, vandrel.Fleet(audit=trail) as fleet:
            written = fleet.write("127.0.0.3", {"NAME": "restarted"}, "admin", device_type=17)
            restarts = [fleet.restart("127.0.0.3", device_type=17), fleet.restart(devices[B[1]])]
            refused = fleet.command("127.0.0.2", "RESETDEV10T", device_type=5)
            self.assertEqual([written.result()] + [r.result() for r in restarts], [None] * 3)
            Failures.assertSame(self, refused, vandrel.command, "127.0.0.2", "RESETDEV10T", device_type=5,
                                audit=False)
        time.sleep(0.3)  # the simulator logs in 100 ms ticks
        received = [line for line in log.read_text(errors="replace").splitlines() if "127.0.0.3 " in line and " from " in line]
        # The restart goes once the write is confirmed: the device's last datagram.
        self.assertIn("restart (RESETDEV)", received[-1])
        self.assertIn("write of", "".join(received[-4:-1]))
        rows = [(r["device"], r["key"], r["after"], r["confirmed"]) for r in history(db)]
        self.assertCountEqual(rows, [("127.0.0.3", "NAME", "restarted", True), ("127.0.0.3", "RESETDEV", "1", True),
                                     (B[1], "RESETDEV", B[1], True), ("127.0.0.2", "RESETDEV10T", "", False)])

    def test_searches_beside_other_operations(self):
        with vandrel.Fleet(audit=False) as fleet:
            everyone = fleet.search(wait=0.4)
            start = time.monotonic()
            one = fleet.search(until=B[2].lower(), wait=3)
            self.assertEqual(one.result()[-1].address, B[2])
            self.assertLess(time.monotonic() - start, 1)
            asked = fleet.search("127.0.0.3", wait=0.2)
            silent = fleet.search("127.0.0.9", wait=0.2)
            self.assertEqual(set(everyone.result()), set(vandrel.search(wait=0.4)))
            self.assertEqual([d.ip for d in asked.result()], ["127.0.0.3"])
            self.assertEqual(silent.result(), [])
            self.assertEqual(len(fleet.search(wait=0.2, limit=2).result()), 2)
            self.assertRaises(ValueError, fleet.search, "127.0.0.0/24")
            self.assertRaises(ValueError, fleet.search, until="pump")


class Failures(unittest.TestCase):
    def assertSame(self, future, call, *args, **kwargs):
        """The future fails as the single-device call does, code included."""
        with self.assertRaises(Exception) as alone:
            call(*args, **kwargs)
        error = future.exception()
        self.assertEqual((type(error), getattr(error, "code", None), str(error)),
                         (type(alone.exception), getattr(alone.exception, "code", None), str(alone.exception)))

    def test_refused_settings_send_nothing(self):
        before = writes_logged()
        with vandrel.Fleet(audit=False) as fleet:
            refused = [fleet.write("127.0.0.2", {"NAEM": "pump"}, "admin", device_type=5),
                       fleet.write(devices[B[2]], {"C1_PORT": "70000"}, "admin"),
                       fleet.write("127.0.0.3", {"CANBAUD1": "1"}, "admin", device_type=5, force=True)]
            self.assertRaises(TypeError, fleet.write, "127.0.0.2", {"NAME": 1.5}, "admin", device_type=5)
            self.assertRaises(vandrel.SettingRefused, fleet.write, "127.0.0.2", {"NAME": "a\0b"}, "admin",
                              device_type=5, force=True)
            self.assertSame(refused[0], vandrel.write, "127.0.0.2", {"NAEM": "pump"}, "admin", device_type=5)
            self.assertSame(refused[1], vandrel.write, devices[B[2]], {"C1_PORT": "70000"}, "admin")
            self.assertIsInstance(refused[2].exception(), vandrel.WrongTypeError)
        time.sleep(0.3)  # the simulator logs in 100 ms ticks
        self.assertEqual(writes_logged(), before)

    def test_wrong_password_silent_device_and_wrong_family(self):
        with vandrel.Fleet(timeout=2.5, audit=False) as fleet:
            guessed = [fleet.write(a, {"NAME": "x"}, "guess", device_type=t) for a, t in (("127.0.0.2", 5), (B[1], 56))]
            silent = [fleet.read("127.0.0.9", device_type=5),
                      fleet.write("127.0.0.9", {"NAME": "x"}, "admin", device_type=5)]
            no_family = fleet.read("127.0.0.2", device_type=99)
            self.assertSame(guessed[0], vandrel.write, "127.0.0.2", {"NAME": "x"}, "guess", device_type=5)
            self.assertSame(guessed[1], vandrel.write, B[1], {"NAME": "x"}, "guess", device_type=56)
            self.assertEqual(guessed[0].exception().code, 102)
            self.assertSame(silent[0], vandrel.read, "127.0.0.9", device_type=5)
            self.assertSame(silent[1], vandrel.write, "127.0.0.9", {"NAME": "x"}, "admin", device_type=5)
            self.assertIsInstance(silent[0].exception(), vandrel.NoAnswerError)
            self.assertSame(no_family, vandrel.read, "127.0.0.2", device_type=99)
            for address, code in (("127.0.0.12", 48), (B[0], 5)):
                with self.assertRaises(vandrel.WrongFamilyError) as wrong:
                    fleet.read(address, device_type=code)
                self.assertEqual(wrong.exception.code, 101)
        self.assertRaises(RuntimeError, fleet.read, "127.0.0.2", device_type=5)


class Audit(unittest.TestCase):
    def test_a_row_a_key_written_the_password_hidden(self):
        db = os.path.join(tempfile.mkdtemp(), "fleet.db")
        name = vandrel.read("127.0.0.2", ["NAME"], device_type=5)["NAME"]
        with vandrel.AuditTrail(db) as trail:
            vandrel.write("127.0.0.2", {"NAME": "pump-1", "PASS": "s3cret"}, "admin", device_type=5, audit=trail)
            vandrel.restart(devices[B[0]], audit=trail)
            with vandrel.AtSession("127.0.0.10", "admin", device_type=32, audit=trail) as at:
                at["C1_BAUD"] = 57600
            held = vandrel.read("127.0.0.2", device_type=5, snapshot=trail)
            self.assertRaises(ValueError, vandrel.read, "127.0.0.2", ["NAME"], device_type=5, snapshot=trail)
        os.environ["VANDREL_DB"] = db
        try:
            with vandrel.Fleet() as fleet:
                fleet.write(devices[B[3]], {"NAME": "eight"}, "admin").result()
                fleet.write("127.0.0.2", {"PASS": "admin"}, "s3cret", device_type=5).result()
                # Nothing was sent: no row.
                self.assertRaises(vandrel.WrongPasswordError,
                                  fleet.write("127.0.0.2", {"NAME": "x"}, "guess", device_type=5).result)
            vandrel.write("127.0.0.2", {"NAME": "not-kept"}, "admin", device_type=5, audit=False)
        finally:
            del os.environ["VANDREL_DB"]
        rows = [(r["channel"], r["device"], r["key"], r["before"], r["after"], r["confirmed"]) for r in history(db)]
        self.assertEqual(rows, [("python", "127.0.0.2", "NAME", name, "pump-1", True),
                                ("python", "127.0.0.2", "PASS", "(changed)", "(changed)", True),
                                ("python", B[0], "RESETDEV", "", B[0], True),
                                ("python", "127.0.0.10", "C1_BAUD", "", "57600", True),
                                ("python", B[3], "NAME", "eight-ports", "eight", True),
                                ("python", "127.0.0.2", "PASS", "(changed)", "(changed)", True)])
        out = subprocess.run([os.environ["VANDREL_CLI"], "snapshots", "127.0.0.2", "latest", "--json", "--db", db],
                             check=True, capture_output=True).stdout
        self.assertEqual(json.loads(out)["settings"], held)
        for file in os.listdir(os.path.dirname(db)):
            with open(os.path.join(os.path.dirname(db), file), "rb") as content:
                self.assertNotIn(b"s3cret", content.read())

if __name__ == "__main__":
    unittest.main()
