#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The checker's pictures as a user gets them: --fit=all pictures of the examples fill the picture with
the drawn path, the legend's times are the report's, every SVG is well-formed XML, and a long
program's SVG stays small.  usage: picture_sheets.py PATH/TO/zarvik-check EXAMPLES_DIR"""
import json, os, re, subprocess, sys, tempfile, zlib
import xml.etree.ElementTree as ET

SVG = '{http://www.w3.org/2000/svg}'


def read_png(path):
    """Width, height and rows of (r, g, b) of an 8-bit RGB or RGBA PNG without interlace."""
    data = open(path, 'rb').read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n', 'not a PNG'
    pos, idat, width = 8, b'', 0
    while pos < len(data):
        n = int.from_bytes(data[pos:pos + 4], 'big')
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + n]
        if kind == b'IHDR':
            width, height = int.from_bytes(body[:4], 'big'), int.from_bytes(body[4:8], 'big')
            depth, ctype, interlace = body[8], body[9], body[12]
            assert depth == 8 and ctype in (2, 6) and interlace == 0, 'unexpected PNG kind'
            bpp = 3 if ctype == 2 else 4
        elif kind == b'IDAT':
            idat += body
        pos += 12 + n
    raw, stride, rows, prev = zlib.decompress(idat), width * bpp, [], bytearray(width * bpp)
    for y in range(height):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[i:i + 3]) for i in range(0, stride, bpp)])
        prev = line
    return width, height, rows


def run(checker, *args):
    p = subprocess.run([checker, *args], capture_output=True, timeout=120)
    return p.returncode, p.stdout.decode('utf-8', 'replace'), p.stderr.decode('utf-8', 'replace')


def check_fit(checker, prog, work, failures):
    """The drawn extent of a --fit=all picture covers at least half its width or height and keeps
    off its edges; its proportions are those of the traced path."""
    name = os.path.basename(prog)
    png, trace = os.path.join(work, 'fit.png'), os.path.join(work, 'fit.jsonl')
    code, _, err = run(checker, '--fit=all', '--size', '900x700', '--png', png, '--trace', trace, prog)
    if code not in (0, 1) or err:
        failures.append(f'{name}: --fit=all run failed ({code}, {err[:200]!r})')
        return
    width, height, rows = read_png(png)
    if (width, height) != (900, 700):
        failures.append(f'{name}: --size 900x700 gave {width}x{height}')
    # Path pixels: neither the white background nor the grey of the axes.
    xs, ys = [], []
    for y, row in enumerate(rows):
        for x, px in enumerate(row):
            if px != (255, 255, 255) and px != (128, 128, 128):
                xs.append(x)
                ys.append(y)
    if not xs:
        failures.append(f'{name}: --fit=all picture is empty')
        return
    w, h = max(xs) - min(xs) + 1, max(ys) - min(ys) + 1
    if w < width / 2 and h < height / 2:
        failures.append(f'{name}: drawn extent {w}x{h} covers less than half of {width}x{height}')
    # The traced path's end points in canvas units (Z across, X as a radius down): a lower bound
    # of the drawn extent, since an arc may bulge beyond its end points.
    zs, rs = [], []
    for line in open(trace):
        s = json.loads(line)
        zs += [s['z0'], s['z1']]
        rs += [s['x0'] / 2, s['x1'] / 2]
    tw, th = max(zs) - min(zs), max(rs) - min(rs)
    # The larger side of the trace fills 90 % of the picture (5 % margins); texts and arrows may add.
    scale = min(0.9 * width / tw if tw else 1e9, 0.9 * height / th if th else 1e9)
    if not (0.97 * tw * scale <= w + 2 and 0.97 * th * scale <= h + 2):
        failures.append(f'{name}: drawn extent {w}x{h} smaller than the traced path at {scale:.3f} px/mm')
    # Along the side that limits the scale the path spans the picture less its two margins (an
    # arrow head or a tool label may reach into a margin).
    limited, size = (w, width) if 0.9 * width / tw <= 0.9 * height / th else (h, height)
    if not 0.88 * size <= limited <= 0.97 * size:
        failures.append(f'{name}: the path spans {limited} of {size} px, not the picture less 5 % margins')


def legend_of(svg_path):
    """The legend's texts by row (their y), parsed with an XML parser."""
    root = ET.parse(svg_path).getroot()
    rows = {}
    for t in root.iter(SVG + 'text'):
        rows.setdefault(round(float(t.get('y')), 1), []).append(t.text or '')
    return rows


def check_legend(checker, prog, work, failures):
    """The legend's program, total time, alarm count and per-tool times are the JSON report's."""
    name = os.path.basename(prog)
    svg = os.path.join(work, 'legend.svg')
    code, out, err = run(checker, '--json', '--fit', '--rulers', '--legend', '--svg', svg, prog)
    if code not in (0, 1) or err:
        failures.append(f'{name}: legend run failed ({code}, {err[:200]!r})')
        return
    report = json.loads(out)
    texts = [t for row in legend_of(svg).values() for t in row]
    if name not in texts:
        failures.append(f'{name}: the legend does not name the program')
    total = [t for t in texts if t.startswith('Cutting time ')]
    m = re.search(r'\(([-\d.]+) s\)', total[0]) if total else None
    if not m or abs(float(m.group(1)) - report['cutting_time_s']) > 0.005:
        failures.append(f'{name}: legend total {total} against {report["cutting_time_s"]}')
    alarms = len(report['alarms'])
    expected = 'no alarms' if alarms == 0 else f'{alarms} alarm' + ('s' if alarms > 1 else '')
    if expected not in texts:
        failures.append(f'{name}: legend does not say {expected!r}')
    tools = {}
    for row in legend_of(svg).values():
        label = [t for t in row if re.fullmatch(r'T-?[\d.]+', t)]
        time = [t for t in row if re.fullmatch(r'-?[\d.]+ s', t)]
        if label and time:
            tools[float(label[0][1:])] = float(time[0][:-2])
    want = {t['tool']: t['cutting_time_s'] for t in report['tools']}
    if set(tools) != set(want) or any(abs(tools[t] - want[t]) > 0.005 for t in want):
        failures.append(f'{name}: legend tools {tools} against the report {want}')


def check_svg_size(checker, work, failures):
    """A long program's SVG parses and stays within 60 bytes a block (the 1M-block benchmark's
    budget of 60 MB)."""
    prog, svg = os.path.join(work, 'long.min'), os.path.join(work, 'long.svg')
    blocks = ['T0101', 'G97 S800 M03', 'G00 X80. Z2.']
    for i in range(10000):
        x = 20 + (i * 7) % 50
        blocks += [f'G01 X{x}.{i % 10} Z-{(i % 40) + 1}.5 F0.2', f'G00 X{x + 4}.', f'G00 Z2.',
                   f'G02 X{x + 4}. Z-2. R3.']
    blocks.append('M30')
    with open(prog, 'wb') as f:
        f.write(('\r\n'.join(blocks) + '\r\n%\r\n').encode())
    code, _, err = run(checker, '--svg', svg, prog)
    size = os.path.getsize(svg) if os.path.exists(svg) else 0
    if code != 0 or err or size == 0:
        failures.append(f'long program: run failed ({code}, {err[:200]!r})')
        return
    if size > 60 * len(blocks):
        failures.append(f'long program: SVG of {size} bytes for {len(blocks)} blocks')
    root = ET.parse(svg).getroot()
    paths = list(root.iter(SVG + 'path'))
    for p in paths:
        for number in re.findall(r'\d+\.(\d+)', p.get('d')):
            if len(number) > 4:
                failures.append(f'long program: a coordinate with {len(number)} decimals')
                return
    if not paths or len(paths) > len(blocks) / 2:
        failures.append(f'long program: {len(paths)} path elements for {len(blocks)} blocks')


def main():
    checker, examples = os.path.abspath(sys.argv[1]), sys.argv[2]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        for name in sorted(os.listdir(examples)):
            if name.endswith('.min'):
                prog = os.path.join(examples, name)
                check_fit(checker, prog, work, failures)
                check_legend(checker, prog, work, failures)
        check_svg_size(checker, work, failures)
    for f in failures:
        print(f)
    print('ok' if not failures else f'{len(failures)} failed')
    return 1 if failures else 0


sys.exit(main())
