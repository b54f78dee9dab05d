"""vandrel-sim (VANDREL_SIM) for the tests, started only in a private
network namespace."""
import os
import pathlib
import socket
import subprocess
import tempfile

READY = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "sim-ready.sh"


def start(args):
    """The simulator running with args, and its log, once its devices are
    ready (ten seconds at most)."""
    if [name for _, name in socket.if_nameindex()] != ["lo"]:
        raise RuntimeError("refusing to run outside a private network namespace (scripts/in-netns.sh)")
    log = pathlib.Path(tempfile.mkdtemp(), "sim.log")
    with open(log, "wb") as out:
        sim = subprocess.Popen([os.environ["VANDREL_SIM"], *args], stdout=out, stderr=subprocess.STDOUT)
    if subprocess.run(["sh", str(READY), str(log), str(sim.pid)]).returncode != 0:
        stop(sim)
        raise RuntimeError("vandrel-sim did not start")
    return sim, log


def stop(sim):
    sim.terminate()
    sim.wait()
