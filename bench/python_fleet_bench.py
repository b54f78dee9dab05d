"""The Python module's read of every device of a simulated fleet: one at a
time through vandrel.read(), then all at once through a vandrel.Fleet, side
by side in one run, with the two times and their ratio. Starts its own
vandrel-sim --fleet-size N; runs only in a private network namespace:

    sh scripts/in-netns.sh /usr/bin/python3 bench/python_fleet_bench.py BUILD [DEVICES]
"""
import os
import socket
import subprocess
import sys
import tempfile
import time


def main():
    build, devices = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 200
    if [name for _, name in socket.if_nameindex()] != ["lo"]:
        sys.exit("refusing to run outside a private network namespace (scripts/in-netns.sh)")
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    os.environ.update(VANDREL_LIB=os.path.join(build, "lib"), VANDREL_DB="off")
    sys.path.insert(0, os.path.join(source, "python"))
    import vandrel

    log = os.path.join(tempfile.mkdtemp(), "sim.log")
    with open(log, "wb") as out:
        sim = subprocess.Popen([os.path.join(build, "bin", "vandrel-sim"), "--quiet", "--fleet-size", str(devices)],
                               stdout=out, stderr=subprocess.STDOUT)
    try:
        subprocess.run(["sh", os.path.join(source, "scripts", "sim-ready.sh"), log, str(sim.pid)], check=True)
        found = [d for d in vandrel.search(wait=1.0) if d.family]
        start = time.monotonic()
        alone = [vandrel.read(d) for d in found]
        one_by_one = time.monotonic() - start
        start = time.monotonic()
        with vandrel.Fleet() as fleet:
            futures = [fleet.read(d) for d in found]
            together = [f.result() for f in futures]
        at_once = time.monotonic() - start
    finally:
        sim.terminate()
        sim.wait()
    same = sum(a == b for a, b in zip(alone, together))
    print(f"{len(found)} devices read: read() one at a time {one_by_one:.2f} s, a Fleet {at_once:.2f} s "
          f"({one_by_one / at_once:.1f} times faster); {same} of {len(found)} results alike")


if __name__ == "__main__":
    main()
