#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The archive's HTML report at a shop's size: writes COUNT small turning programs into folders
of a hundred (a fifth of them with a rapid through the bar, some without M30), checks them with
a bar of stock into one report, and opens the report in headless Chromium. Prints the
report's size, the checker's time and the time the browser takes to load the report (its index
and first page, when it is split) and run its script.

usage: bench/archive_report.py CHECKER [COUNT] [WORK-FOLDER]   (COUNT 10000 by default)"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time


def program(k, rnd):
    d = [58 - 4 * i for i in range(rnd.randint(2, 6))]
    lines = ['%', f'O{k % 10000:04d} (SHAFT {k})', 'G50 S2000', 'G00 X200. Z100.', 'T0101 (CNMG 120408)',
             'G96 S180 M03', 'G95 G00 X62. Z2.']
    for i, x in enumerate(d):
        lines += [f'G00 X{x}. Z2.', f'G01 Z-{20 + 5 * i}. F0.25', f'G00 X{x + 1}. Z2.']
    if k % 5 == 0:
        lines += ['G00 X30. Z-10.']  # a rapid through the bar
    lines += ['G00 X200. Z100.']
    if k % 7:
        lines += ['M30']
    lines += ['%']
    return '\r\n'.join(lines) + '\r\n'


def main():
    checker = os.path.abspath(sys.argv[1])
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    work = sys.argv[3] if len(sys.argv) > 3 else tempfile.mkdtemp(prefix='archive-report-')
    archive = os.path.join(work, 'archive')
    shutil.rmtree(archive, ignore_errors=True)
    rnd = random.Random(1)
    for k in range(count):
        folder = os.path.join(archive, f'machine{k // 100:03d}')
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, f'P{k:05d}.min'), 'w', newline='') as f:
            f.write(program(k, rnd))
    report = os.path.join(work, 'report.html')
    start = time.monotonic()
    c = subprocess.run([checker, '--stock', 'bar,60,120', '--report', report, archive],
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    checked = time.monotonic() - start
    pages = os.path.join(work, 'report.html.pages')
    first = os.path.join(pages, '0001.html')
    listed = sorted(os.listdir(pages)) if os.path.isdir(pages) else []
    size = os.path.getsize(report) + sum(os.path.getsize(os.path.join(pages, p)) for p in listed)
    print(f'{count} programs: exit status {c.returncode}, checked in {checked:.1f} s, '
          f'{1 + len(listed)} files of {size / 1e6:.1f} MB, the first page '
          f'{os.path.getsize(report) / 1e6:.2f} MB')
    browser = shutil.which('chromium') or shutil.which('chromium-browser')
    if not browser:
        print('no Chromium: the time to open is not measured')
        return 0
    args = [browser, '--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            f'--user-data-dir={os.path.join(work, "profile")}', '--dump-dom', 'file://' + report]
    # A first start of the browser alone, on an empty page, so that its own start is not counted.
    blank = os.path.join(work, 'blank.html')
    with open(blank, 'w') as f:
        f.write('<!DOCTYPE html><title>x</title>')
    start = time.monotonic()
    subprocess.run(args[:-1] + ['file://' + blank], capture_output=True, timeout=600)
    empty = time.monotonic() - start
    print(f'Chromium: an empty page {empty:.1f} s')
    for page in [report] + ([first] if listed else []):
        start = time.monotonic()
        p = subprocess.run(args[:-1] + ['file://' + page], capture_output=True, timeout=600)
        opened = time.monotonic() - start
        print(f'  {os.path.relpath(page, work)} ({os.path.getsize(page) / 1e6:.2f} MB): {opened:.1f} s '
              f'(exit status {p.returncode}, {len(p.stdout) / 1e6:.1f} MB of DOM)')
    return 0


if __name__ == '__main__':
    sys.exit(main())
