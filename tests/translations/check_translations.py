#!/usr/bin/env python3
"""The catalogs against the sources: every text the sources mark is in each
translated catalog and nothing else is, and each translation is there, finished,
and keeps the placeholders of its source (%1, %n, %s, %d, %.2f).

usage: check_translations.py LUPDATE SOURCE_LIST CATALOG.ts...
LUPDATE reads the files of SOURCE_LIST into a fresh catalog in a temporary
folder, with the options the build's update_translations target uses."""
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

PLACEHOLDER = re.compile(r"%(?:L?\d+|n|\.\d+f|[sdf])")


def messages(path):
    """(context, source, comment) -> (translation texts, finished) of a catalog."""
    found = {}
    for context in ET.parse(path).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            translation = message.find("translation")
            kind = translation.get("type", "") if translation is not None else "unfinished"
            if kind in ("obsolete", "vanished"):
                continue
            forms = [f.text or "" for f in translation.iter("numerusform")] if message.get("numerus") == "yes" \
                else [translation.text or ""]
            key = (name, message.findtext("source"), message.findtext("comment") or "")
            found[key] = (forms, kind != "unfinished" and all(forms))
    return found


def main(lupdate, source_list, catalogs):
    with tempfile.TemporaryDirectory() as folder:
        fresh = os.path.join(folder, "fresh.ts")
        subprocess.run([lupdate, "-silent", "-no-obsolete", "-locations", "none", "@" + source_list, "-ts", fresh],
                       check=True)
        marked = set(messages(fresh))
    problems = []
    for catalog in catalogs:
        name = os.path.basename(catalog)
        found = messages(catalog)
        pluralonly = name.endswith("_en.ts")  # the source language holds plural forms only
        wanted = {k for k in marked if "%n" in k[1]} if pluralonly else marked
        problems += [f"{name}: not in the catalog: {k[0]}: {k[1]!r}" for k in sorted(wanted - set(found))]
        problems += [f"{name}: no longer in the sources: {k[0]}: {k[1]!r}" for k in sorted(set(found) - wanted)]
        for key, (forms, finished) in sorted(found.items()):
            if not finished:
                problems.append(f"{name}: unfinished: {key[0]}: {key[1]!r}")
                continue
            expected = sorted(PLACEHOLDER.findall(key[1]))
            for form in forms:
                got = sorted(PLACEHOLDER.findall(form))
                # A plural form may leave the number out ("once"); any other placeholder must stay.
                if got != expected and not ("%n" in expected and sorted(got + ["%n"]) == expected):
                    problems.append(f"{name}: placeholders {expected} became {got}: {key[0]}: {key[1]!r} -> {form!r}")
    for problem in problems:
        print(problem)
    print(f"{len(marked)} texts in the sources; {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3:]))
