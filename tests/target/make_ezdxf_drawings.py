#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes drawings/shaft_*_ezdxf_*.dxf: the shaft of make_drawings.py drawn by an independent DXF
# writer, the ezdxf library (Debian's python3-ezdxf), the way a drafting program leaves it:
# rendered dimensions, a title block with TEXT and MTEXT, a hatch, a frame inserted as a block.
# Only needed to make the files again; the tests read the committed files.
import math
import os
import sys

sys.dont_write_bytecode = True  # no cache beside the test files

import ezdxf
from ezdxf.math import Vec2, bulge_to_arc

from make_drawings import HERE, PROFILE

MM = 25.4


def frame(doc, msp, x0, y0, w, h, layer, title_height):
    # A drawing frame as a block, inserted once; a title block of lines, TEXT and MTEXT.
    blk = doc.blocks.new(name='FRAME')
    blk.add_polyline2d([(0, 0), (w, 0), (w, h), (0, h)], close=True)
    blk.add_line((w * 0.6, 0), (w * 0.6, title_height))
    blk.add_line((w * 0.6, title_height), (w, title_height))
    msp.add_blockref('FRAME', (x0, y0), dxfattribs={'layer': layer})
    th = title_height / 4
    msp.add_line((x0 + w * 0.6, y0 + title_height / 2), (x0 + w, y0 + title_height / 2),
                 dxfattribs={'layer': 'TITLE'})
    msp.add_text('SHAFT', dxfattribs={'layer': 'TITLE', 'height': th}).set_placement(
        (x0 + w * 0.62, y0 + title_height * 0.6))
    if doc.dxfversion < 'AC1015':  # R12 has no MTEXT
        return
    msp.add_mtext('Material 1.0503\\PScale 1:1', dxfattribs={
        'layer': 'TITLE', 'char_height': th * 0.6, 'insert': (x0 + w * 0.62, y0 + title_height * 0.4)})


def layers(doc, names):
    for n in names:
        if n not in doc.layers:
            doc.layers.add(n)


def upper_lwpolyline_r2018():
    # R2018, millimetres, the upper half as one open LWPOLYLINE with bulges on CONTOUR, two
    # rendered linear dimensions, a hatch over the section, the frame as a block.
    doc = ezdxf.new('R2018', setup=['dimstyles'])
    doc.header['$INSUNITS'] = 4
    layers(doc, ['CONTOUR', 'DIM', 'TITLE', 'HATCH', 'FRAME', 'CENTER'])
    msp = doc.modelspace()
    msp.add_lwpolyline(PROFILE, format='xyb', dxfattribs={'layer': 'CONTOUR'})
    msp.add_line((-35, 0), (5, 0), dxfattribs={'layer': 'CENTER'})
    msp.add_linear_dim(base=(-15, 22), p1=(0, 8), p2=(-30, 15), dxfattribs={'layer': 'DIM'}).render()
    msp.add_linear_dim(base=(8, 0), p1=(0, 0), p2=(0, 8), angle=90, dxfattribs={'layer': 'DIM'}).render()
    hatch = msp.add_hatch(color=1, dxfattribs={'layer': 'HATCH'})
    hatch.set_pattern_fill('ANSI31', scale=0.5)
    hatch.paths.add_polyline_path(PROFILE, is_closed=True)
    frame(doc, msp, -60, -40, 90, 75, 'FRAME', 12)
    doc.saveas(os.path.join(HERE, 'shaft_upper_ezdxf_r2018.dxf'))


def full_lines_arcs_inch_r2010():
    # R2010, inches ($INSUNITS 1), the whole outline (both halves) as LINE and ARC entities on
    # CONTOUR, the axis at y 2 and the program's Z0 at x 5 as in shaft_full_inch_r2000.dxf. In DXF
    # every ARC runs counter-clockwise: the upper fillet and the lower round, which the outline
    # walks clockwise, are written from their end to their start.
    doc = ezdxf.new('R2010', setup=['dimstyles'])
    doc.header['$INSUNITS'] = 1
    layers(doc, ['CONTOUR', 'DIM', 'TITLE', 'CENTER'])
    msp = doc.modelspace()
    at = lambda z, r: Vec2(5 + z / MM, 2 + r / MM)
    upper = PROFILE[1:-1]  # from (0, 8) to (-30, 15)
    for sign in (1, -1):
        for (z0, r0, b), (z1, r1, _) in zip(upper, upper[1:]):
            a, e = at(z0, sign * r0), at(z1, sign * r1)
            if b:
                # Mirrored below the axis, an arc turns the other way.
                c, s, t, rad = bulge_to_arc(a, e, sign * b)
                msp.add_arc(c, rad, math.degrees(s), math.degrees(t), dxfattribs={'layer': 'CONTOUR'})
            else:
                msp.add_line(a, e, dxfattribs={'layer': 'CONTOUR'})
    msp.add_line(at(0, -8), at(0, 8), dxfattribs={'layer': 'CONTOUR'})
    msp.add_line(at(-30, 15), at(-30, -15), dxfattribs={'layer': 'CONTOUR'})
    msp.add_line(at(-35, 0), at(5, 0), dxfattribs={'layer': 'CENTER'})
    msp.add_linear_dim(base=at(-15, 20), p1=at(0, 15), p2=at(-30, 15),
                       dxfattribs={'layer': 'DIM'}).render()
    msp.add_linear_dim(base=at(-36, 0), p1=at(-30, -15), p2=at(-30, 15), angle=90,
                       dxfattribs={'layer': 'DIM'}).render()
    x0, y0 = at(-60, -40)
    frame(doc, msp, x0, y0, 90 / MM, 75 / MM, 'TITLE', 12 / MM)
    doc.saveas(os.path.join(HERE, 'shaft_full_inch_ezdxf_r2010.dxf'))


def lower_polyline_r12():
    # R12, millimetres, the lower half as an old-style POLYLINE with bulges on OUTLINE (mirrored:
    # each bulge changes its sign), a rendered dimension and a title block.
    doc = ezdxf.new('R12')
    layers(doc, ['OUTLINE', 'DIM', 'TITLE', 'CENTER'])
    msp = doc.modelspace()
    msp.add_polyline2d([(z, -r, -b) for z, r, b in PROFILE], format='xyb', dxfattribs={'layer': 'OUTLINE'})
    msp.add_line((-35, 0), (5, 0), dxfattribs={'layer': 'CENTER'})
    msp.add_linear_dim(base=(-15, -22), p1=(0, -8), p2=(-30, -15), dxfattribs={'layer': 'DIM'}).render()
    frame(doc, msp, -60, -40, 90, 75, 'TITLE', 12)
    doc.saveas(os.path.join(HERE, 'shaft_lower_ezdxf_r12.dxf'))


if __name__ == '__main__':
    upper_lwpolyline_r2018()
    full_lines_arcs_inch_r2010()
    lower_polyline_r12()
