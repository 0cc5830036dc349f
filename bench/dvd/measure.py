#!/usr/bin/env python3
"""Runs one command and records its wall time, CPU time (user + system, children included) and
peak resident memory.

    measure.py <results.tsv> <log file> <label> <command...>

The command's output goes to the log file; a failed command is recorded as failed.
"""
import os
import subprocess
import sys
import time

results, log, label, command = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
with open(log, 'wb') as out:
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - start
code = os.waitstatus_to_exitcode(status)
cpu = usage.ru_utime + usage.ru_stime
rss_mb = usage.ru_maxrss / 1024.0
state = 'ok' if code == 0 else f'failed({code})'
with open(results, 'a') as out:
    out.write(f'{label}\t{wall:.2f}\t{cpu:.2f}\t{rss_mb:.1f}\t{state}\n')
print(f'{label}: wall {wall:.2f} s, cpu {cpu:.2f} s, peak RSS {rss_mb:.1f} MB, {state}', flush=True)
