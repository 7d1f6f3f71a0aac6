#!/usr/bin/env python3
"""Runs scripts/check-layers on src/ (it must pass) and on small made-up trees that break the
folder order in each way it guards against (each must fail, naming the fault).
usage: check_layers_test.py PATH/TO/check-layers PATH/TO/src"""
import os
import subprocess
import sys
import tempfile


def run(script, src):
    p = subprocess.run([sys.executable, script, src], capture_output=True, text=True)
    return p.returncode, p.stdout + p.stderr


def tree(files):
    """A temporary src/ holding the given {relative path: text}."""
    tmp = tempfile.TemporaryDirectory()
    for rel, text in files.items():
        path = os.path.join(tmp.name, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'w') as f:
            f.write(text)
    return tmp


# Each case: the files of a tree, whether the check must pass, a text its output must contain.
CASES = [
    ('core in order', {
        'base/Machine.h': '#pragma once\n#include <string>\n',
        'motion/Moves.cpp': '#include "base/Machine.h"\n',
        'interp/Exec.cpp': '#include "motion/Motion.h"\n#include "cycles/Cycles.h"\n',
        'cycles/Cycles.h': '#include "motion/Motion.h"\n',
        'nav/Nav.cpp': '#include "interp/RunControl.h"\n',
        'app/Window.cpp': '#include "nav/Nav.h"\n#include <QWidget>\n',
    }, True, 'no cycle'),
    ('base includes motion', {
        'base/Machine.h': '#include "motion/View.h"\n',
        'motion/View.h': '#pragma once\n',
    }, False, 'base/ includes motion/'),
    ('motion includes the interpreter', {
        'motion/Moves.cpp': '  #  include "interp/Interpreter.h"\n',
        'interp/Interpreter.h': '#pragma once\n',
    }, False, 'motion/Moves.cpp:1'),
    ('the core includes a window folder', {
        'interp/RunControl.cpp': '#include "app/MainWindow.h"\n',
        'app/MainWindow.h': '#pragma once\n',
    }, False, 'interp/ includes app/'),
    ('two unknown folders include each other', {
        'alpha/A.cpp': '#include "beta/B.h"\n',
        'beta/B.cpp': '#include "alpha/A.h"\n',
    }, False, 'folder cycle'),
    ('Qt in the core', {
        'cycles/Turn.cpp': '#include <QString>\n',
    }, False, 'Qt header <QString>'),
    ('Qt in the calculator engine', {
        'calc/engine/CalcEngine.cpp': '#include <QtCore>\n',
    }, False, 'Qt-free'),
    ('Qt in the window is fine, own folder includes are fine', {
        'settings/Settings.cpp': '#include "settings/Settings.h"\n#include <QSettings>\n',
        'calc/frmCalc.cpp': '#include "calc/engine/CalcEngine.h"\n#include "platform/Link.h"\n',
        'platform/Link.h': '#include <QString>\n',
    }, True, 'no cycle'),
]


def main():
    script, src = sys.argv[1], sys.argv[2]
    failed = 0
    code, out = run(script, src)
    if code != 0:
        print(f'src/ breaks the folder order:\n{out}')
        failed += 1
    for name, files, passes, text in CASES:
        with tree(files) as tmp:
            code, out = run(script, tmp)
        if (code == 0) != passes or text not in out:
            print(f'{name}: expected {"pass" if passes else "failure"} naming "{text}", '
                  f'got exit {code}:\n{out}')
            failed += 1
    print(f'{len(CASES) + 1 - failed} of {len(CASES) + 1} layer checks as expected')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
