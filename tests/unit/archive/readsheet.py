#!/usr/bin/env python3
"""Reads a spreadsheet back with an independent reader and prints it as JSON.

Usage: readsheet.py FILE [ROW,ROW,...]
Output: {"sheets": [names], "rows": [[cell, ...], ...]} for the first sheet (only
the listed 0-based rows when given, the others as empty lists), where a cell is
null (empty) or [kind, value, format]: kind "s" for text, "n" for a number, "o" for anything
else; format is the cell's number format. .xls goes through xlrd (with the formatting records,
which makes it check the fonts and XF records), .xlsx through openpyxl.
"""
import json
import sys


def read_xls(path, wanted):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=True)
    sheet = book.sheet_by_index(0)
    rows = []
    for r in range(sheet.nrows):
        row = []
        rows.append(row)
        if wanted is not None and r not in wanted:
            continue
        for c in range(sheet.ncols):
            cell = sheet.cell(r, c)
            if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                row.append(None)
                continue
            kind = {xlrd.XL_CELL_TEXT: "s", xlrd.XL_CELL_NUMBER: "n"}.get(cell.ctype, "o")
            xf = book.xf_list[cell.xf_index]
            fmt = book.format_map[xf.format_key].format_str
            row.append([kind, cell.value, fmt])
    return [s.name for s in book.sheets()], rows


def read_xlsx(path, wanted):
    import openpyxl
    book = openpyxl.load_workbook(path, read_only=wanted is not None)
    sheet = book.worksheets[0]
    rows = []
    for r, cells in enumerate(sheet.iter_rows()):
        row = []
        rows.append(row)
        if wanted is not None and r not in wanted:
            continue
        for cell in cells:
            if cell.value is None:
                row.append(None)
                continue
            kind = {"s": "s", "n": "n"}.get(cell.data_type, "o")
            row.append([kind, cell.value, cell.number_format])
    return book.sheetnames, rows


def main():
    path = sys.argv[1]
    wanted = {int(r) for r in sys.argv[2].split(",")} if len(sys.argv) > 2 else None
    reader = read_xlsx if path.lower().endswith(".xlsx") else read_xls
    names, rows = reader(path, wanted)
    json.dump({"sheets": names, "rows": rows}, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
