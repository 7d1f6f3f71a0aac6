#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The checker program as a user runs it: a normal run with pictures prints nothing on standard
error and leaves nothing in the temporary folder (no session, so no runtime folder); --help
succeeds; a closed standard output is a failure. --version of each program in the checker's folder
(zarvik-check, Zarvik, ZarvikCalculator) fails on a closed or full standard output, with a message
on standard error.  usage: checker_process.py PATH/TO/zarvik-check"""
import os, subprocess, sys, tempfile

PROGRAM = b'T0101\r\nG00 X40. Z2.\r\nG01 Z-20. F0.2 S800\r\nG02 X60. Z-30. R10.\r\nM30\r\n%\r\n'


def version_failures(folder):
    failures = []
    for name in ('zarvik-check', 'Zarvik', 'ZarvikCalculator'):
        program = os.path.join(folder, name)
        if not os.access(program, os.X_OK):
            continue  # a build without the window programs
        ok = subprocess.run([program, '--version'], capture_output=True, timeout=30)
        lines = ok.stdout.splitlines()
        if (ok.returncode != 0 or len(lines) != 2 or not lines[0].startswith(name.encode() + b' ') or ok.stderr
                or b'GPL-3.0-or-later' not in lines[1] or b'NO WARRANTY' not in lines[1]):
            failures.append(f'{name} --version: exit status {ok.returncode}, {ok.stdout!r}, {ok.stderr!r}')
        for redirect in ('>&-', '>/dev/full'):
            r = subprocess.run(f'exec "{program}" --version {redirect}', shell=True, stderr=subprocess.PIPE,
                               timeout=30)
            if r.returncode == 0 or b'standard output' not in r.stderr:
                failures.append(f'{name} --version {redirect}: exit status {r.returncode}, stderr {r.stderr!r}')
    return failures


def main():
    checker = os.path.abspath(sys.argv[1])
    failures = []
    with tempfile.TemporaryDirectory() as work, tempfile.TemporaryDirectory() as tmp:
        prog = os.path.join(work, 'p.min')
        with open(prog, 'wb') as f:
            f.write(PROGRAM)
        env = {k: v for k, v in os.environ.items() if k not in ('XDG_RUNTIME_DIR', 'QT_QPA_PLATFORM')}
        env['TMPDIR'] = tmp
        p = subprocess.run([checker, '--svg', os.path.join(work, 'p.svg'), '--png', os.path.join(work, 'p.png'),
                            prog], capture_output=True, env=env, timeout=60)
        if p.returncode != 0:
            failures.append(f'picture run: exit status {p.returncode}')
        if p.stderr:
            failures.append(f'picture run: standard error {p.stderr[:300]!r}')
        if os.listdir(tmp):
            failures.append(f'picture run left {os.listdir(tmp)} in the temporary folder')
        for name, magic in (('p.svg', b'<svg'), ('p.png', b'\x89PNG')):
            path = os.path.join(work, name)
            if not os.path.exists(path) or magic not in open(path, 'rb').read(200):
                failures.append(f'picture run: no {name}')

        h = subprocess.run([checker, '--help'], capture_output=True, timeout=30)
        if h.returncode != 0 or b'--png' not in h.stdout or h.stderr:
            failures.append(f'--help: exit status {h.returncode}, stderr {h.stderr!r}')

        trace = os.path.join(work, 't.jsonl')
        c = subprocess.run(f'exec "{checker}" --trace "{trace}" "{prog}" >&-', shell=True, capture_output=False,
                           stderr=subprocess.PIPE, timeout=30)
        if c.returncode != 2 or b'standard output' not in c.stderr:
            failures.append(f'closed standard output: exit status {c.returncode}, stderr {c.stderr!r}')
        if b'dialect' in open(trace, 'rb').read():
            failures.append('closed standard output: the report went into the trace file')
    failures += version_failures(os.path.dirname(checker))
    for f in failures:
        print(f)
    print('ok' if not failures else f'{len(failures)} failed')
    return 1 if failures else 0


sys.exit(main())
