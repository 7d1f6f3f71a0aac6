#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The checker program as a user runs it: a normal run with pictures prints nothing on standard
error and leaves nothing in the temporary folder (no session, so no runtime folder); --help
succeeds; a closed standard output is a failure; Qt is loaded only for --png and --pdf, from the
picture library beside the program, and without it those options fail clearly. --version of each
program in the checker's folder (zarvik-check, Zarvik, ZarvikCalculator) fails on a closed or full
standard output, with a message on standard error.  usage: checker_process.py PATH/TO/zarvik-check"""
import json, os, random, shutil, subprocess, sys, tempfile

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


def calibration_failures(checker, work):
    """--calibrate with --json: one JSON document with the fitted parameters, each program's
    residual and leave-one-out error, consistent with one another; the measured times are the
    machine's own times with a slower feed drive and turret."""
    rng = random.Random(7)
    rows = []
    for k in range(10):
        lines = ['G21 G90 G95']
        for t in range(1, rng.randint(2, 4) + 1):
            lines += [f'T0{t}0{t}', f'G97 S{rng.randint(6, 20) * 100} M03', 'G00 X50. Z2.']
            lines += [f'G01 Z-{rng.randint(20, 60)}. F0.2', 'G00 X60. Z2.'] * rng.randint(1, 4)
            lines += ['M08', 'M09'] * rng.randint(0, 4)
            lines += [f'G00 X{rng.randint(20, 200)}.', 'G00 X60.'] * rng.randint(1, 8)
            lines.append('M05')
        lines.append('M30')
        path = os.path.join(work, f'c{k}.min')
        with open(path, 'wb') as f:
            f.write('\r\n'.join(lines).encode() + b'\r\n')
        r = subprocess.run([checker, '--machine', '--json', path], capture_output=True, timeout=60)
        m = json.loads(r.stdout)['machine']
        rows.append((f'c{k}.min', m['time_s'] + 0.1 * m['cutting_s'] + 0.3 * m['tool_change_s']))
    listing = os.path.join(work, 'measured.csv')
    with open(listing, 'w') as f:
        f.write('program,seconds\n' + ''.join(f'{name},{s:.3f}\n' for name, s in rows))
    c = subprocess.run([checker, '--calibrate', listing, '--json'], capture_output=True, timeout=300)
    try:
        doc = json.loads(c.stdout)['calibration']
    except (ValueError, KeyError) as e:
        return [f'--calibrate --json: exit status {c.returncode}, not a JSON document ({e}): {c.stdout[:200]!r}']
    failures = []
    if c.returncode != 0 or c.stderr:
        failures.append(f'--calibrate --json: exit status {c.returncode}, stderr {c.stderr!r}')
    params = doc.get('parameters', {})
    if sorted(params) != sorted(['time_factor', 'x_accel', 'z_accel', 'tool_change_time', 'spindle_accel',
                                 'm_code_time']):
        failures.append(f'--calibrate --json: parameters {sorted(params)}')
    if not 1.3 < params.get('tool_change_time', {}).get('value', 0) < 1.8:  # 1.2 s measured 30 % slower
        failures.append(f'--calibrate --json: tool change {params.get("tool_change_time")}')
    programs = doc.get('programs', [])
    if [p['program'] for p in programs] != [name for name, _ in rows]:
        failures.append(f'--calibrate --json: programs {programs}')
    for p, (name, measured) in zip(programs, rows):
        fitted = p['measured_s'] * (1 + p['residual_pct'] / 100)
        out = p['left_out_s']
        if abs(p['measured_s'] - round(measured, 3)) > 1e-9 or abs(fitted - p['fitted_s']) > 1e-6 * fitted or \
                abs(p['residual_pct']) > 2 or out is None or abs(p['left_out_pct']) > 3 or \
                abs(out / p['measured_s'] - 1 - p['left_out_pct'] / 100) > 1e-9:
            failures.append(f'--calibrate --json: {p}')
    if not (doc.get('residual_rms_pct', 99) < 2 and doc.get('left_out_rms_pct', 99) < 3):
        failures.append(f'--calibrate --json: RMS {doc.get("residual_rms_pct")}, {doc.get("left_out_rms_pct")}')
    text = subprocess.run([checker, '--calibrate', listing], capture_output=True, timeout=300).stdout
    if not text.startswith(b'machine calibrated on 10 programs'):
        failures.append(f'--calibrate: {text[:100]!r}')
    return failures


def picture_library_failures(checker, work, prog):
    """A plain check loads no Qt library (only --png does, from the picture library beside the
    program); a checker without its picture library refuses --png and --pdf with status 2, a
    message naming the library, and writes nothing."""
    failures = []
    library = os.path.join(os.path.dirname(checker), 'zarvik-check-pictures.so')
    if not os.path.exists(library):
        return [f'no picture library beside the checker: {library}']
    env = dict(os.environ, LD_DEBUG='libs')
    for args, wants_qt in (([], False), (['--png', os.path.join(work, 'q.png')], True)):
        r = subprocess.run([checker, '--json'] + args + [prog], capture_output=True, env=env, timeout=60)
        loaded = b'libQt6Gui.so' in r.stderr and b'calling init' in r.stderr
        if r.returncode != 0 or loaded != wants_qt:
            failures.append(f'checker {args}: exit status {r.returncode}, Qt loaded: {loaded}')
    alone = os.path.join(work, 'alone')
    os.mkdir(alone)
    shutil.copy(checker, alone)
    lone = os.path.join(alone, 'zarvik-check')
    for junk in (None, b'not a library'):
        if junk:
            with open(os.path.join(alone, 'zarvik-check-pictures.so'), 'wb') as f:
                f.write(junk)
        for option, name in (('--png', 'a.png'), ('--pdf', 'a.pdf')):
            out = os.path.join(work, name)
            r = subprocess.run([lone, option, out, prog], capture_output=True, timeout=60)
            if r.returncode != 2 or b'zarvik-check-pictures.so' not in r.stderr or os.path.exists(out):
                failures.append(f'{option} without the picture library ({junk!r}): exit status {r.returncode}, '
                                f'stderr {r.stderr!r}')
    plain = subprocess.run([lone, '--json', prog], capture_output=True, timeout=60)
    if plain.returncode != 0 or b'"alarms": []' not in plain.stdout:
        failures.append(f'a plain check without the picture library: exit status {plain.returncode}')
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
        failures += calibration_failures(checker, work)
        failures += picture_library_failures(checker, work, prog)
    failures += version_failures(os.path.dirname(checker))
    for f in failures:
        print(f)
    print('ok' if not failures else f'{len(failures)} failed')
    return 1 if failures else 0


sys.exit(main())
