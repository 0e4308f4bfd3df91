#!/usr/bin/env python3
"""The catalogs against the sources: every text the sources mark is in each
translated catalog and nothing else is, and each translation is there, finished,
and keeps the placeholders of its source (%1, %n, %s, %d, %.2f) and writes units
one way (MB, MB/s, KB/s). And no number a
user reads is made text outside the user's locale: a translated text fed by
QString::number or std::to_string, or a decimal formatted by .arg(x, w, 'f', p),
QString::number(x, 'f', p) or asprintf anywhere (it reaches a text through a
helper too); LocaleNumber and its kin in burning/support/sbStrings.h write them.

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
# A translation writes each unit one way: MB, MB/s, KB/s (the English source keeps
# the product's own spellings).
OTHER_UNIT = re.compile(r"\b(?:Mb|MBs|KBps|kB|Kb)\b|/sec\b")

TRANSLATED = re.compile(r"\b(?:tr|translate|ResStr)\s*\(")
UNLOCALISED = re.compile(r"QString::number\s*\(|std::to_string\s*\(")
PRINTF = re.compile(r"\basprintf\s*\(")
FORMATTING_CALL = re.compile(r"(?:\.arg|QString::number)\s*\(")
CHARACTER = re.compile(r"'(?:\\.|[^'\\])*'")
# Numbers that keep the C form on purpose, each with its reason; an entry that no
# longer matches fails too, so that the list stays true.
ALLOWED = {
    ("burning/devices/sbDiscSpeeds.cpp", 'QString::asprintf("%d.0x", factor)'):
        "korvanel-cli's speed list, which scripts read",
}


def blanked(code):
    """The code with comments and the insides of string literals turned to spaces,
    line ends and offsets kept; character literals stay ('f' is the format)."""
    out, i, n = list(code), 0, len(code)

    def clear(start, end):
        for k in range(start, end):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        if code.startswith("//", i):
            end = code.find("\n", i)
            end = n if end < 0 else end
        elif code.startswith("/*", i):
            end = code.find("*/", i + 2)
            end = n if end < 0 else end + 2
        elif code[i] in "\"'":
            end = i + 1
            while end < n and code[end] != code[i]:
                end += 2 if code[end] == "\\" else 1
            if code[i] == '"':
                clear(i + 1, end)
            i = end + 1
            continue
        else:
            i += 1
            continue
        clear(i, end)
        i = end
    return "".join(out)


def arguments(code, start):
    """The top-level arguments of the call whose "(" ends just before start."""
    args, depth, i, begin = [], 0, start, start
    while i < len(code):
        c = code[i]
        if c == "'" and (literal := CHARACTER.match(code, i)):
            i = literal.end()
            continue
        if c in "([{":
            depth += 1
        elif c in ")]}":
            if depth == 0:
                return args + [code[begin:i]]
            depth -= 1
        elif c == "," and depth == 0:
            args.append(code[begin:i])
            begin = i + 1
        i += 1
    return args


def formats_number_outside_locale(statement):
    """True when the statement (comments and strings blanked) makes a number text without the locale."""
    decimal = any(re.fullmatch(r"\s*'[eEfFgG]'\s*", a)
                  for m in FORMATTING_CALL.finditer(statement) for a in arguments(statement, m.end()))
    return decimal or bool(PRINTF.search(statement)) or \
        bool(TRANSLATED.search(statement) and UNLOCALISED.search(statement))


def numbers_outside_locale(code):
    """(line, statement) of each statement of the source that formats a number outside the locale."""
    plain = blanked(code)
    start = 0
    for match in re.finditer(r"[;{}]", plain + ";"):
        statement = plain[start:match.start()]
        if formats_number_outside_locale(statement):
            first = start + len(statement) - len(statement.lstrip())
            yield code.count("\n", 0, first) + 1, " ".join(code[first:match.start()].split())
        start = match.end()


# The scan's own cases: (source, whether it is refused).
SCAN_CASES = [
    ('tr("Wrote %1 MB").arg(bytes / 1e6, 0, \'f\', 1);', True),
    ('QCoreApplication::translate("x", "Took; %1 s")\n    .arg(QString::number(seconds));', True),
    ('ResStr(sSize).arg(QString::fromStdString(std::to_string(n)));', True),
    ('const QString speed = QStringLiteral("%1x").arg(factor, 0, \'g\');', True),
    ('text = QString::number(megabytes, \'f\', 2) + " MB";', True),
    ('QString::asprintf("%d.0x", factor);', True),
    ('tr("Copy %1 of %2").arg(copy).arg(wanted);', False),
    ('tr("Wrote %1 MB").arg(LocaleNumber(bytes / 1e6, 1));', False),
    ('QStringLiteral("%1").arg(value, 2, 16, QLatin1Char(\'0\'));', False),
    ('LogDiagnostic(QStringLiteral("pid ") + QString::number(pid));', False),
    ('// tr("x").arg(QString::number(y, \'f\', 1));\n/* asprintf("%f") */ f(\'"\');', False),
]


def scan(catalog_sources):
    """The problems of the number scan over the sources, its own cases first."""
    problems = [f"number scan: {'missed' if refused else 'wrongly refused'}: {code!r}"
                for code, refused in SCAN_CASES if any(numbers_outside_locale(code)) != refused]
    used = set()
    for path in catalog_sources:
        with open(path, encoding="utf-8", errors="replace") as source:
            for line, statement in numbers_outside_locale(source.read()):
                allowed = [key for key in ALLOWED if path.endswith(key[0]) and key[1] in statement]
                used.update(allowed)
                if not allowed:
                    problems.append(f"{path}:{line}: a number outside the user's locale: {statement}")
    problems += [f"allowed but no longer found: {key[0]}: {key[1]}" for key in sorted(set(ALLOWED) - used)]
    return problems


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
    with open(source_list, encoding="utf-8") as listed:
        problems = scan([line.strip() for line in listed if line.strip()])
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
                if not pluralonly and OTHER_UNIT.search(form):
                    problems.append(f"{name}: a unit spelled otherwise than MB, MB/s, KB/s: {key[0]}: {form!r}")
    for problem in problems:
        print(problem)
    print(f"{len(marked)} texts in the sources; {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3:]))
