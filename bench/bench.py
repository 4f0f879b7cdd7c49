#!/usr/bin/env python3
"""Download benchmark: kiv-fetch against aria2c, axel and curl on loopback.

Started by bench/run.sh. Every figure comes from this run: MB/s (10^6 bytes
per second of wall time, digest check included where the tool does one),
CPU seconds (user + system of the tool's process tree), peak RSS, and the
ratio of kiv-fetch to each peer. Each transfer has a time limit, so the
whole run is bounded.
"""
import argparse
import hashlib
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

PEER_TIME_LIMIT = 600  # seconds for any one transfer
CURL_S2_LIMIT = 20     # curl at 4 MB/s would take minutes: its rate shows in 20 s


def write_random_file(path, size):
    digest = hashlib.md5()
    chunk = 16 << 20
    with open(path, "wb") as out:
        left = size
        while left:
            block = os.urandom(min(chunk, left))
            digest.update(block)
            out.write(block)
            left -= len(block)
    return digest.hexdigest()


def file_md5(path):
    digest = hashlib.md5()
    with open(path, "rb") as source:
        for block in iter(lambda: source.read(16 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


class Nginx:
    """nginx with two servers on 127.0.0.2: S1 unthrottled, S2 limit_rate 4m."""

    def __init__(self, folder, root):
        self.folder = folder
        self.ports = {"S1": free_port(), "S2": free_port()}
        conf = os.path.join(folder, "nginx.conf")
        servers = ""
        for name, port in self.ports.items():
            limit = "    limit_rate 4m;\n" if name == "S2" else ""
            servers += (f"  server {{\n    listen 127.0.0.2:{port};\n    root {root};\n"
                        f"    access_log {folder}/{name}.log bench;\n{limit}  }}\n")
        with open(conf, "w") as out:
            out.write(f"""daemon off;
worker_processes 2;
pid {folder}/nginx.pid;
error_log {folder}/error.log;
events {{ worker_connections 4096; }}
http {{
  sendfile on;
  log_format bench '$request_method $status $body_bytes_sent';
  client_body_temp_path {folder}/tmp_body;
  proxy_temp_path {folder}/tmp_proxy;
  fastcgi_temp_path {folder}/tmp_fastcgi;
  uwsgi_temp_path {folder}/tmp_uwsgi;
  scgi_temp_path {folder}/tmp_scgi;
{servers}}}
""")
        self.process = subprocess.Popen(["nginx", "-c", conf, "-p", folder],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if all(port_open(p) for p in self.ports.values()):
                return
            time.sleep(0.05)
        raise RuntimeError("nginx did not come up: see " + folder + "/error.log")

    def url(self, scenario, name):
        return f"http://127.0.0.2:{self.ports[scenario]}/{name}"

    def served_bytes(self, scenario, skip_lines):
        """GET body bytes of the log lines after the first `skip_lines`."""
        lines = self.log_lines(scenario)[skip_lines:]
        return sum(int(line.split()[2]) for line in lines if line.startswith("GET"))

    def log_lines(self, scenario):
        path = os.path.join(self.folder, scenario + ".log")
        if not os.path.exists(path):
            return []
        with open(path) as source:
            return source.read().splitlines()

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


def free_port():
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.2", 0))
        return s.getsockname()[1]


def port_open(port):
    import socket
    with socket.socket() as s:
        return s.connect_ex(("127.0.0.2", port)) == 0


def measure(command, env=None, limit=PEER_TIME_LIMIT):
    """Runs `command` under GNU time; wall seconds, CPU seconds, peak RSS
    (KiB), exit code. (A child forked from this interpreter would inherit
    its RSS high-water mark, so the figures come from time's own child.)"""
    with tempfile.NamedTemporaryFile("r") as report:
        timed = ["/usr/bin/time", "-q", "-f", "%e %U %S %M %x", "-o", report.name,
                 "timeout", "-s", "KILL", str(limit)] + command
        subprocess.run(timed, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        fields = report.read().split()
    wall, user, system, rss, code = fields[-5:]
    return float(wall), float(user) + float(system), int(rss), int(code)


def tool_commands(args, url, md5, out_dir, scenario):
    out = os.path.join(out_dir, "big.bin")
    env = dict(os.environ, KIV_SIM_SANDBOX=os.path.join(out_dir, "sandbox"))
    curl = ["curl", "-s", "-o", out, url]
    if scenario == "S2":
        curl[1:1] = ["--max-time", str(CURL_S2_LIMIT)]
    return {
        "kiv-fetch": ([args.kiv_fetch, url, "C:\\dl", md5], env,
                      os.path.join(out_dir, "sandbox", "C", "dl", "big.bin")),
        "aria2c": (["aria2c", "-x16", "-s16", "-k1M", f"--checksum=md5={md5}", "-d", out_dir,
                    "-o", "big.bin", "--allow-overwrite=true", "--auto-file-renaming=false",
                    "--console-log-level=warn", "--summary-interval=0", url], None, out),
        "axel": (["axel", "-n", "24", "-q", "-o", out, url], None, out),
        "curl": (curl, None, out),
    }


def run_scenario(args, nginx, md5, size, scenario, out_dir):
    print(f"\n{scenario}: " + ("unthrottled" if scenario == "S1" else "limit_rate 4m per connection"))
    print(f"{'tool':10} {'run':>3} {'MB/s':>8} {'CPU s':>7} {'CPU s/GiB':>9} {'peak RSS MiB':>12} {'exit':>4} {'bytes':>12}")
    url = nginx.url(scenario, "big.bin")
    results = {}
    tools = args.tools.split(",")
    for tool, (command, env, out) in tool_commands(args, url, md5, out_dir, scenario).items():
        if tool not in tools:
            continue
        rows = []
        for run in range(args.runs):
            shutil.rmtree(out_dir, ignore_errors=True)
            os.makedirs(out_dir)
            wall, cpu, rss, code = measure(command, env)
            got = os.path.getsize(out) if os.path.exists(out) else 0
            complete = got == size and (tool == "curl" and scenario == "S2" or file_md5(out) == md5)
            mbs = got / wall / 1e6
            usable = complete or (tool == "curl" and scenario == "S2")
            # A run that did not deliver the file has no throughput: it counts
            # as 0 MB/s in the median, never as the speed of its partial bytes.
            rows.append((mbs if usable else 0.0, cpu / (got / (1 << 30)) if got else float("inf"), rss / 1024))
            flag = "" if usable else "  INCOMPLETE/BAD"
            print(f"{tool:10} {run + 1:>3} {mbs:8.1f} {cpu:7.2f} {rows[-1][1]:9.2f} {rss / 1024:12.1f} {code:>4} {got:>12}{flag}")
        results[tool] = tuple(sorted(r[i] for r in rows)[len(rows) // 2] for i in range(3))
    kiv = results.get("kiv-fetch")
    print(f"{scenario} medians and ratios (kiv-fetch / peer):")
    for tool, (mbs, cpu_gib, rss) in results.items():
        ratio = "" if tool == "kiv-fetch" or not kiv or not mbs else (
            f"  MB/s x{kiv[0] / mbs:.2f}  CPU/GiB x{kiv[1] / cpu_gib:.2f}  RSS x{kiv[2] / rss:.2f}")
        print(f"  {tool:10} {mbs:8.1f} MB/s {cpu_gib:6.2f} CPU s/GiB {rss:7.1f} MiB{ratio}")
    return results


def run_resume(args, nginx, md5, size, out_dir):
    print(f"\nResume: kiv-fetch killed (SIGKILL) at a random moment under S2, then restarted; {args.resume_runs} times")
    url = nginx.url("S2", "big.bin")
    command, env, out = tool_commands(args, url, md5, out_dir, "S2")["kiv-fetch"]
    worst = 0
    failures = 0
    for run in range(args.resume_runs):
        shutil.rmtree(out_dir, ignore_errors=True)
        os.makedirs(out_dir)
        skip = len(nginx.log_lines("S2"))
        delay = random.uniform(1.0, 6.0)
        first = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(delay)
        first.send_signal(signal.SIGKILL)
        first.wait()
        _, _, _, code = measure(command, env)
        time.sleep(0.5)  # nginx logs a request once it has ended
        twice = nginx.served_bytes("S2", skip) - size
        ok = code == 0 and os.path.exists(out) and file_md5(out) == md5
        failures += 0 if ok else 1
        worst = max(worst, twice)
        print(f"  run {run + 1:2}: killed after {delay:4.1f} s, fetched twice {twice / (1 << 20):7.1f} MiB, "
              f"exit {code}, MD5 {'right' if ok else 'WRONG'}")
    print(f"  worst: {worst / (1 << 20):.1f} MiB fetched twice; wrong results: {failures}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--kiv-fetch", required=True)
    parser.add_argument("--size-mib", type=int, default=1024)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--resume-runs", type=int, default=10)
    parser.add_argument("--scenarios", default="S1,S2,resume",
                        help="comma-separated subset of S1, S2, resume")
    parser.add_argument("--tools", default="kiv-fetch,aria2c,axel,curl",
                        help="comma-separated subset of kiv-fetch, aria2c, axel, curl (S1, S2)")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="kiv-bench-")
    os.chmod(work, 0o755)  # nginx's workers read the file as another user
    nginx = None
    try:
        root = os.path.join(work, "www")
        os.makedirs(root)
        size = args.size_mib << 20
        md5 = write_random_file(os.path.join(root, "big.bin"), size)
        print(f"file: {size} bytes, MD5 {md5}; {os.cpu_count()} CPUs")
        nginx = Nginx(work, root)
        out_dir = os.path.join(work, "out")
        chosen = args.scenarios.split(",")
        for scenario in ("S1", "S2"):
            if scenario in chosen:
                run_scenario(args, nginx, md5, size, scenario, out_dir)
        if "resume" in chosen:
            run_resume(args, nginx, md5, size, out_dir)
    finally:
        if nginx:
            nginx.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
