#!/usr/bin/env python3
"""tolvar -q -0 against curl and wget, fetching from the same web server.

Usage: tolvar_bench.py TOLVAR PORT BIG_PATH SMALL_PATH [SMALL_RUNS]
           [--https HTTPS_PORT CA_FILE HTTPS_BIG_PATH]

Measures, in one run: a large body to /dev/null and to a file (throughput
and the process's peak RSS), and whole-process wall time for a small page
over many runs. With --https, also the large body over https from a second
server (on localhost, trusted through CA_FILE), again all three programs
against the same server and file. Prints a table and each figure of tolvar as a ratio against
the faster (or leaner) of the two peers. Figures depend on the machine and
its load; this is no test.
"""
import os
import subprocess
import sys
import tempfile
import time


def run(argv, out_path, env=None):
    """Runs argv with stdout to out_path, stderr discarded; (seconds, peak RSS KiB).

    The peak RSS comes from GNU time, which starts the program from its own
    small process: a child forked from this Python process would report
    Python's resident size as its peak.
    """
    with tempfile.NamedTemporaryFile("r") as rss_file:
        with open(out_path, "wb") as out, open(os.devnull, "wb") as err:
            start = time.perf_counter()
            status = subprocess.call(["/usr/bin/time", "-f", "%M", "-o", rss_file.name] + argv,
                                     stdout=out, stderr=err, env=env)
            elapsed = time.perf_counter() - start
        if status != 0:
            raise SystemExit(f"{argv[0]} failed with {status}")
        return elapsed, int(rss_file.read().split()[-1])


def commands(tolvar, url, ca=None):
    """argv per program; with a CA file each trusts it the way it is told to."""
    if ca is None:
        return {
            "tolvar": [tolvar, "-q", "-0", "-u", url],
            "curl": ["curl", "-s", "-f", url],
            "wget": ["wget", "-q", "-O", "-", url],
        }
    return {
        "tolvar": [tolvar, "-q", "-0", "-u", url],
        "curl": ["curl", "-s", "-f", "--cacert", ca, url],
        "wget": ["wget", "-q", "--ca-certificate=" + ca, "-O", "-", url],
    }


def best_of_two(argv, dest, env=None):
    """(seconds, peak RSS KiB, body size) of the faster of two runs."""
    best = None
    size = None
    for _ in range(2):  # the first may warm the page cache
        t, rss = run(argv, dest, env)
        if dest != os.devnull:
            size = os.path.getsize(dest)
            os.remove(dest)
        if best is None or t < best[0]:
            best = (t, rss)
    return best[0], best[1], size


def main():
    args = sys.argv[1:]
    https = None
    if "--https" in args:
        at = args.index("--https")
        https = args[at + 1:at + 4]
        del args[at:at + 4]
    tolvar, port, big, small = args[0:4]
    small_runs = int(args[4]) if len(args) > 4 else 200
    base = f"http://127.0.0.1:{port}"
    size = None
    rows = []
    with tempfile.TemporaryDirectory() as tmp:
        target = os.path.join(tmp, "body.bin")
        for label, dest in (("1 GiB to /dev/null", os.devnull), ("1 GiB to a file", target)):
            figures = {}
            for name, argv in commands(tolvar, base + big).items():
                t, rss, got = best_of_two(argv, dest)
                size = got or size
                figures[name] = (t, rss)
            rows.append((label, figures))
        if https:
            https_port, ca, https_big = https
            env = dict(os.environ, SSL_CERT_FILE=ca)
            figures = {}
            for name, argv in commands(tolvar, f"https://localhost:{https_port}{https_big}", ca).items():
                t, rss, got = best_of_two(argv, target, env)
                # Every program must have fetched the whole file.
                if got != size:
                    raise SystemExit(f"{name} fetched {got} bytes over https, want {size}")
                figures[name] = (t, rss)
            rows.append(("1 GiB https to a file", figures))
        small_figures = {}
        for name, argv in commands(tolvar, base + small).items():
            start = time.perf_counter()
            rss = 0
            for _ in range(small_runs):
                _, r = run(argv, os.devnull)
                rss = max(rss, r)
            small_figures[name] = ((time.perf_counter() - start) / small_runs, rss)

    gib = (size or (1 << 30)) / (1 << 20)
    print(f"{'case':22} {'program':7} {'MB/s':>9} {'peak RSS':>10}")
    for label, figures in rows:
        for name, (t, rss) in figures.items():
            print(f"{label:22} {name:7} {gib / t:9.0f} {rss / 1024:8.1f}MiB")
        peer_t = min(figures["curl"][0], figures["wget"][0])
        peer_rss = min(figures["curl"][1], figures["wget"][1])
        print(f"{label:22} ratio   throughput {peer_t / figures['tolvar'][0]:.2f} (>= 1 is as fast), "
              f"RSS {figures['tolvar'][1] / peer_rss:.2f} (<= 1 is as lean)")
    for name, (t, rss) in small_figures.items():
        print(f"{'small page':22} {name:7} {t * 1000:7.2f}ms {rss / 1024:8.1f}MiB")
    peer = min(small_figures["curl"][0], small_figures["wget"][0])
    print(f"{'small page':22} ratio   wall time {small_figures['tolvar'][0] / peer:.2f} (<= 1 is no worse)")


if __name__ == "__main__":
    main()
