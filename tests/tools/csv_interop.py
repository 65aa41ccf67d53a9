#!/usr/bin/env python3
"""CSV written and read by Python's csv module, for the address book's tests.

  csv_interop.py write FILE   rows from stdin, one per line, each field as hex
                              separated by blanks; writes FILE the way a
                              spreadsheet does: UTF-8 byte-order mark, CR LF,
                              quotes where needed
  csv_interop.py read FILE    reads FILE with the csv module and prints its
                              rows to stdout in the same hex form
"""
import csv
import sys


def main():
    mode, path = sys.argv[1], sys.argv[2]
    if mode == "write":
        rows = [[bytes.fromhex(f).decode("utf-8") for f in line.split(" ")] if line.strip() else []
                for line in sys.stdin.read().splitlines()]
        with open(path, "w", encoding="utf-8-sig", newline="") as out:
            csv.writer(out).writerows(rows)
    else:
        with open(path, encoding="utf-8-sig", newline="") as source:
            for row in csv.reader(source):
                print(" ".join(field.encode("utf-8").hex() for field in row))


if __name__ == "__main__":
    main()
