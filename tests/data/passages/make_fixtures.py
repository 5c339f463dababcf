#!/usr/bin/env python3
"""Writes the passage record fixtures byte for byte (GBK text, chosen line ends, NULs, a BOM).

Run from anywhere; it rewrites lines/ and stick/ beside itself. The tests state what each file
must give, so change a file here only together with its expectation.
"""
import os
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))
R = "01,1,ABCDEF12,201301020830"  # reader 01, entry, card ABCDEF12, 2013-01-02 08:30


def gbk(text):
    return text.encode("gbk")


def write(rel, data):
    path = os.path.join(HERE, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main():
    for sub in ("lines", "stick"):
        shutil.rmtree(os.path.join(HERE, sub), ignore_errors=True)

    # One file per case of the line table.
    lines = {
        "crlf.txt": gbk("0001 ,张三 ,京A12345 ," + R + "\r\n"
                        "0002 ,李四 ,沪B67890 ,02,0,12345678,201312312359\r\n"),
        "lf-no-final-newline.txt": gbk("0001 ,张三 ,京A12345 ," + R + "\n"
                                       "0002 ,李四 ,沪B67890 ,02,2,12345678,201312312359"),
        "lone-cr.txt": gbk("0001 ,张三 ,京A12345 ," + R + "\r"
                           "0002 ,李四 ,沪B67890 ,02,0,12345678,201312312359\r"),
        "empty.txt": b"",
        "blank-only.txt": b"   \r\n \r\n",
        "leading-blank.txt": gbk(" 0001 ,张三 ,京A12345 ," + R + "\r\n"),
        "single-blanks-chinese.txt": gbk("0001 王五 京A12345 " + R + "\r\n"),
        # A record part ending in a blank loses everything; after leading fields the trim
        # takes the blank off first.
        "trailing-blank.txt": gbk(R + " \r\n0001 ,张三 ,京A12345 ," + R + " \r\n"),
        "tabs.txt": gbk("0001\t,张三 ,京A12345 ," + R + "\t\r\n"),
        "short-record.txt": gbk("0001 ,张三 ,京A12345 ,01,1,ABC\r\n01\r\n"),
        "long-record.txt": gbk("0001 ,张三 ,京A12345 ," + R + ",99,门岗东\r\n"),
        "lower-case-code.txt": gbk("0001 ,张三 ,京A12345 ,01,1,abcdef12,201301020830\r\n"),
        "ten-fields.txt": gbk("f1 ,f2 ,f3 ,f4 ,f5 ,f6 ,f7 ,f8 ,f9 ,f10 ," + R + "\r\n"),
        "utf8-bom.txt": b"\xef\xbb\xbf" + ("0001 ,张三 ,京A12345 ," + R + "\r\n").encode("utf-8"),
        "nul-tail.txt": gbk("0001 ,张三 ,京A12345 ," + R + "\r\n") + b"\0" * 64,
        "lone-lead-byte.txt": gbk("0001 ,张三 ,京A12345 ," + R) + b"\xb0",
    }
    for name, data in lines.items():
        write(os.path.join("lines", name), data)

    # A stick as the controllers leave it: the record folder with files the import reads and
    # entries it must pass by.
    a1 = "0001 ,张三 ,京A12345 ," + R
    write("stick/TALVERK/A.TXT",
          gbk(a1 + "\r\n0002 ,李四 ,沪B67890 ,02,0,12345678,201312312359\r\n"))
    write("stick/TALVERK/b.txt", gbk("0003 ,王五 ,粤C24680 ,03,1,0000AAAA,201402031015"))
    write("stick/TALVERK/old/c.txt", gbk("0004 ,旧 ,旧 ,04,1,DEADBEEF,201001010000\r\n"))
    write("stick/TALVERK/x.txt/d.txt", gbk(a1 + "\r\n"))
    write("stick/TALVERK/notes.log", gbk("0005 ,日志 ,日志 ,05,1,FEEDFACE,201001010000\r\n"))
    os.symlink(".", os.path.join(HERE, "stick/TALVERK/loop.txt"))


if __name__ == "__main__":
    main()
