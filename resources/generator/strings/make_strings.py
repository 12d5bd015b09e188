#!/usr/bin/env python3
"""Writes resources/<code>.lproj/Main.strings from the tables <code>.tsv beside this script.

Each table holds one line per key: the key, a tab, the text (kept byte for byte, blanks
at either end included). The English table sets the keys and their order; every other
table must have exactly the same keys. Run it after editing a table and commit both.
"""
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
RESOURCES = HERE.parent.parent
LANGUAGES = {
    "en": "English",
    "zh-Hans": "Simplified Chinese",
    "zh-Hant": "Traditional Chinese",
    "fr": "French",
    "de": "German",
    "ja": "Japanese",
    "es": "Spanish",
    "pt-PT": "Portuguese",
    "ar": "Arabic",
}


def read_table(code):
    entries = {}
    order = []
    path = HERE / f"{code}.tsv"
    for number, line in enumerate(path.read_text(encoding="utf-8").split("\n"), 1):
        if not line:
            continue
        if "\t" not in line:
            sys.exit(f"{path}:{number}: no tab between key and text")
        key, text = line.split("\t", 1)
        if key in entries:
            sys.exit(f"{path}:{number}: key {key!r} given twice")
        entries[key] = text
        order.append(key)
    return entries, order


def quote(text):
    return (text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n").replace("\t", "\\t"))


def main():
    english, order = read_table("en")
    failed = False
    for code, name in LANGUAGES.items():
        if not (HERE / f"{code}.tsv").exists():
            print(f"{code}: no table yet", file=sys.stderr)
            failed = True
            continue
        table, _ = read_table(code)
        missing = [k for k in order if k not in table]
        extra = [k for k in table if k not in english]
        if missing or extra:
            print(f"{code}: missing {missing} extra {extra}", file=sys.stderr)
            failed = True
            continue
        lines = [
            f"// Interface texts of Cutbench in {name}.",
            f"// Made by generator/strings/make_strings.py from {code}.tsv: edit the table, not this file.",
            "",
        ]
        lines += [f'"{quote(k)}" = "{quote(table[k])}";' for k in order]
        folder = RESOURCES / f"{code}.lproj"
        folder.mkdir(exist_ok=True)
        (folder / "Main.strings").write_text("\n".join(lines) + "\n", encoding="utf-8")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
