#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""How fine the comparison with a drawing and --diff see, on the examples and the golden programs
that cut stock: each program against its own --profile DXF gives no region; seeded edits (a
finishing move's Z or X moved by 0.001 to 0.1 mm, a finishing pass dropped, a nose radius or tip
changed in the setup, G02/G03 swapped) against the original's profile are found when they reach
0.002 mm normal to the part, sized to 0.0005 mm of the depth worked out from the geometry, and
laid at the edited block (or at the block that keeps its X, or at the block before it whose
compensated end moves with it, or at the cycle that runs it; for a dropped pass, at the nearest
pass left); 0.001 mm stays under the default tolerance (0.0015). --diff gives "same part" for
edits that cut nothing different and "changed" with the edited block for the rest. Prints a
table per kind of edit.
usage: sensitivity.py PATH/TO/zarvik-check SOURCE_DIR"""
import json, math, os, re, shutil, subprocess, sys, tempfile

STEPS = [0.001, 0.002, 0.005, 0.01, 0.1]
FOUND, SILENT = 0.002, 0.0015  # must be found from, must not be reported up to (mm)
SIZE = 0.0005
CHORDS = 0.001  # the stock's arcs: chords within 0.0005 mm along the path and round the nose
S2 = math.sqrt(2)


def fmt(v):
    s = ('%.4f' % v).rstrip('0')
    return s[:-1] if s.endswith('.') else s


def word(value):
    """A coordinate as a program writes it: 38. or 38.002."""
    s = ('%.4f' % value).rstrip('0')
    return s if not s.endswith('.0') else s[:-1]


class Edit:
    """One edited version: `lines` replaces a word of program lines (1-based), or drops them
    (None); `setup` rewrites the setup's text. `depth` is the largest depth normal to the part
    the edit makes (None: found, its size not worked out), `region` gouge or excess, `line` the
    blocks it may be laid at (the first is the edited one), `at` a Z within the region looked at
    (default the deepest), `most` the depth no region may pass, `step` how far a word moved.
    `arc`: the deviation runs onto an arc (or round a compensated corner, which the nose's
    centre rounds in an arc), where the stock's chords (within 0.0005 mm for the path and again
    round the nose) may put it up to 0.001 mm off the geometry."""

    def __init__(self, kind, name, depth, region, line, lines=None, setup=None, at=None, most=None,
                 step=None, arc=False):
        self.kind, self.name, self.depth, self.region, self.at, self.most = kind, name, depth, region, at, most
        self.step, self.arc = step, arc
        self.line = list(line) if isinstance(line, (list, tuple, range)) else [line]
        self.lines, self.setup = lines or {}, setup


def moved(kind, line, old, new_of, depth_of, region, at=None, arc=False):
    """A word moved by each step: `new_of(d)` the replacing word, `depth_of(d)` the depth."""
    return [Edit(kind, '%s line %d %+g' % (kind, line, d), depth_of(d), region, at or line,
                 lines={line: (old, new_of(d))}, step=d, arc=arc) for d in STEPS]


def arc_centre(a, b, radius, near):
    """The centre of the arc of `radius` from a to b (z, r) on the side of `near`."""
    mz, mr = (a[0] + b[0]) / 2, (a[1] + b[1]) / 2
    half = math.dist(a, b) / 2
    h = math.sqrt(max(radius * radius - half * half, 0))
    uz, ur = (b[1] - a[1]) / (2 * half), -(b[0] - a[0]) / (2 * half)
    return min([(mz + h * uz, mr + h * ur), (mz - h * uz, mr - h * ur)], key=lambda c: math.dist(c, near))


def distance(p, piece):
    """From p to a piece of contour: ('line', a, b) or ('arc', a, b, centre)."""
    a, b = piece[1], piece[2]
    if piece[0] == 'arc':
        c = piece[3]
        ang = lambda q: math.atan2(q[1] - c[1], q[0] - c[0])
        span = (ang(b) - ang(a) + math.pi) % (2 * math.pi) - math.pi
        along = (ang(p) - ang(a) + math.pi) % (2 * math.pi) - math.pi
        if 0 <= along / span <= 1:
            return abs(math.dist(p, c) - math.dist(a, c))
        return min(math.dist(p, a), math.dist(p, b))
    dz, dr = b[0] - a[0], b[1] - a[1]
    t = max(0, min(1, ((p[0] - a[0]) * dz + (p[1] - a[1]) * dr) / (dz * dz + dr * dr)))
    return math.dist(p, (a[0] + t * dz, a[1] + t * dr))


def points(piece, step=0.002):
    a, b = piece[1], piece[2]
    if piece[0] == 'line':
        n = max(1, int(math.dist(a, b) / step))
        return [(a[0] + (b[0] - a[0]) * k / n, a[1] + (b[1] - a[1]) * k / n) for k in range(n + 1)]
    c = piece[3]
    r, a0 = math.dist(a, c), math.atan2(a[1] - c[1], a[0] - c[0])
    span = (math.atan2(b[1] - c[1], b[0] - c[0]) - a0 + math.pi) % (2 * math.pi) - math.pi
    n = max(1, int(abs(span) * r / step))
    return [(c[0] + r * math.cos(a0 + span * k / n), c[1] + r * math.sin(a0 + span * k / n)) for k in range(n + 1)]


def apart(new, old, stock_r):
    """The largest distance of the new contour from the old one, within the bar (z <= 0,
    r <= its radius): what a nose that follows the contour (G42) leaves different."""
    return max(min(distance(p, o) for o in old) for n in new for p in points(n)
               if p[0] <= 1e-9 and p[1] <= stock_r + 1e-9)


def iso_contour(x30=30.0, z5=-5.0):
    """The compensated contour of both ISO programs (z, radius): Z0 X20, X30 Z-5, Z-15,
    G02 X40 Z-20 R5 (the fillet's centre lies outside the part)."""
    a, b, c, e = (0.0, 10.0), (z5, x30 / 2), (-15.0, x30 / 2), (-20.0, 20.0)
    return [('line', a, b), ('line', b, c), ('arc', c, e, arc_centre(c, e, 5, (-15.0, 20.0)))]


# Each program: its file, the options it runs with, and the edits whose depth is exact.
# Depths: a face moved by d along Z is a region d deep; a diameter opened by d one d/2 deep
# (radius); a 45° chamfer's corner moved by d in X (diameter) d/2/sqrt(2) deep; a 45° chamfer
# or a concave R fillet cut with a nose R2 instead of R1 (tip 3, no compensation) is
# (R2 - R1)(sqrt(2) - 1) further off the part; an arc of radius R on a chord c turned the other
# way is 2(R - sqrt(R² - c²/4)) off at its middle (the nose shifts both arcs alike); a tip 4
# instead of tip 3 puts the nose 2R behind every face it cuts.
def programs(src):
    ex, gold = os.path.join(src, 'examples'), os.path.join(src, 'tests', 'programs')
    nose = 0.8 * (S2 - 1) - 0.4 * (S2 - 1)
    sag2 = lambda r, c: 2 * (r - math.sqrt(r * r - c * c / 4))
    iso = ['--control', 'iso', '--stock', 'bar,40,60']
    return [
        dict(file=os.path.join(ex, 'TURNING.min'), options=[], edits=[
            # The face at Z-25 (its arc's end) pushed back: cut into by the arc first.
            *moved('Z', 32, 'Z-25.', lambda d: 'Z' + word(-25 - d), lambda d: d, 'gouge'),
            # The groove's floor (D44) both ways: the plunge leaves it.
            *moved('X', 44, 'X44.', lambda d: 'X' + word(44 + d), lambda d: d / 2, 'excess'),
            *moved('X', 44, 'X44.', lambda d: 'X' + word(44 - d), lambda d: d / 2, 'gouge'),
            # Every 45° chamfer and fillet of T02 further off; the chamfer at Z0 to Z-2 looked at.
            Edit('nose', 'T02 nose 0.4 -> 0.8', nose, 'excess', 30, at=-1, most=nose,
                 setup=lambda s: s.replace('"DNMG 150604"', '"DNMG 150608"')),
            Edit('tip', 'T02 tip 3 -> 4', None, 'gouge', range(28, 39),
                 setup=lambda s: s.replace('radius 0.4\ntip = 3', 'radius 0.4\ntip = 4')),
            Edit('drop', 'finishing pass (T02) dropped', None, 'excess', [22, 23, 52],
                 lines={n: None for n in range(26, 40)}),
        ]),
        dict(file=os.path.join(ex, 'FANUC_PIN.min'), options=['--control', 'fanuc'], edits=[
            # The shoulder face at Z-30 pushed back (the roughing stops at Z-30, so only back).
            *moved('Z', 21, 'Z-30.', lambda d: 'Z' + word(-30 - d), lambda d: d, 'gouge'),
            Edit('swap', 'G02 -> G03 line 20', sag2(2, 2 * S2), 'excess', 20, lines={20: ('G02', 'G03')}, arc=True),
            Edit('nose', 'T02 nose 0.4 -> 0.8', nose, 'excess', 20, at=-16, most=nose,
                 setup=lambda s: s.replace('"DNMG 150604"', '"DNMG 150608"')),
            # Without the finish the roughing's D24 stands 2 mm over D20.
            Edit('drop', 'finishing pass (T02) dropped', 2.0, 'excess', 9, lines={n: None for n in range(14, 23)}),
        ]),
        dict(file=os.path.join(ex, 'CYCLES_FANUC.min'), options=['--control', 'fanuc'], edits=[
            # The last G90 pass's diameter, both ways; the face G94 at Z0 both ways.
            *moved('X', 14, 'X52.', lambda d: 'X' + word(52 + d), lambda d: d / 2, 'excess'),
            *moved('X', 14, 'X52.', lambda d: 'X' + word(52 - d), lambda d: d / 2, 'gouge'),
            *moved('Z', 9, 'Z0.', lambda d: 'Z' + word(-d), lambda d: d, 'gouge'),
            *moved('Z', 9, 'Z0.', lambda d: 'Z' + word(d), lambda d: d, 'excess'),
            # Without the D52 pass the D56 one stands over it (more at the thread's run-out).
            Edit('drop', 'last G90 pass dropped', None, 'excess', 13, lines={14: None}),
        ]),
        dict(file=os.path.join(ex, 'CYCLES.min'), options=[], edits=[
            *moved('X', 10, 'X48.', lambda d: 'X' + word(48 + d), lambda d: d / 2, 'excess'),
            *moved('X', 10, 'X48.', lambda d: 'X' + word(48 - d), lambda d: d / 2, 'gouge'),
            Edit('drop', 'last G92 pass dropped', 2.0, 'excess', 9, lines={10: None}, at=-35),
        ]),
        dict(file=os.path.join(gold, 'iso_nose_compensation.min'), options=iso, edits=[
            # D30 (kept by the next block) opened: the fillet after it starts higher.
            *moved('X', 6, 'X30.', lambda d: 'X' + word(30 + d),
                   lambda d: apart(iso_contour(x30=30 + d), iso_contour(), 20), 'excess', [6, 7], arc=True),
            # The chamfer's end pushed back: it leans into the part. With G42 the end of the
            # block before moves with it (its nose stops where the two offset paths meet).
            *moved('Z', 6, 'Z-5.', lambda d: 'Z' + word(-5 - d),
                   lambda d: apart(iso_contour(z5=-5 - d), iso_contour(), 20), 'gouge', [6, 5], arc=True),
            Edit('swap', 'G02 -> G03 line 8', sag2(5, 5 * S2), 'excess', 8, lines={8: ('G02', 'G03')}, arc=True),
        ]),
        dict(file=os.path.join(gold, 'iso_g71_nose_in_contour.min'), options=iso, edits=[
            # The cycle's cuts are its own block's (line 5).
            *moved('X', 8, 'X30.', lambda d: 'X' + word(30 + d),
                   lambda d: apart(iso_contour(x30=30 + d), iso_contour(), 20), 'excess', [8, 9, 5], arc=True),
            *moved('Z', 8, 'Z-5.', lambda d: 'Z' + word(-5 - d),
                   lambda d: apart(iso_contour(z5=-5 - d), iso_contour(), 20), 'gouge', [8, 5], arc=True),
            Edit('swap', 'G02 -> G03 line 10', sag2(5, 5 * S2), 'excess', [10, 5], lines={10: ('G02', 'G03')}, arc=True),
        ]),
    ]


def run(checker, *args):
    p = subprocess.run([checker, *args], capture_output=True, timeout=300)
    return p.returncode, p.stdout.decode('utf-8', 'replace'), p.stderr.decode('utf-8', 'replace')


def reports(out):
    """The JSON reports of a run over several files, one object per line."""
    return [json.loads(l) for l in out.splitlines() if l.startswith('{')]


def apply(text, edit):
    lines = text.split('\n')
    for n, change in sorted(edit.lines.items(), reverse=True):
        if change is None:  # dropped: an empty line keeps the others' numbers
            lines[n - 1] = ''
            continue
        old, new = change
        assert old in lines[n - 1], (edit.name, lines[n - 1], old)
        lines[n - 1] = lines[n - 1].replace(old, new, 1)
    return '\n'.join(lines)


def named_line(report, region):
    """The line of the finding that names `region` (the block it is laid at)."""
    mine = [f for f in report.get('advice', []) if f['code'] == region['kind']]
    span = 'from Z%s to Z%s' % (fmt(region['z'][1]), fmt(region['z'][0]))
    for f in mine:
        if span in f['message']:
            return f['line']
    return mine[0]['line'] if len(mine) == 1 else None


def neutral_versions(text, renumber):
    """Versions that cut the same part: renumbered, other comments, other feeds and speeds,
    reformatted, a rapid out into the air and back after each retract."""
    lines = text.split('\n')
    out = {}
    if renumber:  # and the cycles' P and Q that name blocks
        number = lambda m: '%s%d' % (m.group(1), int(m.group(2)) * 10 + 5)
        out['renumbered'] = '\n'.join(
            re.sub(r'\b([PQ])(\d+)', number, re.sub(r'^(N)(\d+)', number, l)) if re.search(r'G7\d P', l)
            else re.sub(r'^(N)(\d+)', number, l) for l in lines)
    out['comments'] = '\n'.join(re.sub(r'\(([^)]*)\)', lambda m: '(' + m.group(1).lower() + ' - EDITED)', l)
                                for l in lines)
    # Feeds of the cutting moves (not the leads of threads) and spindle speeds.
    cutting = re.compile(r'G0?[123]\b|G9[04]\b|G7[34]\b|G18[13]\b|G71 P')
    feeds = []
    for l in lines:
        if cutting.search(l) and not re.search(r'G3[23]\b|G92 U', l):
            l = re.sub(r'F(\d*\.?\d+)', lambda m: 'F' + word(float(m.group(1)) * 1.25), l)
        l = re.sub(r'S(\d+)(?= M0[34])', lambda m: 'S%d' % (int(m.group(1)) + 100), l)
        feeds.append(l)
    out['feeds and speeds'] = '\n'.join(feeds)
    # Words packed together, G-codes and coordinates with and without leading and trailing zeros.
    packed = []
    for l in lines:
        if l.startswith('(') or l.startswith('%') or '(' in l:
            packed.append(l)
            continue
        l = re.sub(r'\bG0(\d)\b', r'G\1', l)
        l = re.sub(r'([XZ])(-?)(\d+)\.(?=\s|$)', r'\1\2\3.000', l)
        packed.append(l.replace(' ', ''))
    out['reformatted'] = '\n'.join(packed)
    aired = []
    for l in lines:
        aired.append(l)
        m = re.match(r'^(?:N\d+ )?G00 X(\d+)\. Z(\d+)\.\s*$', l)
        if m:
            aired += ['G00 X%d. Z%d.' % (int(m.group(1)) + 20, int(m.group(2)) + 30), l]
    out['rapid in the air'] = '\n'.join(aired)
    return out


def main():
    checker, src = sys.argv[1], sys.argv[2]
    failures, table, loose = [], {}, []
    tmp = tempfile.mkdtemp(prefix='zarvik-sensitivity-')

    def tally(kind, *cells):
        row = table.setdefault(kind, [0, 0, 0, 0, 0])
        for i, c in enumerate(cells):
            row[i] += c

    try:
        for p in programs(src):
            base = os.path.basename(p['file'])
            stem = base.rsplit('.', 1)[0]
            with open(p['file'], newline='') as f:
                text = f.read()
            eol = '\r\n' if '\r\n' in text else '\n'
            text = text.replace('\r\n', '\n')
            setup_file = p['file'].rsplit('.', 1)[0] + '.setup.toml'
            setup = open(setup_file).read() if os.path.exists(setup_file) else None
            opts = list(p['options'])

            def write(name, body, setup_text=setup):
                path = os.path.join(tmp, name)
                with open(path, 'w', newline='') as f:
                    f.write(body.replace('\n', eol))
                if setup_text is not None:
                    with open(path.rsplit('.', 1)[0] + '.setup.toml', 'w') as f:
                        f.write(setup_text)
                return path

            original = write(base, text)
            drawing = os.path.join(tmp, stem + '.dxf')
            rc, out, err = run(checker, *opts, '--profile', drawing, original)
            if not os.path.exists(drawing):
                failures.append('%s: no profile (%d) %s' % (base, rc, err))
                continue
            # 1. Each program against its own profile, and every edit against the original's.
            files = [original]
            for i, e in enumerate(p['edits']):
                body = apply(text, e)
                files.append(write('%s_e%d.%s' % (stem, i, base.rsplit('.', 1)[1]), body,
                                   e.setup(setup) if e.setup else setup))
            rc, out, err = run(checker, *opts, '--json', '--target', drawing, *files)
            got = reports(out)
            if len(got) != len(files):
                failures.append('%s: %d reports for %d files: %s' % (base, len(got), len(files), err))
                continue
            own = got[0].get('target', {}).get('regions')
            tally('own profile', 1, own == [], 0, 0, 0)
            if own != []:
                failures.append('%s against its own profile: %s' % (base, own))
            for e, r in zip(p['edits'], got[1:]):
                regions = r.get('target', {}).get('regions', [])
                if e.step is not None and e.step < SILENT:
                    ok = not regions
                    tally(e.kind + ' 0.001: none', 1, ok, 0, 0, 0)
                    if not ok:
                        failures.append('%s %s: reported under the tolerance: %s' % (base, e.name, regions))
                    continue
                if e.depth is not None and e.depth < FOUND:
                    tally(e.kind, 0, 0, 0, 0, 1)
                    continue
                looked = [g for g in regions if e.at is None or g['z'][0] <= e.at <= g['z'][1]]
                region = max(looked, key=lambda g: g['depth']) if looked else None
                found = region is not None and region['kind'] == e.region
                sized = found and (e.depth is None or abs(region['depth'] - e.depth) <= SIZE)
                sized = sized and (e.most is None or all(g['depth'] <= e.most + SIZE for g in regions))
                near = sized or (found and e.arc and abs(region['depth'] - e.depth) <= SIZE + CHORDS)
                line = named_line(r, region) if found else None
                right = found and line in e.line
                tally(e.kind, 1, found, sized and e.depth is not None, right, 0)
                if found and near and not sized:
                    loose.append('%s %s: %s for %s' % (base, e.name, region['depth'], fmt(e.depth)))
                if not (found and near and right):
                    failures.append('%s %s: expected %s %s deep at line %s, got %s named line %s' %
                                    (base, e.name, e.region, fmt(e.depth or 0), e.line[0],
                                     [(g['kind'], g['depth'], g['z'], g['lines'][:6]) for g in regions], line))
            # 3. --diff: what cuts the same part, and every geometric edit past 0.002.
            for name, body in neutral_versions(text, renumber=bool(re.search(r'^N\d', text, re.M))).items():
                rc, out, err = run(checker, *opts, '--json', '--diff', original, write(stem + '_same.min', body))
                d = reports(out)
                d = d[0]['diff'] if d and 'diff' in d[0] else {}
                # The same part, and no alarm or finding more or less (the edit is a sound one).
                ok = rc == 0 and d.get('verdict') == 'same part' and d['alarms'][0] == d['alarms'][1] and \
                    d['findings'][0] == d['findings'][1]
                tally('diff: ' + name, 1, ok, 0, 0, 0)
                if not ok:
                    failures.append('%s --diff %s: %d %s %s' % (base, name, rc, out.splitlines()[:3], err))
            for i, e in enumerate(p['edits']):
                small = e.step is not None and e.step < SILENT
                if not small and e.depth is not None and e.depth < FOUND:
                    continue
                edited = os.path.join(tmp, '%s_e%d.%s' % (stem, i, base.rsplit('.', 1)[1]))
                rc, out, err = run(checker, *opts, '--json', '--diff', original, edited)
                d = reports(out)
                d = d[0]['diff'] if d and 'diff' in d[0] else {}
                if small:  # under the tolerance: the same part within it
                    ok = rc == 0 and d.get('verdict') in ('same within tolerance', 'same part')
                    tally('diff: %s 0.001: same' % e.kind, 1, ok, 0, 0, 0)
                    if not ok:
                        failures.append('%s --diff %s: %d %s' % (base, e.name, rc, out[:400]))
                    continue
                changed = rc == 1 and d.get('verdict', '').startswith('changed')
                # The edited block among NEW's; a dropped one among OLD's (the cuts OLD made there).
                dropped = {n for n, change in e.lines.items() if change is None}
                named = changed and any(set(e.line) & set(g['new_lines']) or dropped & set(g['old_lines'])
                                        for g in d.get('regions', []))
                tally('diff: ' + e.kind, 1, changed, 0, named, 0)
                if not (changed and named):
                    failures.append('%s --diff %s: %d %s' % (base, e.name, rc, out[:400]))
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    # found: reported (or, for the rows of 0.001 mm edits and of --diff, as the row says); sized:
    # within 0.0005 mm of the depth worked out (drops and tips without one are not counted); between: 0.0015 to 0.002 mm deep, either way right.
    print('%-26s %6s %6s %6s %10s %8s' % ('edit', 'tried', 'found', 'sized', 'attributed', 'between'))
    for kind, (tried, found, sized, right, between) in sorted(table.items()):
        print('%-26s %6d %6d %6d %10d %8d' % (kind, tried, found, sized, right, between))
    for f in loose:
        print('within the chords only: ' + f)
    for f in failures:
        print('FAIL ' + f)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
