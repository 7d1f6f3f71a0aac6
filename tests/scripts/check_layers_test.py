#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Runs scripts/check-layers on src/ (it must pass) and on small made-up trees that break the
folder order in each way it guards against (each must fail, naming the fault); then holds the
folder table of docs/ARCHITECTURE.md against the script's ranks and Qt-free folders, which are
their one record.
usage: check_layers_test.py PATH/TO/check-layers PATH/TO/src [PATH/TO/ARCHITECTURE.md]
(the document defaults to docs/ARCHITECTURE.md beside src/)"""
import importlib.machinery
import importlib.util
import os
import re
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


def load_script(script):
    """The check script as a module, for its RANKS and QT_FREE (it has no .py ending)."""
    loader = importlib.machinery.SourceFileLoader('check_layers', script)
    loaded = importlib.util.spec_from_loader('check_layers', loader)
    module = importlib.util.module_from_spec(loaded)
    loader.exec_module(module)
    return module


ROW = re.compile(r'^\|\s*(\d+)\s*\|\s*`([^`]+)`\s*\|\s*(\w+)\s*\|')


def doc_table(text):
    """The rows of the document's folder table: [(folder, rank, qt_free)] in their order."""
    section = text.split('## Folders, lowest first', 1)[-1].split('\n## ', 1)[0]
    rows = []
    for line in section.splitlines():
        m = ROW.match(line)
        if m:
            rows.append((m.group(2), int(m.group(1)), m.group(3) == 'none'))
    return rows


def table_differences(rows, ranks, qt_free):
    """Every way the document's rows differ from the script's ranks and Qt-free folders."""
    out = []
    seen = {}
    for folder, rank, free in rows:
        top = folder.split('/')[0]
        if folder in seen:
            out.append(f'{folder} has two rows')
        seen[folder] = rank
        if top not in ranks:
            out.append(f'{folder} is in the document but has no rank in the script')
        elif rank != ranks[top]:
            out.append(f'{folder}: rank {rank} in the document, {ranks[top]} in the script')
        if free != (folder in qt_free):
            out.append(f'{folder}: {"Qt-free" if free else "Qt"} in the document, '
                       f'{"Qt-free" if folder in qt_free else "Qt"} in the script')
    for folder in sorted(set(ranks) | set(qt_free)):
        if folder not in seen:
            out.append(f'{folder} is in the script but has no row in the document')
    if [r for _, r, _ in rows] != sorted(r for _, r, _ in rows):
        out.append('the document\'s rows are not lowest rank first')
    return out


def check_document(script, doc):
    """The document agrees with the script, the comparison finds a changed rank, a missing row
    and a wrong Qt mark, and --qt-free prints the script's Qt-free set. Returns the failures."""
    module = load_script(script)
    failures = []
    with open(doc, encoding='utf-8') as f:
        rows = doc_table(f.read())
    for d in table_differences(rows, module.RANKS, module.QT_FREE):
        failures.append(f'docs/ARCHITECTURE.md and scripts/check-layers differ: {d}')
    if rows:
        first, rank, free = rows[0]
        for name, changed in [('a changed rank', [(first, rank + 1, free)] + rows[1:]),
                              ('a missing row', rows[1:]),
                              ('a wrong Qt mark', [(first, rank, not free)] + rows[1:])]:
            if not table_differences(changed, module.RANKS, module.QT_FREE):
                failures.append(f'the table comparison does not see {name}')
    else:
        failures.append('docs/ARCHITECTURE.md has no folder table')
    p = subprocess.run([sys.executable, script, '--qt-free'], capture_output=True, text=True)
    listed = set(p.stdout.split())
    if p.returncode != 0 or listed != {'src/' + f for f in module.QT_FREE}:
        failures.append(f'--qt-free printed {sorted(listed)} (exit {p.returncode}), '
                        f'not the script\'s Qt-free folders')
    return failures


def main():
    script, src = sys.argv[1], sys.argv[2]
    doc = sys.argv[3] if len(sys.argv) > 3 else os.path.join(src, '..', 'docs', 'ARCHITECTURE.md')
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
    failures = check_document(script, doc)
    for failure in failures:
        print(failure)
    failed += 1 if failures else 0
    print(f'{len(CASES) + 2 - failed} of {len(CASES) + 2} layer checks as expected')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
