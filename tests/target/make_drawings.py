#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the target drawings of the tests (drawings/*.dxf) as plain DXF text, group code by
# group code, without any DXF library: the reader is tested against a writer of its own.
# The drawings named *_ezdxf_* come from another writer, the ezdxf library: make_ezdxf_drawings.py.
#
# Each drawing shows the same turned part (mm, Z along the axis, the radius up):
#   front face at Z0 up to R8, a 1 mm chamfer to R9, R9 to Z-10, an inside fillet R2 (clockwise)
#   up to the shoulder face at Z-12, up to R14, an outside round R1 (counter-clockwise) to R15 at
#   Z-13, R15 to Z-30, the back face down to the axis.
# Its half-section has the area printed at the end (shoelace over the corners, plus and minus
# the circular segments of the two arcs); the test expects it.
import math
import os

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'drawings')

# The half-profile as (z, r, bulge to the next point); the bulge is tan(angle / 4), positive
# counter-clockwise in the Z-right, R-up view.
Q = math.tan(math.pi / 8)  # a quarter circle
PROFILE = [(0, 0, 0), (0, 8, 0), (-1, 9, 0), (-10, 9, -Q), (-12, 11, 0), (-12, 14, Q), (-13, 15, 0),
           (-30, 15, 0), (-30, 0, 0)]


def area():
    pts = [(z, r) for z, r, _ in PROFILE]
    a = 0.5 * sum(pts[i][0] * pts[(i + 1) % len(pts)][1] - pts[(i + 1) % len(pts)][0] * pts[i][1]
                  for i in range(len(pts)))
    seg = lambda r: r * r * (math.pi / 2 - 1) / 2  # a quarter circle's segment
    # The fillet's arc lies below its chord (less material), the round's above it (more).
    return abs(a) - seg(2) + seg(1)


class Dxf:
    def __init__(self, version):
        self.out = []
        self.version = version

    def g(self, code, value):
        if isinstance(value, float):
            value = ('%.6f' % value).rstrip('0').rstrip('.')
        self.out.append('%3d\n%s\n' % (code, value))

    def header(self, insunits=None):
        self.g(0, 'SECTION'); self.g(2, 'HEADER')
        self.g(9, '$ACADVER'); self.g(1, self.version)
        if insunits is not None:
            self.g(9, '$INSUNITS'); self.g(70, insunits)
        self.g(0, 'ENDSEC')
        self.g(0, 'SECTION'); self.g(2, 'ENTITIES')

    def line(self, layer, a, b):
        self.g(0, 'LINE'); self.g(8, layer)
        self.g(10, float(a[0])); self.g(20, float(a[1])); self.g(30, 0.0)
        self.g(11, float(b[0])); self.g(21, float(b[1])); self.g(31, 0.0)

    def arc(self, layer, c, r, a0, a1, extrusion_z=None):
        self.g(0, 'ARC'); self.g(8, layer)
        self.g(10, float(c[0])); self.g(20, float(c[1])); self.g(30, 0.0)
        self.g(40, float(r)); self.g(50, float(a0)); self.g(51, float(a1))
        if extrusion_z is not None:
            self.g(210, 0.0); self.g(220, 0.0); self.g(230, float(extrusion_z))

    def text(self, layer, at, s):
        self.g(0, 'TEXT'); self.g(8, layer)
        self.g(10, float(at[0])); self.g(20, float(at[1])); self.g(30, 0.0); self.g(40, 2.5); self.g(1, s)

    def polyline(self, layer, points, closed):  # R12: POLYLINE, VERTEX ..., SEQEND
        self.g(0, 'POLYLINE'); self.g(8, layer); self.g(66, 1)
        self.g(10, 0.0); self.g(20, 0.0); self.g(30, 0.0); self.g(70, 1 if closed else 0)
        for x, y, b in points:
            self.g(0, 'VERTEX'); self.g(8, layer)
            self.g(10, float(x)); self.g(20, float(y)); self.g(30, 0.0)
            if b:
                self.g(42, float(b))
        self.g(0, 'SEQEND'); self.g(8, layer)

    def lwpolyline(self, layer, points, closed):  # R2000
        self.g(0, 'LWPOLYLINE'); self.g(100, 'AcDbEntity'); self.g(8, layer); self.g(100, 'AcDbPolyline')
        self.g(90, len(points)); self.g(70, 1 if closed else 0)
        for x, y, b in points:
            self.g(10, float(x)); self.g(20, float(y))
            if b:
                self.g(42, float(b))

    def rectangle(self, layer, x0, y0, x1, y1):
        for a, b in (((x0, y0), (x1, y0)), ((x1, y0), (x1, y1)), ((x1, y1), (x0, y1)), ((x0, y1), (x0, y0))):
            self.line(layer, a, b)

    def clutter(self, layer_title, layer_dim, scale=1.0, dx=0.0, dy=0.0):
        # A title block, a dimension with its text, a centre line: never the outline.
        s = lambda x, y: (x * scale + dx, y * scale + dy)
        self.rectangle(layer_title, *s(-60, -40), *s(20, 30))
        self.rectangle(layer_title, *s(-20, -40), *s(20, -30))
        self.text(layer_title, s(-19, -36), 'SHAFT 1:1')
        self.line(layer_dim, s(0, 20), s(-30, 20))
        self.line(layer_dim, s(0, 16), s(0, 22))
        self.text(layer_dim, s(-16, 21), '30')
        self.line('CENTER', s(-35, 0), s(5, 0))

    def write(self, name):
        self.g(0, 'ENDSEC'); self.g(0, 'EOF')
        with open(os.path.join(HERE, name), 'w', newline='\r\n') as f:
            f.write(''.join(self.out))


def upper_r12():
    # R12, millimetres, the upper half as one open POLYLINE with bulges on CONTOUR; clutter on
    # other layers.
    d = Dxf('AC1009')
    d.header()
    d.clutter('TITLE', 'DIM')
    d.polyline('CONTOUR', PROFILE, False)
    d.write('shaft_upper_r12.dxf')


def full_inch_r2000():
    # R2000, inches ($INSUNITS 1), the whole outline (both halves) as one closed LWPOLYLINE on
    # the layer 0, the axis at y 2 and the program's Z0 at x 5 of the drawing; the title block is
    # on the same layer, outside the box the setup gives.
    mm = 25.4
    upper = [(z, r, b) for z, r, b in PROFILE[1:-1]]  # from (0, 8) to (-30, 15)
    # Below the axis the same corners mirrored, walked back; a mirrored arc turns the other way.
    lower = []
    for i in range(len(upper) - 1, -1, -1):
        z, r, _ = upper[i]
        # Mirrored and walked back, a segment keeps its bulge.
        b = upper[i - 1][2] if i > 0 else 0
        lower.append((z, -r, b))
    pts = [(5 + z / mm, 2 + r / mm, b) for z, r, b in upper + lower]
    # The closing segment runs from (0, -8) up the front face to (0, 8).
    d = Dxf('AC1015')
    d.header(insunits=1)
    d.clutter('0', 'DIM', scale=1 / mm, dx=5 + 70 / mm, dy=2)
    d.lwpolyline('0', pts, True)
    d.write('shaft_full_inch_r2000.dxf')


def lines_arcs_lower():
    # R12, millimetres, the lower half drawn as LINE and ARC entities (one arc with its
    # extrusion reversed, as some programs write arcs), on OUTLINE.
    d = Dxf('AC1009')
    d.header(insunits=4)
    d.clutter('TITLE', 'DIM')
    L = 'OUTLINE'
    m = lambda z, r: (z, -r)
    d.line(L, m(0, 0), m(0, 8)); d.line(L, m(0, 8), m(-1, 9)); d.line(L, m(-1, 9), m(-10, 9))
    # Mirrored, the fillet about (-10, -11) runs from 90° (the point -10, -9) to 180°.
    d.arc(L, m(-10, 11), 2, 90, 180)
    d.line(L, m(-12, 11), m(-12, 14))
    # The round about (-13, -14), from (-12, -14) at 0° to (-13, -15) at 270°: counter-clockwise
    # from 270° to 360°; written with extrusion (0, 0, -1): x mirrored, centre x 13, angles
    # 180° to 270°.
    d.arc(L, (13, -14), 1, 180, 270, extrusion_z=-1)
    d.line(L, m(-13, 15), m(-30, 15)); d.line(L, m(-30, 15), m(-30, 0))
    d.write('shaft_lower_lines_arcs.dxf')


def gap():
    # The upper half as lines, with a 0.03 mm gap at Z-12.5: the shoulder face starts 0.03 mm
    # above the end of the diameter.
    d = Dxf('AC1009')
    d.header()
    d.line('P', (0, 0), (0, 8)); d.line('P', (0, 8), (-1, 9)); d.line('P', (-1, 9), (-12.5, 9))
    d.line('P', (-12.5, 9.03), (-12.5, 15)); d.line('P', (-12.5, 15), (-30, 15)); d.line('P', (-30, 15), (-30, 0))
    d.write('shaft_gap.dxf')


def sheet_part():
    # A part with one of each feature of the inspection sheet, the upper half as LINE and ARC
    # entities on CONTOUR (R2000, mm), the outline in pieces: the front face at Z0 to R9, a 1 mm
    # chamfer to R10, D20 (threaded M20x1.5 from Z-1 to Z-14) to the shoulder face at Z-16, up to
    # R12, a cone to R14 at Z-26, D28 to Z-30, an inside fillet R2 up to the face at Z-32, to R19,
    # an outside round R1 to R20 at Z-33, D40 drawn as two collinear lines to Z-45, the back face;
    # the thread's root as a thin line on a layer of its own.
    d = Dxf('AC1015')
    d.header(insunits=4)
    d.clutter('TITLE', 'DIM')
    L = 'CONTOUR'
    for a, b in (((0, 0), (0, 9)), ((0, 9), (-1, 10)), ((-1, 10), (-16, 10)), ((-16, 10), (-16, 12)),
                 ((-16, 12), (-26, 14)), ((-26, 14), (-30, 14)), ((-32, 16), (-32, 19)),
                 ((-33, 20), (-40, 20)), ((-40, 20), (-45, 20)), ((-45, 20), (-45, 0))):
        d.line(L, a, b)
    d.arc(L, (-30, 16), 2, 180, 270)  # the fillet: from (-32, 16) counter-clockwise to (-30, 14)
    d.arc(L, (-33, 19), 1, 0, 90)     # the round: from (-32, 19) to (-33, 20)
    d.line('THIN', (-1, 9.1), (-14, 9.1))  # the thread's root line, D18.2
    d.write('sheet_part.dxf')


if __name__ == '__main__':
    os.makedirs(HERE, exist_ok=True)
    upper_r12()
    full_inch_r2000()
    lines_arcs_lower()
    gap()
    sheet_part()
    print('half-section area %.6f mm2' % area())
