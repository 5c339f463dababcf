#!/usr/bin/env python3
"""Checks that includes run in the allowed directions.

Every source file under src/ belongs to a subsystem (its folder) and a layer: "core" when
src/<subsystem>/CMakeLists.txt lists it under velmora_<subsystem>_core, "gui" under
velmora_<subsystem>_gui. What each layer links there (target_link_libraries) is the table of
what it may use. The rules:

  1. A core file includes no GUI file and no header of Qt's GUI modules; a core layer links no
     GUI layer.
  2. A file includes another subsystem's file only if its layer links that subsystem's layer
     itself (what a linked layer links in turn does not count); the main window's header only
     the start-up (src/app) includes.
  3. Tests follow the rule of what they test: tests/unit/<sub> as a core file of <sub>,
     tests/gui/<sub> as a GUI file of <sub>. Test support is open to every test of its layer.

Run from anywhere (--root DIR checks another tree); prints each include that breaks a rule
and exits 1 if there is one.
"""
import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))

# The main window is made by the start-up; its tabs and the other windows reach it only through
# the signals it connects.
MAIN_WINDOW = 'shell/tform1.h'
QT_GUI_MODULES = ('QtGui', 'QtWidgets', 'QtPrintSupport', 'QtCharts')
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
LAYER = re.compile(r'velmora_([a-z]+)_(core|gui)')
TARGET_SOURCES = re.compile(r'target_sources\(\s*velmora_([a-z]+)_(core|gui)\s+PRIVATE(.*?)\)',
                            re.S)
TARGET_LINKS = re.compile(r'target_link_libraries\(\s*velmora_([a-z]+)_(core|gui)\s(.*?)\)', re.S)


def read_build(problems):
    """From the subsystems' CMakeLists.txt: the layer of each file ('sub/file' -> 'core' or
    'gui') and what each layer may use ((sub, layer) -> the (sub, layer) pairs it links)."""
    layer = {}
    uses = {}
    src = os.path.join(ROOT, 'src')
    for sub in sorted(os.listdir(src)):
        cmake = os.path.join(src, sub, 'CMakeLists.txt')
        if not os.path.isfile(cmake):
            continue
        with open(cmake, encoding='utf-8') as f:
            text = re.sub(r'#[^\n]*', '', f.read())
        where = f'src/{sub}/CMakeLists.txt'
        for owner, own_layer, files in TARGET_SOURCES.findall(text):
            if owner != sub:
                problems.append(f'{where}: velmora_{owner}_{own_layer} is not a layer of {sub}')
                continue
            uses.setdefault((sub, own_layer), set())
            for name in files.split():
                if '$' not in name:
                    layer[sub + '/' + name] = own_layer
        for owner, own_layer, items in TARGET_LINKS.findall(text):
            if owner != sub:
                problems.append(f'{where}: velmora_{owner}_{own_layer} is not a layer of {sub}')
                continue
            linked = uses.setdefault((sub, own_layer), set())
            for item in items.split():
                m = LAYER.fullmatch(item)
                if m is None:
                    continue  # PUBLIC, Qt's modules, the system libraries
                if own_layer == 'core' and m.group(2) == 'gui':
                    problems.append(f'{where}: the core layer velmora_{sub}_core links the GUI '
                                    f'layer {item}')
                    continue
                linked.add((m.group(1), m.group(2)))
    # The program's main() is built into the executable, which links the GUI.
    top = os.path.join(ROOT, 'CMakeLists.txt')
    if os.path.isfile(top):
        with open(top, encoding='utf-8') as f:
            for files in re.findall(r'add_executable\(\s*velmora\s+([^)]*)\)', f.read()):
                for name in files.split():
                    if name.startswith('src/'):
                        layer[name[len('src/'):]] = 'gui'
    return layer, uses


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
    problems = []
    layer, uses = read_build(problems)
    gui_headers = qt_gui_headers()

    def judge(where, sub, own_layer, text):
        may_use = uses.get((sub, own_layer))
        if may_use is None:
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
            if target_sub == sub or (target_sub, target_layer) in may_use:
                continue
            if own_layer == 'gui' and target_layer == 'gui' and (target_sub, 'core') in may_use:
                problems.append(f'{where}: {sub} may use only the core of {target_sub}: "{inc}"')
            else:
                problems.append(f'{where}: {sub} ({own_layer}) may not include "{inc}"')

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
                problems.append(f'src/{path}: not listed under velmora_{sub}_core or '
                                f'velmora_{sub}_gui')
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
