#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Runs the checker on every golden program of this folder and compares its report and trace
with the expected ones.  usage: run_golden.py PATH/TO/zarvik-check [FOLDER]
A program NAME.min may have NAME.options (checker options, blank-separated). Where the expected
report lists "advice" (or the stock's "findings"), the findings are compared by line and code as
well. A program with NAME.nose.jsonl (checked with a stock) has its --nose-path compared with it
as the trace is. A program whose
first line is a comment "(ALARM: TEXT)" must raise that alarm; every other program none.
Numbers compare within 1e-4 (times) and 1e-6 (coordinates)."""
import json, os, subprocess, sys, tempfile


def close(a, b, rel, absol=0.0):
    return isinstance(b, (int, float)) and abs(a - b) <= max(absol, rel * max(1.0, abs(a), abs(b)))


def compare(exp, got, etrace, gtrace):
    out = []
    for k in ('dialect', 'unit', 'blocks', 'end'):
        if exp.get(k) != got.get(k):
            out.append(f'{k}: expected {exp.get(k)!r}, got {got.get(k)!r}')
    ea = [(a['line'], a['message']) for a in exp['alarms']]
    ga = [(a.get('line'), a.get('message')) for a in got.get('alarms', [])]
    if ea != ga:
        out.append(f'alarms: expected {ea}, got {ga}')
    if not close(exp['cutting_time_s'], got.get('cutting_time_s'), 1e-4):
        out.append(f"cutting time: expected {exp['cutting_time_s']}, got {got.get('cutting_time_s')}")
    for k in ('x', 'z'):
        if not close(exp['final'][k], got.get('final', {}).get(k), 1e-6):
            out.append(f"final {k}: expected {exp['final'][k]}, got {got.get('final', {}).get(k)}")
    if 'advice' in exp:  # findings by line and code, where the expected report lists them
        ev = [(a['line'], a['code']) for a in exp['advice']]
        gv = [(a.get('line'), a.get('code')) for a in got.get('advice', [])]
        if ev != gv:
            out.append(f'advice: expected {ev}, got {gv}')
    et = {t['tool']: t['cutting_time_s'] for t in exp['tools']}
    gt = {t['tool']: t['cutting_time_s'] for t in got.get('tools', [])}
    if set(et) != set(gt) or any(not close(et[t], gt[t], 1e-4) for t in et):
        out.append(f'tools: expected {et}, got {gt}')
    if 'findings' in exp.get('stock', {}):
        ev = [(a['line'], a['code']) for a in exp['stock']['findings']]
        gv = [(a.get('line'), a.get('code')) for a in got.get('stock', {}).get('findings', [])]
        if ev != gv:
            out.append(f'stock findings: expected {ev}, got {gv}')
    return out + compare_pieces('trace', etrace, gtrace)


def compare_pieces(what, etrace, gtrace):
    out = []
    if len(etrace) != len(gtrace):
        out.append(f'{what}: expected {len(etrace)} segments, got {len(gtrace)}')
    else:
        for i, (e, g) in enumerate(zip(etrace, gtrace)):
            for k, v in e.items():
                gv = g.get(k)
                ok = close(v, gv, 1e-6, 1e-6) if isinstance(v, float) else v == gv
                if not ok:
                    out.append(f'{what}[{i}] (line {e["line"]}): {k} expected {v!r}, got {gv!r}')
                    break
    return out


def alarm_named(program):
    with open(program, encoding='utf-8', errors='replace') as f:
        first = f.readline().strip()
    if first.startswith('(ALARM:') and first.endswith(')'):
        return first[len('(ALARM:'):-1].strip()
    return None


def main():
    checker = sys.argv[1]
    folder = sys.argv[2] if len(sys.argv) > 2 else os.path.dirname(os.path.abspath(__file__))
    names = sorted(f[:-4] for f in os.listdir(folder) if f.endswith('.min'))
    failed = 0
    for name in names:
        base = os.path.join(folder, name)
        options = open(base + '.options').read().split() if os.path.exists(base + '.options') else []
        with tempfile.TemporaryDirectory() as tmp:
            tpath = os.path.join(tmp, 'trace.jsonl')
            npath = os.path.join(tmp, 'nose.jsonl')
            nose = os.path.exists(base + '.nose.jsonl')
            p = subprocess.run([checker, *options, '--json', '--trace', tpath,
                                *(['--nose-path', npath] if nose else []), base + '.min'],
                               capture_output=True, timeout=60)
            try:
                got = json.loads(p.stdout.decode('utf-8').splitlines()[0])
                gtrace = [json.loads(l) for l in open(tpath) if l.strip()]
                gnose = [json.loads(l) for l in open(npath) if l.strip()] if nose else []
            except Exception as e:
                print(f'{name}: no usable output ({e.__class__.__name__})')
                failed += 1
                continue
        exp = json.load(open(base + '.expected.json', encoding='utf-8'))
        etrace = [json.loads(l) for l in open(base + '.trace.jsonl')] if os.path.exists(base + '.trace.jsonl') else gtrace
        problems = compare(exp, got, etrace, gtrace)
        if nose:
            enose = [json.loads(l) for l in open(base + '.nose.jsonl')]
            problems += compare_pieces('nose path', enose, gnose)
        named = alarm_named(base + '.min')
        messages = [a['message'] for a in got.get('alarms', [])]
        if named is not None and named not in messages:
            problems.append(f'the program must raise "{named}"')
        if named is None and messages:
            problems.append(f'unexpected alarms {messages} (name them in the first line)')
        if problems:
            failed += 1
            print(f'{name}: ' + '; '.join(problems[:3]))
    print(f'{len(names) - failed} passed, {failed} failed')
    return 1 if failed else 0


sys.exit(main())
