#!/usr/bin/env python3
"""Checks that includes run in the allowed directions.

Every source file under src/ belongs to a subsystem (its folder) and a layer: "core" when a
src/<subsystem>/CMakeLists.txt lists it under velmora_core, "gui" under velmora_gui. The rules:

  1. A core file includes no GUI file and no header of Qt's GUI modules.
  2. A file includes another subsystem's file only if ALLOWED below lets its subsystem use that
     subsystem's layer; the main window's header only the start-up (src/app) includes.
  3. Tests follow the rule of what they test: tests/unit/<sub> as a core file of <sub>,
     tests/gui/<sub> as a GUI file of <sub>. Test support is open to every test of its layer.

Run from anywhere (--root DIR checks another tree); prints each include that breaks a rule
and exits 1 if there is one.
"""
import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))

# subsystem -> layer -> the other subsystems it may include. Core files may use the core of the
# subsystems named under "core"; GUI files may use that too, and both layers of those named
# under "gui". ("shell" in a GUI list is for the shared widgets, texts and pictures; no tab
# includes the main window.)
ALLOWED = {
    'common':   {'core': set(), 'gui': set()},
    'db':       {'core': {'common'}, 'gui': {'common'}},
    'issuer':   {'core': {'common', 'db'}, 'gui': {'common', 'db', 'shell'}},
    'accounts': {'core': {'common', 'db'}, 'gui': {'common', 'db', 'shell'}},
    'cards':    {'core': {'common', 'db', 'issuer'},
                 'gui': {'common', 'db', 'issuer', 'archive', 'passages', 'shell'}},
    'archive':  {'core': {'common', 'db', 'cards'}, 'gui': {'common', 'db', 'shell'}},
    'passages': {'core': {'common', 'db'}, 'gui': {'common', 'db', 'archive', 'shell'}},
    'shell':    {'core': {'common'}, 'gui': {'common', 'db', 'issuer', 'accounts', 'cards',
                                             'archive', 'passages'}},
    'app':      {'core': {'common'}, 'gui': {'common', 'db', 'shell', 'accounts', 'archive',
                                             'passages', 'cards', 'issuer'}},
}

# The main window is made by the start-up; its tabs and the other windows reach it only through
# the signals it connects.
MAIN_WINDOW = 'shell/tform1.h'
QT_GUI_MODULES = ('QtGui', 'QtWidgets', 'QtPrintSupport', 'QtCharts')
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
TARGET_SOURCES = re.compile(r'target_sources\(\s*(velmora_core|velmora_gui)\s+PRIVATE(.*?)\)', re.S)


def layers_of_sources():
    """Maps 'sub/file' to 'core' or 'gui' from the subsystems' CMakeLists.txt."""
    layer = {}
    src = os.path.join(ROOT, 'src')
    for sub in sorted(os.listdir(src)):
        cmake = os.path.join(src, sub, 'CMakeLists.txt')
        if not os.path.isfile(cmake):
            continue
        with open(cmake, encoding='utf-8') as f:
            text = f.read()
        for target, files in TARGET_SOURCES.findall(text):
            for name in files.split():
                if name.startswith('#') or '$' in name:
                    continue
                layer[sub + '/' + name] = 'core' if target == 'velmora_core' else 'gui'
    # The program's main() is built into the executable, which links the GUI.
    top = os.path.join(ROOT, 'CMakeLists.txt')
    if not os.path.isfile(top):
        return layer
    with open(top, encoding='utf-8') as f:
        for files in re.findall(r'add_executable\(\s*velmora\s+([^)]*)\)', f.read()):
            for name in files.split():
                if name.startswith('src/'):
                    layer[name[len('src/'):]] = 'gui'
    return layer


def qt_gui_headers():
    """Names of the headers of Qt's GUI modules (QWidget, QPainter …), from the installed Qt."""
    names = set()
    for base in ('/usr/include/x86_64-linux-gnu/qt6', '/usr/include/aarch64-linux-gnu/qt6',
                 '/usr/include/qt6'):
        for module in QT_GUI_MODULES:
            folder = os.path.join(base, module)
            if os.path.isdir(folder):
                names.update(n for n in os.listdir(folder) if not n.endswith('.h'))
    return names


def file_layer(layer, path):
    """The layer of src/<sub>/<file>; a header not listed takes the layer of its .cpp."""
    if path in layer:
        return layer[path]
    stem = os.path.splitext(path)[0]
    for ext in ('.cpp', '.h'):
        if stem + ext in layer:
            return layer[stem + ext]
    return None


def check():
    layer = layers_of_sources()
    gui_headers = qt_gui_headers()
    problems = []

    def judge(where, sub, own_layer, text):
        rules = ALLOWED.get(sub)
        if rules is None:
            problems.append(f'{where}: the folder {sub} has no entry in the allowed directions')
            return
        for kind, inc in INCLUDE.findall(text):
            if kind == '<':
                module = inc.split('/')[0]
                if own_layer == 'core' and (module in QT_GUI_MODULES or inc in gui_headers):
                    problems.append(f'{where}: core includes the GUI header <{inc}>')
                continue
            if '/' not in inc:
                continue
            if (inc == MAIN_WINDOW and where.startswith('src/') and not where.startswith('src/app/')
                    and where != 'src/shell/tform1.cpp'):
                problems.append(f'{where}: only the start-up makes the main window: "{inc}"')
                continue
            target_sub = inc.split('/')[0]
            if not os.path.isdir(os.path.join(ROOT, 'src', target_sub)):
                continue  # test support or a generated file
            target_layer = file_layer(layer, inc)
            if target_layer is None:
                problems.append(f'{where}: "{inc}" is in no layer (not listed in a CMakeLists.txt)')
                continue
            if own_layer == 'core' and target_layer == 'gui':
                problems.append(f'{where}: core includes the GUI file "{inc}"')
                continue
            if target_sub == sub:
                continue
            may_use = rules['core'] if own_layer == 'core' else rules['core'] | rules['gui']
            if target_sub not in may_use:
                problems.append(f'{where}: {sub} ({own_layer}) may not include "{inc}"')
            elif own_layer == 'gui' and target_layer == 'gui' and target_sub not in rules['gui']:
                problems.append(f'{where}: {sub} may use only the core of {target_sub}: "{inc}"')

    src = os.path.join(ROOT, 'src')
    for sub in sorted(os.listdir(src)):
        folder = os.path.join(src, sub)
        if not os.path.isdir(folder):
            continue
        for name in sorted(os.listdir(folder)):
            if not name.endswith(('.cpp', '.h')):
                continue
            path = sub + '/' + name
            own = file_layer(layer, path)
            if own is None:
                problems.append(f'src/{path}: not listed under velmora_core or velmora_gui')
                continue
            with open(os.path.join(folder, name), encoding='utf-8') as f:
                judge('src/' + path, sub, own, f.read())

    for kind, own in (('unit', 'core'), ('gui', 'gui')):
        base = os.path.join(ROOT, 'tests', kind)
        if not os.path.isdir(base):
            continue
        for sub in sorted(os.listdir(base)):
            for dirpath, _, files in os.walk(os.path.join(base, sub)):
                for name in sorted(files):
                    if not name.endswith(('.cpp', '.h')):
                        continue
                    full = os.path.join(dirpath, name)
                    with open(full, encoding='utf-8') as f:
                        judge(os.path.relpath(full, ROOT), sub, own, f.read())
    return problems


if __name__ == '__main__':
    if len(sys.argv) == 3 and sys.argv[1] == '--root':
        ROOT = os.path.abspath(sys.argv[2])
    found = check()
    for line in found:
        print(line)
    if found:
        print(f'{len(found)} include(s) against the allowed direction', file=sys.stderr)
        sys.exit(1)
    print('includes: every include runs in an allowed direction')
