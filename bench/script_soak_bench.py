#!/usr/bin/env python3
"""Script host soak: memory and descriptors of a script that runs for a long time.

1. examples/tcp_echo_server.js serving sequential clients (one connect, a short exchange and a
   close each), every client on a control of its own that goes when the client leaves.
2. The documented script-mode poll loop (bench/script_poll_soak.js): empty polls.

For each: resident size (now and peak) and open descriptors at 10 %, 50 % and 100 %. Flat is the
goal: the last within 10 % of the first.

    python3 bench/script_soak_bench.py [--build build] [--clients 100000] [--polls 10000000]
"""

import argparse
import os
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(os.path.dirname(HERE), "examples")


def usage(pid):
    rss = peak = 0
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                rss = int(line.split()[1])
            elif line.startswith("VmHWM:"):
                peak = int(line.split()[1])
    return rss, peak, len(os.listdir(f"/proc/{pid}/fd"))


def report(name, marks):
    print(name)
    for label, (rss, peak, fds) in marks:
        print(f"  {label:>5}: RSS {rss / 1024:7.1f} MiB, peak {peak / 1024:7.1f} MiB, "
              f"{fds} descriptors")
    first, last = marks[0][1], marks[-1][1]
    print(f"  last/first: RSS {last[0] / first[0]:.3f}, descriptors {last[2] / first[2]:.3f}")


def echo_server_soak(host_program, env, clients):
    server = subprocess.Popen(
        [host_program, os.path.join(EXAMPLES, "tcp_echo_server.js"), "0", str(clients)],
        env=env, stdout=subprocess.PIPE, text=True)
    first = server.stdout.readline()
    if not first.startswith("listening on port "):
        sys.exit("echo server did not start: " + first)
    port = int(first.split()[-1])
    checkpoints = {clients // 10: "10 %", clients // 2: "50 %", clients - 1: "100 %"}
    marks = []
    started = time.monotonic()
    for i in range(1, clients + 1):
        with socket.create_connection(("127.0.0.1", port)) as client:
            client.sendall(b"ping %d" % i)
            expected = len(b"ping %d" % i)
            got = b""
            while len(got) < expected:
                chunk = client.recv(4096)
                if not chunk:
                    sys.exit(f"client {i}: the server closed")
                got += chunk
        # The server's lines for this client: it came, and it left.
        server.stdout.readline()
        server.stdout.readline()
        if i in checkpoints:
            marks.append((checkpoints[i], usage(server.pid)))
    elapsed = time.monotonic() - started
    server.wait(timeout=30)
    report(f"tcp_echo_server.js, {clients} sequential clients ({elapsed:.0f} s, "
           f"{clients / elapsed:.0f} clients/s)", marks)


def poll_soak(host_program, env, polls):
    script = subprocess.Popen(
        [host_program, os.path.join(HERE, "script_poll_soak.js"), str(polls)],
        env=env, stdout=subprocess.PIPE, text=True)
    labels = ["10 %", "50 %", "100 %"]
    marks = []
    started = time.monotonic()
    for label in labels:
        line = script.stdout.readline()
        if not line.startswith("mark "):
            sys.exit("poll script failed: " + line)
        marks.append((label, usage(script.pid)))
    elapsed = time.monotonic() - started
    script.wait(timeout=30)
    report(f"script-mode poll loop, {polls} empty polls ({elapsed:.0f} s, "
           f"{polls / elapsed:.0f} polls/s)", marks)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    parser.add_argument("--clients", type=int, default=100000)
    parser.add_argument("--polls", type=int, default=10000000)
    options = parser.parse_args()

    host_program = os.path.abspath(os.path.join(options.build, "scripthost", "quorvane-script"))
    register = os.path.abspath(os.path.join(options.build, "scripthost", "quorvane-register"))
    library = os.path.abspath(os.path.join(options.build, "controls", "Quorvane.so"))

    with tempfile.TemporaryDirectory(prefix="script-soak-") as folder:
        env = dict(os.environ)
        env["XDG_DATA_HOME"] = os.path.join(folder, "data")
        env["XDG_CONFIG_HOME"] = os.path.join(folder, "config")
        subprocess.run([register, library], env=env, check=True, stdout=subprocess.DEVNULL)
        echo_server_soak(host_program, env, options.clients)
        poll_soak(host_program, env, options.polls)


if __name__ == "__main__":
    main()
