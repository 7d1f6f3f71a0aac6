#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks every program of a corpus folder and compares a short summary of the report with the
one stored beside the program.  usage: run_corpus.py PATH/TO/zarvik-check FOLDER [--regen]

FOLDER/MANIFEST.csv lists the files (file, role, source, licence, control, unit, exercises).
Each row whose role is "program" is checked the way an operator would check it: with
--control iso (unless its control column is "setup": the setup file names the control), with
the setup file beside it when there is one, and --json. The summary keeps what a regression
would change and nothing that merely moves: how the program ended, the blocks read, the exit
status, each alarm with its line, each finding's code with its lines, the setup error if any.
NAME.expected.json holds it; --regen writes them afresh (after a change that is meant to alter
them, e.g. a construct the control now reads)."""
import csv, json, os, subprocess, sys


def summary(checker, folder, row):
    name = row['file']
    options = [] if row['control'] == 'setup' else ['--control', 'iso']
    p = subprocess.run([checker, *options, '--json', name], cwd=folder, capture_output=True,
                       timeout=120)
    out = p.stdout.decode('utf-8', 'replace').splitlines()
    if not out:
        return {'status': p.returncode, 'error': p.stderr.decode('utf-8', 'replace').strip()}
    got = json.loads(out[0])
    findings = {}
    for a in got.get('advice', []):
        findings.setdefault(a['code'], []).append(a['line'])
    result = {
        'status': p.returncode,
        'end': got.get('end'),
        'blocks': got.get('blocks'),
        'alarms': [f"{a['line']}: {a['message']}" for a in got.get('alarms', [])],
        'findings': findings,
    }
    # A setup that cannot be read is named on standard error; keep what follows the file name.
    errors = [l.split(': ', 2)[-1] for l in p.stderr.decode('utf-8', 'replace').splitlines()]
    if errors:
        result['setup_error'] = errors
    return result


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    checker, folder = os.path.abspath(sys.argv[1]), sys.argv[2]
    regen = '--regen' in sys.argv[3:]
    with open(os.path.join(folder, 'MANIFEST.csv'), newline='', encoding='utf-8') as f:
        rows = [r for r in csv.DictReader(f) if r['role'] == 'program']
    failed = 0
    for row in rows:
        base = os.path.join(folder, os.path.splitext(row['file'])[0])
        got = summary(checker, folder, row)
        if regen:
            with open(base + '.expected.json', 'w', encoding='utf-8') as f:
                json.dump(got, f, indent=1, ensure_ascii=False, sort_keys=True)
                f.write('\n')
            continue
        try:
            with open(base + '.expected.json', encoding='utf-8') as f:
                expected = json.load(f)
        except OSError:
            expected = None
        if got != expected:
            failed += 1
            keys = sorted(set(got) | set(expected or {}))
            diff = [f'{k}: expected {(expected or {}).get(k)!r}, got {got.get(k)!r}' for k in keys
                    if (expected or {}).get(k) != got.get(k)]
            print(f"{row['file']}: " + '; '.join(diff))
    if not regen:
        print(f'{len(rows) - failed} passed, {failed} failed')
    return 1 if failed else 0


sys.exit(main())
