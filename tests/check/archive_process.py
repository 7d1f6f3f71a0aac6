#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The checker on a program archive as a shop runs it: the order of the reports (the sorted list
with one job, every program exactly once with several), a program that cannot be read not stopping
the others, the exit status as the worst over many programs, the summary agreeing with the reports,
each program's own setup (or --stock for all), a bad setup failing its program alone, and the
refusals (a report over a program, single-program outputs, a bad job count).
usage: archive_process.py PATH/TO/zarvik-check"""
import json, os, subprocess, sys, tempfile

GOOD = b'T0101\r\nG00 X40. Z2.\r\nG01 Z-20. F0.2 S800\r\nM30\r\n%\r\n'
ALARM = b'T0101\r\nG00 X40. Z2.\r\nG01 Z-20. F0 S800\r\nM30\r\n%\r\n'  # "Feed is 0."
NO_CRLF = b'G00 X40. Z2.\nM30\n'
failures = []


def expect(ok, what):
    if not ok:
        failures.append(what)


def run(checker, *args):
    p = subprocess.run([checker, *args], capture_output=True, timeout=120)
    return p.returncode, p.stdout.decode('utf-8', 'replace'), p.stderr.decode('utf-8', 'replace')


def objects(stdout):
    lines = [json.loads(line) for line in stdout.splitlines() if line.strip()]
    return [o for o in lines if 'summary' not in o], [o['summary'] for o in lines if 'summary' in o]


def make_archive(root):
    files = {'b/20.min': GOOD, 'b/alarm.NC': ALARM, 'a.tap': GOOD, 'c/deep/x.nc': GOOD, 'c/lf.min': NO_CRLF,
             'c/readme.txt': b'not a program', 'Z.MIN': GOOD}
    for name, data in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(data)
    os.symlink(os.path.join(root, 'nowhere'), os.path.join(root, 'b', 'gone.min'))  # cannot be read
    return sorted(os.path.join(root, n) for n in
                  ('b/20.min', 'b/alarm.NC', 'b/gone.min', 'a.tap', 'c/deep/x.nc', 'c/lf.min', 'Z.MIN'))


def check_order_and_failures(checker, root, listed):
    status, out, err = run(checker, '--json', '--jobs', '1', root)
    reports, summaries = objects(out)
    expect([r['file'] for r in reports] == listed, f'--jobs 1 order {[r["file"] for r in reports]}')
    expect(len(summaries) == 1 and out.rstrip().splitlines()[-1].startswith('{"summary"'), 'summary not last')
    expect(status == 2, f'an unreadable program among others: exit status {status}')
    expect('gone.min' in err, f'the unreadable program is not named on standard error: {err!r}')
    gone = [r for r in reports if r['file'].endswith('gone.min')]
    expect(len(gone) == 1 and 'error' in gone[0], f'the unreadable program has no error object: {gone}')
    checked = [r for r in reports if 'error' not in r]
    expect(len(checked) == len(listed) - 1, 'a program after the unreadable one was not checked')
    s = summaries[0] if summaries else {}
    expect(s.get('programs') == len(listed) and s.get('unreadable') == 1 and s.get('status') == 2,
           f'summary counts {s}')
    expect(s.get('blocks') == sum(r['blocks'] for r in checked), 'summary blocks differ from the reports')
    alarms = {}
    for r in checked:
        for a in r['alarms']:
            alarms[a['message']] = alarms.get(a['message'], 0) + 1
    expect(s.get('alarms', {}).get('by_message') == alarms, f'summary alarms {s.get("alarms")} vs {alarms}')
    codes = {}
    for r in checked:
        for f in r['advice']:
            codes[f['code']] = codes.get(f['code'], 0) + 1
    expect(s.get('findings', {}).get('by_code') == codes, f'summary findings {s.get("findings")} vs {codes}')
    expect(all(isinstance(r.get('check_time_s'), float) for r in checked), 'a report without its check time')

    # Several jobs: each program exactly once, the same reports apart from the times.
    status2, out2, _ = run(checker, '--json', '--jobs', '3', root)
    reports2, summaries2 = objects(out2)
    strip = lambda rs: sorted(json.dumps({k: v for k, v in r.items() if k != 'check_time_s'}) for r in rs)
    expect(strip(reports2) == strip(reports), '--jobs 3 reports differ from --jobs 1')
    expect(status2 == 2 and len(summaries2) == 1 and summaries2[0]['jobs'] == 3, f'--jobs 3: {summaries2}')


def check_status_over_many(checker, root):
    good, alarm, gone = (os.path.join(root, n) for n in ('a.tap', 'b/alarm.NC', 'b/gone.min'))
    for files, expected in (([good, good], 0), ([good, alarm, good], 1), ([gone, alarm, good], 2),
                            ([alarm, good, gone], 2)):
        for jobs in ('1', '2'):
            status, out, _ = run(checker, '--jobs', jobs, *files)
            expect(status == expected, f'{files} with --jobs {jobs}: exit status {status}, not {expected}')
            expect(out.count('summary:') == 1, f'{files}: no text summary')
    # Text mode names every program, the unreadable one too, and the folder order.
    status, out, _ = run(checker, '--jobs', '1', root)
    firsts = [line for line in out.splitlines() if line.startswith(root)]
    expect(firsts == make_archive.listed, f'text reports {firsts}')


def check_refusals(checker, root):
    program = os.path.join(root, 'a.tap')
    before = open(program, 'rb').read()
    status, _, err = run(checker, '--report', program, root)
    expect(status == 2 and open(program, 'rb').read() == before, f'--report over a program: {status} {err!r}')
    for args in (['--jobs', '0', root], ['--jobs', 'x', root], ['--jobs', '2.5', root], ['--report'],
                 ['--trace', os.path.join(root, 't.jsonl'), root], ['--svg', os.path.join(root, 'p.svg'), root]):
        status, out, err = run(checker, *args)
        expect(status == 2 and not out and err, f'{args}: exit status {status}, {out!r}')
    empty = os.path.join(root, 'empty')
    os.mkdir(empty)
    status, out, err = run(checker, '--json', empty)
    expect(status == 0 and 'no NC program' in err and objects(out)[1][0]['programs'] == 0,
           f'an empty folder: {status} {err!r}')
    # Files alone keep the single-program output: no summary, no times.
    status, out, _ = run(checker, '--json', program, program)
    expect(status == 0 and 'summary' not in out and 'check_time_s' not in out, 'plain files changed output')


RAPID_IN = b'T0101\r\nG00 X20. Z-10.\r\nG00 X100. Z50.\r\nM30\r\n%\r\n'  # a rapid through the bar
BAR = b'[stock]\nkind = "bar"\ndiameter = 40\nlength = 60\n'
BAD_SETUP = b'# a bar\n[stock]\nkind = "bar"\ndiameter = -3\nlength = 60\n'  # named by its table, line 2


def check_setups(checker, root):
    files = {'cut/cut.min': RAPID_IN, 'cut/cut.setup.toml': BAR, 'bad/x.min': GOOD, 'bad/x.setup.toml': BAD_SETUP,
             'plain/y.min': RAPID_IN}
    for name, data in files.items():
        os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
        with open(os.path.join(root, name), 'wb') as f:
            f.write(data)
    cut, bad, plain = (os.path.join(root, n) for n in ('cut/cut.min', 'bad/x.min', 'plain/y.min'))
    status, out, err = run(checker, '--json', '--jobs', '2', root)
    reports, summaries = objects(out)
    by_file = {r['file']: r for r in reports}
    expect(sorted(by_file) == sorted([cut, bad, plain]), f'setups: reports of {sorted(by_file)}')
    codes = [a['code'] for a in by_file.get(cut, {}).get('advice', [])]
    expect('stock' in by_file.get(cut, {}) and 'rapid-into-stock' in codes, f'the setup beside cut.min: {codes}')
    # The program's own setup, read as a single program's is: the same report.
    _, single, _ = run(checker, '--json', cut)
    archived = dict(by_file.get(cut, {}))
    archived.pop('check_time_s', None)
    expect(archived == json.loads(single), 'cut.min in the archive differs from cut.min alone')
    # A bad setup is its program's alone: named with its line, the program checked without it.
    b = by_file.get(bad, {})
    expect('x.setup.toml:2:' in b.get('setup_error', '') and 'stock' not in b and b.get('blocks', 0) > 0,
           f'the bad setup beside x.min: {b.get("setup_error")!r}')
    expect('x.setup.toml:2:' in err, f'the bad setup is not named on standard error: {err!r}')
    expect('stock' not in by_file.get(plain, {}) and 'setup_error' not in by_file.get(plain, {}),
           'a program without a setup got one')
    found = sum(1 for r in reports for a in r.get('advice', []) if a['code'] == 'rapid-into-stock')
    s = summaries[0] if summaries else {}
    expect(status == 2 and s.get('findings', {}).get('by_code', {}).get('rapid-into-stock') == found,
           f'setups: exit status {status}, summary {s.get("findings")}')
    # The program checked without its setup counts as not checked.
    expect(s.get('unreadable') == 1, f'setups: {s.get("unreadable")} not checked, not 1')
    # --stock for every program, the files beside them unread; --no-setup, none at all.
    status, out, err = run(checker, '--json', '--stock', 'bar,40,60', root)
    reports, _ = objects(out)
    expect(status == 1 and all('stock' in r and 'setup_error' not in r for r in reports) and not err,
           f'--stock over an archive: {status} {err!r}')
    status, out, _ = run(checker, '--json', '--no-setup', root)
    reports, _ = objects(out)
    expect(status == 0 and not any('stock' in r for r in reports), f'--no-setup over an archive: {status}')


ISO_G71 = (b'G21 G99 G97 S1000 M03 T0101\r\nG00 X42. Z2.\r\nG71 U1. R0.5\r\nG71 P10 Q20 U0.4 W0.1 F0.25\r\n'
           b'N10 G00 X30.\r\nG01 Z-20.\r\nN20 X42.\r\nG70 P10 Q20\r\nM30\r\n%\r\n')
NO_POINT = b'T0101\r\nG00 X40 Z2.\r\nM30\r\n'  # an alarm under the FANUC dialect only


def check_mixed_controls(checker, root):
    """Each program of an archive read by the control its setup's [program] table names."""
    files = {'iso/g71.nc': ISO_G71, 'iso/g71.setup.toml': b'[program]\ncontrol = "iso"\n',
             'inch/i.nc': b'G00 X1. Z0.1\r\nM30\r\n',
             'inch/i.setup.toml': b'[program]\ncontrol = "iso"\nunit = "inch"\n' + BAR,
             'fanuc/f.min': NO_POINT, 'fanuc/f.setup.toml': b'[program]\ncontrol = "fanuc"\n',
             'kvz/k.min': NO_POINT, 'odd/o.min': GOOD, 'odd/o.setup.toml': b'[program]\ncontrol = "haas"\n'}
    for name, data in files.items():
        os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
        with open(os.path.join(root, name), 'wb') as f:
            f.write(data)
    path = {n: os.path.join(root, n) for n in ('iso/g71.nc', 'inch/i.nc', 'fanuc/f.min', 'kvz/k.min', 'odd/o.min')}
    report = os.path.join(root, 'mixed.html')
    status, out, err = run(checker, '--json', '--report', report, root)
    by_file = {r['file']: r for r in objects(out)[0]}
    got = {n: (by_file.get(p, {}).get('dialect'), by_file.get(p, {}).get('dialect_from'), by_file.get(p, {}).get('unit'))
           for n, p in path.items()}
    expect(got == {'iso/g71.nc': ('ISO', 'setup', 1), 'inch/i.nc': ('ISO', 'setup', 4),
                   'fanuc/f.min': ('FANUC', 'setup', 1), 'kvz/k.min': ('KVZ', None, 1), 'odd/o.min': ('KVZ', None, 1)},
           f'mixed archive: controls {got}')
    iso = by_file.get(path['iso/g71.nc'], {})
    expect(not iso.get('alarms') and 'setup_error' not in iso and 'stock' not in iso,
           f'the ISO program with a setup naming only its control: {iso.get("alarms")}, {iso.get("setup_error")}')
    expect(abs(by_file.get(path['inch/i.nc'], {}).get('final', {}).get('x', 0) - 25.4) < 1e-9, 'inch: X1. is not 25.4 mm')
    expect('o.setup.toml:2: program.control must be "kvz", "fanuc" or "iso", not "haas"' in
           by_file.get(path['odd/o.min'], {}).get('setup_error', ''), 'an unknown control is not named with its line')
    expect(status == 2, f'mixed archive: exit status {status}')
    html = open(report, encoding='utf-8').read()
    expect(html.count('control ISO (setup)') == 2 and 'control FANUC (setup)' in html and 'control KVZ<' in html,
           'the HTML report does not name each program\'s control')
    # The command line's control is the archive's default; a program's setup still wins.
    _, out, _ = run(checker, '--json', '--control', 'iso', os.path.join(root, 'kvz'), os.path.join(root, 'fanuc'))
    # (results come as the jobs finish them: compared by file)
    got = {os.path.basename(r['file']): (r['dialect'], r.get('dialect_from')) for r in objects(out)[0]}
    expect(got == {'k.min': ('ISO', None), 'f.min': ('FANUC', 'setup')}, f'--control iso over an archive: {got}')
    # One program: the setup names its control, unless the command line does.
    for args, want in (([], 'ISO (from the setup)'), (['--control', 'kvz'], 'dialect KVZ,'),
                       (['--fanuc'], 'dialect FANUC,'), (['--no-setup'], 'dialect KVZ,')):
        _, out, _ = run(checker, *args, path['iso/g71.nc'])
        expect(want in out, f'{args} on one program: {out.splitlines()[1:2]}')


def check_subprogram_files(checker, root):
    """A subprogram in a file of its own (O4100.nc, called by M98 P4100) is listed as one, not
    checked as a main program; a program that only looks like one stays a program."""
    files = {'MAIN.nc': b'T0101 G97 S500 M03\r\nG00 X40. Z2.\r\nM98 P4100\r\nM30\r\n', 'O4100.nc': b'%\r\nO4100 (SUB)\r\nG01 U-2. F0.2\r\nM99\r\n%\r\n',
             '4200.nc': b'G00 X40. Z2. (NO M99 HERE)\r\n', 'LOOP.nc': b'G00 X40. Z2.\r\nM99\r\n'}
    for name, data in files.items():
        with open(os.path.join(root, name), 'wb') as f:
            f.write(data)
    report = os.path.join(root, 'sub.html')
    status, out, err = run(checker, '--json', '--control', 'iso', '--report', report, root)
    reports, summaries = objects(out)
    expect(status == 0 and 'O4100' not in err, f'with a subprogram file: status {status}, {err!r}')
    by_file = {os.path.basename(r['file']): r for r in reports}
    expect(by_file.get('O4100.nc') == {'file': os.path.join(root, 'O4100.nc'), 'subprogram': True},
           f'the subprogram file: {by_file.get("O4100.nc")}')
    expect('blocks' in by_file.get('4200.nc', {}) and 'blocks' in by_file.get('LOOP.nc', {}),
           'a program named like a subprogram file, or ending with M99 under another name, was not checked')
    codes = lambda r: [a['code'] for a in r.get('advice', [])]
    expect(not by_file.get('MAIN.nc', {}).get('alarms') and 'iso-unsupported' not in codes(by_file.get('MAIN.nc', {})),
           f'the calling program: {by_file.get("MAIN.nc")}')
    s = summaries[0] if summaries else {}
    expect(s.get('programs') == 4 and s.get('subprograms') == 1 and s.get('unreadable') == 0,
           f'summary with a subprogram: {s}')
    _, text, _ = run(checker, '--control', 'iso', '--jobs', '1', root)
    expect('1 subprogram in a file of its own, checked only' in text and 'subprogram: checked as part of' in text,
           f'the text summary: {text[-600:]}')
    html = open(report, encoding='utf-8').read()
    expect('class="v pass">subprogram</span>' in html and '1 subprogram in a file of its own' in html,
           'the HTML report does not list the subprogram')


def check_split_report(checker, root):
    """An archive of more than 1,000 programs: an index and pages of 200 rows, linked both ways."""
    for k in range(1201):
        with open(os.path.join(root, f'p{k:04d}.min'), 'wb') as f:
            f.write(ALARM if k == 700 else GOOD)
    report = os.path.join(root, 'out', 'r.html')
    os.makedirs(os.path.dirname(report))
    status, _, err = run(checker, '--jobs', '2', '--report', report, root)
    pages = sorted(os.listdir(report + '.pages')) if os.path.isdir(report + '.pages') else []
    expect(status == 1 and pages == [f'{k:04d}.html' for k in range(1, 8)], f'split report: {status} {pages} {err!r}')
    if len(pages) != 7:
        return
    index = open(report, encoding='utf-8').read()
    rows = [open(os.path.join(report + '.pages', p), encoding='utf-8').read().count('<tr class=') for p in pages]
    expect(rows == [200] * 6 + [1], f'rows of the pages: {rows}')
    failing = index.split('<td class="verdict"><span class="v fails">')
    expect(len(failing) == 2 and 'p0700.min' in failing[1].split('</tr>')[0] and
           index.count('href="r.html.pages/0004.html"') >= 2,
           'the index links its pages and lists the failing program with its page')
    second = open(os.path.join(report + '.pages', '0004.html'), encoding='utf-8').read()
    expect('href="../r.html"' in second and 'class="v fails"' in second and '601\u2013' '800 of 1201' in second,
           'page 4 links back and holds the failing row')


def main():
    checker = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as root:
        make_archive.listed = make_archive(root)
        check_order_and_failures(checker, root, make_archive.listed)
        check_status_over_many(checker, root)
        check_refusals(checker, root)
    with tempfile.TemporaryDirectory() as root:
        check_setups(checker, root)
    with tempfile.TemporaryDirectory() as root:
        check_mixed_controls(checker, root)
    with tempfile.TemporaryDirectory() as root:
        check_subprogram_files(checker, root)
    with tempfile.TemporaryDirectory() as root:
        check_split_report(checker, root)
    for f in failures:
        print('FAIL:', f)
    print(f'{0 if failures else 1} passed, {1 if failures else 0} failed')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
