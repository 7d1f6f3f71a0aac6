#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The checker's stock outputs as a user gets them: the pictures draw the section where the path
runs (its turned diameter on the cut's line, on both halves), --profile writes SVG or DXF by the
file's ending, and refuses another ending or a program without a stock; --nose draws the
compensated nose path (G42) in the picture and --nose-path writes it, only with a stock; --diff
with a picture draws NEW with the material it left of OLD's part, and with --report writes the
comparison as one HTML page.
usage: stock_outputs.py PATH/TO/zarvik-check EXAMPLES_DIR"""
import json, os, re, subprocess, sys, tempfile
import xml.etree.ElementTree as ET

SVG = '{http://www.w3.org/2000/svg}'
# A bar D40 turned to D30 up to Z-20 (the insert from the comment).
PROGRAM = """%
O0001 (TURN D30 TO Z-20)
T0101 (CNMG 120408)
G96 S180 M03
G00 X42. Z0.
G01 X-1.6 F0.2
G00 Z2.
G00 X30.
G01 Z-20. F0.25
G01 X42.
G00 X100. Z100.
M30
%
""".replace('\n', '\r\n')


def run(checker, *args):
    p = subprocess.run([checker, *args], capture_output=True, timeout=120)
    return p.returncode, p.stdout.decode('utf-8', 'replace'), p.stderr.decode('utf-8', 'replace')


def segments(d):
    """The straight pieces of an SVG path's data (M, L, H, V in either case, Z)."""
    out, x, y, sx, sy = [], 0.0, 0.0, 0.0, 0.0
    for cmd, args in re.findall(r'([MLHVZmlhvz])([^MLHVZmlhvz]*)', d):
        v = [float(a) for a in re.findall(r'-?[\d.]+(?:e-?\d+)?', args)]
        if cmd in 'Zz':
            out.append((x, y, sx, sy))
            x, y = sx, sy
            continue
        step = {'M': 2, 'L': 2, 'H': 1, 'V': 1}[cmd.upper()]
        for i in range(0, len(v), step):
            rel = cmd.islower()
            if cmd.upper() in 'ML':
                nx, ny = (x + v[i], y + v[i + 1]) if rel else (v[i], v[i + 1])
            elif cmd.upper() == 'H':
                nx, ny = (x + v[i] if rel else v[i]), y
            else:
                nx, ny = x, (y + v[i] if rel else v[i])
            if cmd.upper() == 'M' and i == 0:
                sx, sy = nx, ny
            else:
                out.append((x, y, nx, ny))
            x, y = nx, ny
    return out


def check_picture(checker, work, failures):
    prog = os.path.join(work, 'bar.min')
    svg = os.path.join(work, 'bar.svg')
    code, _, err = run(checker, '--stock', 'bar,40,50', '--fit', '--svg', svg, prog)
    if code not in (0, 1) or err:
        failures.append(f'picture run failed ({code}, {err[:200]!r})')
        return
    root = ET.parse(svg).getroot()
    paths = [(p.get('class'), p.get('stroke'), p.get('stroke-dasharray'), p.get('d', ''))
             for p in root.iter(SVG + 'path')]
    part = [d for c, _, _, d in paths if c == 'part']
    if len(part) != 1:
        failures.append(f'the picture has {len(part)} part sections, not one')
        return
    # The axis is the grey line across the picture; the turn along D30 the longest solid
    # horizontal piece of the path's colour.
    axis = [s for c, k, _, d in paths if c is None and k == '#808080' for s in segments(d) if s[1] == s[3]]
    cuts = [s for c, k, dash, d in paths if c is None and k != '#808080' and not dash
            for s in segments(d) if abs(s[1] - s[3]) < 1e-9]
    if not axis or not cuts:
        failures.append('no axis or no horizontal cut found in the picture')
        return
    y_axis = axis[0][1]
    cut = max(cuts, key=lambda s: abs(s[2] - s[0]))
    corners = [(x, y) for s in segments(part[0]) for x, y in (s[:2],)]
    for half, y in (('upper', cut[1]), ('lower', 2 * y_axis - cut[1])):
        on = [p for p in corners if abs(p[1] - y) < 0.02]
        if len(on) < 2:
            failures.append(f'the {half} half of the part has no edge on the cut at y={y:.2f}')


def check_holding(checker, examples, work, failures):
    svg = os.path.join(work, 'turning.svg')
    code, _, err = run(checker, '--svg', svg, os.path.join(examples, 'TURNING.min'))
    if code not in (0, 1) or err:
        failures.append(f'TURNING.min picture failed ({code}, {err[:200]!r})')
        return
    holding = [p.get('d', '') for p in ET.parse(svg).getroot().iter(SVG + 'path') if p.get('class') == 'holding']
    if len(holding) != 1 or holding[0].count('M') < 2 or holding[0].count('M') % 2:
        failures.append('the chuck of TURNING.setup.toml is not outlined on both halves')


def check_profile(checker, work, failures):
    prog = os.path.join(work, 'bar.min')
    dxf, svg = os.path.join(work, 'part.dxf'), os.path.join(work, 'part.SVG')
    code, _, err = run(checker, '--stock', 'bar,40,50', '--profile', dxf, prog)
    text = open(dxf).read() if os.path.exists(dxf) else ''
    pairs = list(zip(text.split('\n')[0::2], text.split('\n')[1::2]))
    kinds = [v for g, v in pairs if g.strip() == '0']
    if code not in (0, 1) or err or kinds[:1] != ['SECTION'] or kinds[-1:] != ['EOF'] or \
            kinds.count('ARC') != 1 or kinds.count('LINE') != 6:
        failures.append(f'--profile part.dxf: {code}, {err[:200]!r}, entities {kinds}')
    code, _, err = run(checker, '--stock', 'bar,40,50', '--profile', svg, prog)
    try:
        d = [p.get('d', '') for p in ET.parse(svg).getroot().iter(SVG + 'path')]
        if code not in (0, 1) or err or len(d) != 1 or d[0].count('A') != 1:
            failures.append(f'--profile part.SVG: {code}, {err[:200]!r}, paths {d}')
    except (ET.ParseError, OSError) as e:
        failures.append(f'--profile part.SVG is no SVG: {e}')
    # Refusals: another ending, and a program checked without a stock.
    bad = os.path.join(work, 'part.dwg')
    code, _, err = run(checker, '--stock', 'bar,40,50', '--profile', bad, prog)
    if code != 2 or '.svg or .dxf' not in err or os.path.exists(bad):
        failures.append(f'--profile part.dwg: {code}, {err!r}')
    none = os.path.join(work, 'none.dxf')
    code, _, err = run(checker, '--no-setup', '--profile', none, prog)
    if code != 2 or '--profile needs a stock' not in err or os.path.exists(none):
        failures.append(f'--profile without a stock: {code}, {err!r}, written: {os.path.exists(none)}')
    # Degenerate stock: refused with its line and what is wrong, status 2, no profile written.
    profile = '[stock]\nkind = "profile"\nprofile = [\n'
    for toml, says in (
            (profile + '{radius = 0, z = 0},\n{radius = 20, z = -20},\n{radius = 20, z = 0},\n'
                       '{radius = 0, z = -20},\n{radius = 0, z = 0}]\n',
             'bad.setup.toml:7: point 4: the profile crosses itself at radius 10 Z-10'),
            (profile + '{radius = 0, z = 0},\n{radius = 10, z = -10},\n{radius = 20, z = -20},\n'
                       '{radius = 0, z = 0}]\n',
             'bad.setup.toml:1: the profile encloses no area'),
            ('[stock]\nkind = "bar"\ndiameter = 1e-300\nlength = 50\n', 'bad.setup.toml:1: ')):
        setup = os.path.join(work, 'bad.setup.toml')
        with open(setup, 'w') as f:
            f.write(toml)
        code, _, err = run(checker, '--setup', setup, '--profile', none, prog)
        if code != 2 or says not in err or os.path.exists(none) or \
                ('1e-300' in toml and 'below 0.001 mm' not in err):
            failures.append(f'degenerate stock: {code}, {err!r}, written: {os.path.exists(none)}')


def check_nose(checker, work, failures):
    prog = os.path.join(work, 'nose.min')
    with open(prog, 'w', newline='') as f:
        f.write(PROGRAM.replace('G00 X30.', 'G42 G00 X30.').replace('G01 X42.', 'G40 G01 X42.'))
    for asked in (False, True):
        svg = os.path.join(work, 'nose.svg')
        code, _, err = run(checker, '--stock', 'bar,40,50', *(['--nose'] if asked else []), '--svg', svg, prog)
        nose = [p for p in ET.parse(svg).getroot().iter(SVG + 'path') if p.get('class') == 'nose-path']
        if code not in (0, 1) or err or len(nose) != int(asked):
            failures.append(f'--nose {asked}: {code}, {err[:200]!r}, {len(nose)} nose paths')
    # The D30 turn under G42 with a tip 3 nose of 0.8: the programmed point 0.8 before the nose
    # centre, which runs 0.8 above the contour; the cancel takes it back.
    jsonl = os.path.join(work, 'nose.jsonl')
    code, _, err = run(checker, '--stock', 'bar,40,50', '--nose-path', jsonl, prog)
    rows = [json.loads(l) for l in open(jsonl)] if os.path.exists(jsonl) else []
    turn = [r for r in rows if r.get('style') == 'cut' and r['x0'] == r['x1'] == 30]
    if code not in (0, 1) or err or len(turn) != 1 or abs(turn[0]['z1'] - (-20.8)) > 1e-9:
        failures.append(f'--nose-path: {code}, {err[:200]!r}, {turn}')
    none = os.path.join(work, 'none.jsonl')
    code, _, err = run(checker, '--no-setup', '--nose-path', none, prog)
    if code != 2 or '--nose-path needs a stock' not in err or os.path.exists(none):
        failures.append(f'--nose-path without a stock: {code}, {err!r}')


def check_diff_picture(checker, work, failures):
    # NEW turns D30 only to Z-19: OLD's material from Z-19 to Z-20 is left (excess, one colour),
    # none is cut that OLD left (gouge, the other).
    old = os.path.join(work, 'bar.min')
    new = os.path.join(work, 'shorter.min')
    with open(new, 'w', newline='') as f:
        f.write(PROGRAM.replace('G01 Z-20. F0.25', 'G01 Z-19. F0.25'))
    svg = os.path.join(work, 'diff.svg')
    code, out, err = run(checker, '--stock', 'bar,40,50', '--diff', old, new, '--svg', svg)
    kinds = [p.get('class') for p in ET.parse(svg).getroot().iter(SVG + 'path')] if os.path.exists(svg) else []
    if code != 1 or err or 'changed: 1 region' not in out or kinds.count('excess') != 1 or 'gouge' in kinds:
        failures.append(f'--diff --svg: {code}, {err[:200]!r}, {out[:200]!r}, {kinds}')


def check_diff_report(checker, work, failures):
    # The same two versions as one page: the verdict, the region with the blocks of both files
    # (their text), the times per tool, and the overlay inline.
    old, new = os.path.join(work, 'bar.min'), os.path.join(work, 'shorter.min')
    page = os.path.join(work, 'diff.html')
    code, out, err = run(checker, '--stock', 'bar,40,50', '--diff', old, new, '--report', page)
    html = open(page, encoding='utf-8').read() if os.path.exists(page) else ''
    regions = re.search(r'<table id="regions">(.*?)</table>', html, re.S)
    rows = re.findall(r'<tr><td>\d+</td>(.*?)</tr>', regions.group(1), re.S) if regions else []
    times = re.search(r'<table id="times">(.*?)</table>', html, re.S)
    svg = re.search(r'<figure>(<svg.*?</svg>)</figure>', html, re.S)
    kinds = [p.get('class') for p in ET.fromstring(svg.group(1)).iter(SVG + 'path')] if svg else []
    if (code != 1 or err or 'changed: 1 region' not in out or 'class="v changed">changed: 1 region<' not in html
            or len(rows) != 1 or 'class="added">added' not in rows[0]
            or 'G01 Z-20. F0.25' not in rows[0] or 'G01 Z-19. F0.25' not in rows[0]
            or not times or 'Tool 1' not in times.group(1) or kinds.count('excess') != 1 or 'gouge' in kinds):
        failures.append(f'--diff --report: {code}, {err[:200]!r}, {rows!r}, {kinds}')
    # An archive's jobs are not the comparison's, and the page may not overwrite a program.
    for args in (['--jobs', '2', '--report', page], ['--report', new]):
        code, out, err = run(checker, '--stock', 'bar,40,50', '--diff', old, new, *args)
        if code != 2 or not err:
            failures.append(f'--diff {args}: {code}, {err[:200]!r}')


def check_target_text(checker, failures):
    # The sheet's part against its drawing: a sliver of 0.0001 mm2 is written as such, as every
    # size of the text report is, never in an exponent.
    sheet = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'target', 'drawings', 'SHEET.min')
    code, out, err = run(checker, sheet)
    regions = [l for l in out.splitlines() if re.match(r'\s+(gouge|excess) ', l)]
    if not regions or ' 0.0001 mm2' not in out or any(re.search(r'\de-\d', l) for l in regions):
        failures.append(f'target regions in the text: {code}, {err[:200]!r}, {regions!r}')


def main():
    checker, examples = sys.argv[1], sys.argv[2]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, 'bar.min'), 'w', newline='') as f:
            f.write(PROGRAM)
        check_picture(checker, work, failures)
        check_holding(checker, examples, work, failures)
        check_profile(checker, work, failures)
        check_nose(checker, work, failures)
        check_diff_picture(checker, work, failures)
        check_diff_report(checker, work, failures)
        check_target_text(checker, failures)
    for f in failures:
        print('FAIL:', f)
    sys.exit(1 if failures else 0)


if __name__ == '__main__':
    main()
