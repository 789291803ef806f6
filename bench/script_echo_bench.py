#!/usr/bin/env python3
"""Script host benchmark.

1. TCP echo round trips driven by a script through the socket control, in script event mode
   (bench/script_echo_client.js) and with event handlers (bench/script_echo_handlers.js), beside a plain Python socket client against the same echo server
   in the same run: round trips per second and their ratio.
2. The idle cost of a script sleeping in WScript.Sleep(60000) with an open TCP connection and an
   open serial port (one end of a socat pseudo-terminal pair): CPU time over a measured interval.

The control library is registered into a temporary class registry of the run's own.

    python3 bench/script_echo_bench.py [--build build] [--seconds 3] [--idle-seconds 20]
"""

import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def echo_server():
    """An echo server on a loopback port of the system's choosing; one thread per client."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)

    def serve(conn):
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        with conn:
            while True:
                data = conn.recv(65536)
                if not data:
                    return
                conn.sendall(data)

    def accept():
        while True:
            try:
                conn, _ = listener.accept()
            except OSError:
                return
            threading.Thread(target=serve, args=(conn,), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    return listener, listener.getsockname()[1]


def plain_round_trips(port, seconds, block):
    client = socket.create_connection(("127.0.0.1", port))
    client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    data = b"A" * block
    trips = 0
    start = time.monotonic()
    deadline = start + seconds
    while time.monotonic() < deadline:
        client.sendall(data)
        got = 0
        while got < block:
            got += len(client.recv(65536))
        trips += 1
    elapsed = time.monotonic() - start
    client.close()
    return trips / elapsed


def script_round_trips(host_program, env, port, seconds, sleep_ms, block):
    out = subprocess.run(
        [host_program, os.path.join(HERE, "script_echo_client.js"), "127.0.0.1", str(port),
         str(seconds), str(sleep_ms), str(block)],
        env=env, capture_output=True, text=True, timeout=seconds + 30)
    if out.returncode != 0:
        sys.exit("script failed: " + out.stderr)
    trips, ms = (int(x) for x in out.stdout.split())
    return trips * 1000.0 / ms


def handler_round_trips(host_program, env, port, seconds, block):
    out = subprocess.run(
        [host_program, os.path.join(HERE, "script_echo_handlers.js"), "127.0.0.1", str(port),
         str(seconds), str(block)],
        env=env, capture_output=True, text=True, timeout=seconds + 30)
    if out.returncode != 0:
        sys.exit("script failed: " + out.stderr)
    trips, ms = (int(x) for x in out.stdout.split())
    return trips * 1000.0 / ms


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks  # utime + stime


def idle_cost(host_program, env, port, folder, seconds):
    if shutil.which("socat") is None:
        return None
    a, b = os.path.join(folder, "ttyA"), os.path.join(folder, "ttyB")
    socat = subprocess.Popen(["socat", f"pty,raw,echo=0,link={a}", f"pty,raw,echo=0,link={b}"])
    try:
        for _ in range(500):
            if os.path.exists(a) and os.path.exists(b):
                break
            time.sleep(0.01)
        ports = os.path.join(env["XDG_CONFIG_HOME"], "commtestkit", "ports")
        os.makedirs(ports, exist_ok=True)
        os.symlink(a, os.path.join(ports, "COM7"))
        script = subprocess.Popen(
            [host_program, os.path.join(HERE, "script_idle.js"), "127.0.0.1", str(port), "7"],
            env=env, stdout=subprocess.PIPE, text=True)
        try:
            if script.stdout.readline().strip() != "ready":
                sys.exit("idle script did not start")
            time.sleep(1.0)
            before, started = cpu_seconds(script.pid), time.monotonic()
            time.sleep(seconds)
            used, elapsed = cpu_seconds(script.pid) - before, time.monotonic() - started
            return used, elapsed
        finally:
            script.kill()
            script.wait()
    finally:
        socat.kill()
        socat.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    parser.add_argument("--seconds", type=float, default=3.0)
    parser.add_argument("--idle-seconds", type=float, default=20.0)
    parser.add_argument("--block", type=int, default=16)
    options = parser.parse_args()

    host_program = os.path.abspath(os.path.join(options.build, "scripthost", "quorvane-script"))
    register = os.path.abspath(os.path.join(options.build, "scripthost", "quorvane-register"))
    library = os.path.abspath(os.path.join(options.build, "controls", "Quorvane.so"))

    with tempfile.TemporaryDirectory(prefix="script-bench-") as folder:
        env = dict(os.environ)
        env["XDG_DATA_HOME"] = os.path.join(folder, "data")
        env["XDG_CONFIG_HOME"] = os.path.join(folder, "config")
        subprocess.run([register, library], env=env, check=True, stdout=subprocess.DEVNULL)
        listener, port = echo_server()

        plain = plain_round_trips(port, options.seconds, options.block)
        print(f"plain Python socket echo:            {plain:10.0f} round trips/s")
        for sleep_ms in (0, 1):
            rate = script_round_trips(host_program, env, port, options.seconds, sleep_ms,
                                      options.block)
            print(f"script, Sleep({sleep_ms}) between polls:      {rate:10.0f} round trips/s"
                  f"  ({rate / plain:.2f} of plain)")
        rate = handler_round_trips(host_program, env, port, options.seconds, options.block)
        print(f"script, event handlers:              {rate:10.0f} round trips/s"
              f"  ({rate / plain:.2f} of plain)")

        idle = idle_cost(host_program, env, port, folder, options.idle_seconds)
        if idle is None:
            print("idle: socat not installed, not measured")
        else:
            used, elapsed = idle
            print(f"idle in WScript.Sleep(60000) with a socket and a port open: {used:.3f} s CPU "
                  f"in {elapsed:.1f} s = {100.0 * used / elapsed:.4f} % of a core")
        listener.close()


if __name__ == "__main__":
    main()
