#!/usr/bin/env python3
"""Soak run of the headless scheduler.

Runs build/bin/chronoreel-scheduler --headless for a simulated day (libfaketime speeds its clock
up) with many tasks due every minute and a stand-in for the movie maker, a shell script that
sleeps a few simulated seconds and ends with 0 or 3. Samples the scheduler's open file
descriptors, resident memory and zombie children as it goes, and reads its log afterwards for
minutes in which not every task was queued and started.

Not part of the test suite: a day at 60 times speed takes 24 minutes. Example:
    bench/soak/soak.py --hours 24 --speed 60 --tasks 50
"""

import argparse
import collections
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

FAKETIME_LIBRARIES = [
    "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
    "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1",
    "/usr/lib/faketime/libfaketime.so.1",
    "/usr/local/lib/faketime/libfaketime.so.1",
]

# The stand-in movie maker: 1 to 20 simulated seconds of work, then "Skipped" (3) for every
# third process and "Finished" (0) for the others.
STAND_IN = """#!/bin/sh
sleep $(( $$ % 20 + 1 ))
[ $(( $$ % 3 )) -eq 0 ] && exit 3
exit 0
"""

START = "2026-01-01 00:00:00"
LOG_LINE = re.compile(r"^(\S+ \S+) (queued|started|ended) \"([^\"]*)\"(.*)$")


def find_faketime():
    for path in FAKETIME_LIBRARIES:
        if os.access(path, os.R_OK):
            return path
    sys.exit("soak: libfaketime is not installed (apt-get install faketime)")


def write_task_file(folder, tasks, stand_in):
    lines = ["[General]", f"TaskCount={tasks}", f"ChronoreelPath={stand_in}"]
    every_minute = "1" * 1440
    for n in range(1, tasks + 1):
        lines += [f"[Task{n:03d}]", f"Name=Camera {n}", f"SetupFile=camera{n}.tls",
                  f"SetupTimes={every_minute}"]
    path = os.path.join(folder, "tasks.ini")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    return path


def status_fields(pid):
    fields = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            name, _, value = line.partition(":")
            fields[name] = value.strip()
    return fields


def children(pid):
    """(pid, state) of every child process of pid."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                stat = f.read()
        except OSError:
            continue
        after_name = stat[stat.rfind(")") + 2:].split()
        if int(after_name[1]) == pid:
            found.append((int(entry), after_name[0]))
    return found


def zombie_children(pid):
    return {child for child, state in children(pid) if state == "Z"}


def sample(pid, previous_zombies):
    """The scheduler's descriptors, memory and children now. A child that has ended stays a
    zombie until the scheduler's next tick collects it; one that is still a zombie at the next
    sample, a report interval later, was never collected."""
    zombies = zombie_children(pid)
    return {
        "fds": len(os.listdir(f"/proc/{pid}/fd")),
        "rss_kib": int(status_fields(pid)["VmRSS"].split()[0]),
        "children": len(children(pid)),
        "zombies": len(zombies),
        "zombie_pids": zombies,
        "lingering": len(zombies & previous_zombies),
    }


def seconds_of(stamp):
    day, clock = stamp.split(" ")
    _, _, d = (int(x) for x in day.split("-"))
    h, m, sec = (int(x) for x in clock.split(":"))
    return (d - 1) * 86400 + h * 3600 + m * 60 + sec


def minute_of(stamp):
    return seconds_of(stamp) // 60


def read_log(path):
    queued = collections.Counter()  # due minute -> runs queued for it
    latest = 0  # simulated seconds from a due minute's start to its queueing, at most
    started = 0
    ended = collections.Counter()  # how runs ended
    with open(path) as f:
        for line in f:
            match = LOG_LINE.match(line.rstrip("\n"))
            if not match:
                continue
            stamp, event, _, rest = match.groups()
            if event == "queued":
                due = rest.split(" due ")[1]
                queued[minute_of(due)] += 1
                latest = max(latest, seconds_of(stamp) - seconds_of(due))
            elif event == "started":
                started += 1
            else:
                ended[rest.rsplit(": ", 1)[-1]] += 1
    return queued, started, ended, latest


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build", help="build folder (default: build)")
    parser.add_argument("--tasks", type=int, default=50, help="tasks due every minute")
    parser.add_argument("--hours", type=float, default=24, help="simulated hours")
    parser.add_argument("--speed", type=int, default=60, help="simulated seconds per second")
    parser.add_argument("--report-minutes", type=int, default=120,
                        help="simulated minutes between report lines")
    args = parser.parse_args()

    repository = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    scheduler = os.path.join(repository, args.build, "bin", "chronoreel-scheduler")
    if not os.access(scheduler, os.X_OK):
        sys.exit(f"soak: {scheduler} is not built")
    library = find_faketime()

    folder = tempfile.mkdtemp(prefix="chronoreel-soak-")
    stand_in = os.path.join(folder, "movie-maker.sh")
    with open(stand_in, "w") as f:
        f.write(STAND_IN)
    os.chmod(stand_in, 0o755)
    task_file = write_task_file(folder, args.tasks, stand_in)
    log_path = os.path.join(folder, "scheduler.log")
    err_path = os.path.join(folder, "scheduler.err")

    environment = dict(os.environ, TZ="UTC", LD_PRELOAD=library,
                       FAKETIME=f"@{START} x{args.speed}")
    real_seconds = args.hours * 3600 / args.speed
    report_seconds = args.report_minutes * 60 / args.speed
    print(f"soak: {args.tasks} tasks every minute, {args.hours:g} simulated hours at "
          f"x{args.speed} ({real_seconds / 60:.1f} real minutes), in {folder}", flush=True)
    print(f"{'sim time':>9} {'fds':>4} {'rss KiB':>8} {'children':>8} {'zombies':>7} "
          f"{'lingering':>9} {'runs queued':>11}", flush=True)

    samples = []
    with open(log_path, "w") as log, open(err_path, "w") as err:
        process = subprocess.Popen([scheduler, "--headless", "--task-file", task_file],
                                   stdout=log, stderr=err, env=environment, cwd=folder)
        began = time.monotonic()
        # Samples fall a few simulated seconds into a minute, while that minute's runs work.
        offset = 7.0 / args.speed
        next_report = began + min(5.0, report_seconds) + offset
        while time.monotonic() - began < real_seconds:
            time.sleep(max(0.0, min(next_report, began + real_seconds) - time.monotonic()))
            if time.monotonic() - began >= real_seconds:
                break
            if time.monotonic() >= next_report:
                s = sample(process.pid, samples[-1]["zombie_pids"] if samples else set())
                s["sim_hours"] = (time.monotonic() - began) * args.speed / 3600
                samples.append(s)
                queued, _, _, _ = read_log(log_path)
                print(f"{s['sim_hours']:8.2f}h {s['fds']:4d} {s['rss_kib']:8d} "
                      f"{s['children']:8d} {s['zombies']:7d} {s['lingering']:9d} "
                      f"{sum(queued.values()):11d}",
                      flush=True)
                next_report += report_seconds
        process.send_signal(signal.SIGTERM)
        exit_code = process.wait(timeout=60)

    queued, started, ended, latest = read_log(log_path)
    first = min(queued) if queued else 0
    last = max(queued) if queued else -1
    missed = [m for m in range(first, last + 1) if queued.get(m, 0) != args.tasks]
    simulated_minutes = last - first + 1
    with open(err_path) as f:
        messages = f.read()

    print()
    print(f"simulated minutes   {simulated_minutes} (first due {first}, last due {last})")
    print(f"runs queued         {sum(queued.values())}, started {started}, ended "
          f"{sum(ended.values())} ({', '.join(f'{k} {v}' for k, v in sorted(ended.items()))})")
    print(f"missed minutes      {len(missed)}" + (f": {missed[:10]}" if missed else ""))
    print(f"latest queueing     {latest} simulated seconds after the minute began")
    print(f"zombies             lingering from one sample to the next: "
          f"{sum(s['lingering'] for s in samples)}; not yet collected at a sample: max "
          f"{max(s['zombies'] for s in samples)} (over {len(samples)} samples)")
    print(f"open descriptors    first {samples[0]['fds']}, last {samples[-1]['fds']}, "
          f"max {max(s['fds'] for s in samples)}")
    print(f"resident memory KiB first {samples[0]['rss_kib']}, last {samples[-1]['rss_kib']}, "
          f"max {max(s['rss_kib'] for s in samples)}")
    print(f"scheduler exit      {exit_code}; {messages.strip().splitlines()[-1]}")
    ok = (not missed and exit_code == 0 and sum(s["lingering"] for s in samples) == 0
          and started == sum(queued.values()))
    print("soak: " + ("passed" if ok else "FAILED") + f" (log in {log_path})")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
