#!/usr/bin/env python3
"""Writes resources/<code>.lproj/Main.strings from the tables <code>.tsv beside this script,
and the local help pages resources/help/<code>.html (index.html is the English one) from
the same texts, so the help speaks each interface language without a second translation.

Each table holds one line per key: the key, a tab, the text (kept byte for byte, blanks
at either end included). The English table sets the keys and their order; every other
table must have exactly the same keys. Run it after editing a table and commit both.
"""
import html
import pathlib
import re
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


# The eleven tools in the order of the home screen: title key, description key and the
# keys of the numbered steps the tool window shows while it is empty.
TOOLS = [
    ("EasyCut_Title", "EasyCut_PlaceholderString", [f"easydesclabelTitle{i}" for i in range(1, 5)]),
    ("BatchCut_Title", "BatchCut_PlaceholderString", [f"batch_desc{i}" for i in range(1, 4)]),
    ("AdvancedCut_Title", "AdvancedCut_PlaceholderString", []),
    ("Joinner_Title", "Joinner_PlaceholderString", [f"joinner_desc{i}" for i in range(1, 5)]),
    ("Split_Title", "Split_PlaceholderString", [f"splitdescLabel{i}stringValue" for i in range(1, 5)]),
    ("Crop_Title", "Crop_PlaceholderString", []),
    ("Rotate_Title", "Rotate_PlaceholderString", ["descripationLabelstringValue"]),
    ("Effect_Title", "Effect_PlaceholderString", []),
    ("Watermark_Title", "Watermark_PlaceholderString", []),
    ("Subtitle_Title", "Subtitle_PlaceholderString", []),
    ("AddMusic_Title", "AddMusic_PlaceholderString", [f"toolMusicNofileDescLabel{i}stringValue" for i in range(1, 5)]),
]

STYLE = """body { font-family: sans-serif; margin: 0; background: #f5f5f5; color: #34404c; }
header { background: #21b0eb; color: white; padding: 18px 32px; }
header h1 { margin: 0; font-size: 24px; font-weight: normal; }
main { max-width: 760px; margin: 0 auto; padding: 12px 32px 32px; }
section { background: white; border-radius: 6px; padding: 4px 20px 12px; margin: 14px 0; }
h2 { color: #1381b4; font-size: 18px; }
nav { font-size: 13px; margin-top: 8px; }
nav a { color: white; margin-inline-end: 10px; }
footer { font-size: 13px; color: #6a7682; }"""


def help_page(code, t):
    def e(key):
        return html.escape(t[key].strip())

    def step(key):
        # Some steps carry their own number ("1. ..."); the list numbers them itself.
        return html.escape(re.sub(r"^\s*\d+\.\s*", "", t[key]).strip())

    direction = "rtl" if code == "ar" else "ltr"
    others = " ".join(
        f'<a href="{c if c != "en" else "index"}.html">{html.escape(t[f"LangeuageItem{i}"])}</a>'
        for i, c in enumerate(LANGUAGES))
    parts = [
        "<!DOCTYPE html>",
        f'<html lang="{code}" dir="{direction}">',
        "<head>",
        '<meta charset="utf-8">',
        f"<title>{e('Title')} — {e('FKE-Sm-Kum.title')}</title>",
        '<link rel="stylesheet" href="help.css">',
        "</head>",
        "<body>",
        f"<header><h1>{e('Title')} — {e('FKE-Sm-Kum.title')}</h1><nav>{others}</nav></header>",
        "<main>",
        f"<p>{html.escape(t['Title'] + t['viewController_normalDescLabelString'])}</p>",
    ]
    for title, desc, steps in TOOLS:
        parts.append(f"<section><h2>{e(title)}</h2><p>{e(desc)}</p>")
        if len(steps) > 1:
            parts.append("<ol>" + "".join(f"<li>{step(k)}</li>" for k in steps) + "</ol>")
        elif steps:
            parts.append(f"<p>{e(steps[0])}</p>")
        parts.append("</section>")
    parts += [
        f"<footer><p>{e('bottomContentLabelstring')}</p>",
        f'<p><a href="{e("homepageUrl")}">{e("middleLeftContentLabelstring")}</a> · '
        f'<a href="mailto:{e("email_address")}">{e("middleRightContentLabelstring")}</a></p></footer>',
        "</main>",
        "</body>",
        "</html>",
    ]
    return "\n".join(parts) + "\n"


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
        help_dir = RESOURCES / "help"
        help_dir.mkdir(exist_ok=True)
        (help_dir / "help.css").write_text(STYLE + "\n", encoding="utf-8")
        page_name = "index" if code == "en" else code
        (help_dir / f"{page_name}.html").write_text(help_page(code, table), encoding="utf-8")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
