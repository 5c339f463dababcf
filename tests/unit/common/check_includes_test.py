#!/usr/bin/env python3
"""The include check reports each break of its rules in a small tree, and nothing else."""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.normpath(os.path.join(HERE, '..', '..', '..'))
SCRIPT = os.path.join(SOURCE, 'scripts', 'check-includes.py')
TREE = os.path.join(SOURCE, 'tests', 'data', 'includes')

EXPECTED = {
    'src/archive/window.h: archive may use only the core of cards: "cards/tab.h"',
    'src/archive/window.h: archive (gui) may not include "issuer/link.h"',
    'src/db/CMakeLists.txt: the core layer velmora_db_core links the GUI layer velmora_issuer_gui',
    'src/common/plain.h: core includes the GUI file "common/window.h"',
    'src/db/order.h: db (core) may not include "issuer/link.h"',
    'src/db/rows.h: core includes the GUI header <QtWidgets/QWidget>',
    'tests/unit/db/rows_test.cpp: core includes the GUI file "common/window.h"',
    'tests/gui/db/rows_gui_test.cpp: db (gui) may not include "issuer/panel.h"',
}

run = subprocess.run([sys.executable, SCRIPT, '--root', TREE], capture_output=True, text=True)
reported = set(line for line in run.stdout.splitlines() if line)
failed = False
if run.returncode != 1:
    print(f'exit code {run.returncode}, expected 1')
    failed = True
for line in sorted(EXPECTED - reported):
    print('not reported:', line)
    failed = True
for line in sorted(reported - EXPECTED):
    print('reported without cause:', line)
    failed = True
sys.exit(1 if failed else 0)
