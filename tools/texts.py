#!/usr/bin/env python3
"""The programs' texts: resources/texts/<language>.txt, English (en.txt) the neutral one.

    texts.py --check DIR                 every language has every text of English, with the same
                                         placeholders, and no text English lacks; each English
                                         text is one name's; every text of the dialog templates
                                         and menus (TEMPLATES) is an English text; exit 1 otherwise
    texts.py --header DIR OUT.h          the text ids and the English texts, for the portable code
    texts.py --rc DIR OUT.rc             a string table per language, for the Windows programs

A text file holds one text a line, "name = text"; "#" starts a comment line; "\\n" is a line
break, "\\t" a tab (before a menu item's keys); {1} to {9} are the places of what the program fills
in. The windows find a template's text by its English words (Texts::Translate), so a template's
English text and a file's English text are one and the same.
"""
import pathlib
import re
import sys

# The languages besides English: file name, the Windows primary language and its resource name.
LANGUAGES = {"de": ("LANG_GERMAN", 0x07), "fr": ("LANG_FRENCH", 0x0C), "es": ("LANG_SPANISH", 0x0A)}
PLACEHOLDER = re.compile(r"\{([1-9])\}")
# String tables hold ids from 1; the programs' other strings stay below.
FIRST_ID = 1000
# The templates whose texts the programs translate, and the words in them that are names, the same
# in every language (the product's, an ellipsis button).
TEMPLATES = ("config.rc", "service.rc")
NAMES = {"PC Vardex", "Vardex", "&Vardex", "..."}
# The texts the programs make their messages of, in English, and show translated where they appear.
MESSAGE_PREFIX = "message."
TEMPLATE_TEXT = re.compile(r'^\s*(?:CAPTION|LTEXT|RTEXT|CTEXT|GROUPBOX|AUTOCHECKBOX|AUTORADIOBUTTON|PUSHBUTTON|'
                           r'DEFPUSHBUTTON|CONTROL|MENUITEM|POPUP)\s+"((?:[^"]|"")*)"')


def read(path):
    texts, problems = {}, []
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        name, equals, text = line.partition(" = ")
        if not equals or not re.fullmatch(r"[a-z][A-Za-z0-9.]*", name):
            problems.append(f"{path.name}:{number}: not a \"name = text\" line")
        elif name in texts:
            problems.append(f"{path.name}:{number}: {name} twice")
        else:
            texts[name] = text.replace("\\n", "\n").replace("\\t", "\t")
    return texts, problems


def template_texts(path):
    """The texts of a resource script's dialogs and menus, blanks around them taken off."""
    found = []
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        match = TEMPLATE_TEXT.match(line)
        if match:
            text = match.group(1).replace('""', '"').replace("\\t", "\t").replace("\\n", "\n").strip()
            if text and text not in NAMES:
                found.append((number, text))
    return found


def check(folder):
    english, problems = read(folder / "en.txt")
    owners = {}
    for name, text in english.items():
        if text in owners:
            problems.append(f"en.txt: {name} has the text of {owners[text]}: keep one")
        owners.setdefault(text, name)
    for template in TEMPLATES:
        path = folder.parent / template
        problems += [f"{template}:{number}: \"{text}\" is not an English text of en.txt"
                     for number, text in template_texts(path) if text not in owners]
    for language in LANGUAGES:
        texts, found = read(folder / f"{language}.txt")
        problems += found
        for name, text in english.items():
            if name not in texts:
                problems.append(f"{language}.txt: {name} is missing")
            elif sorted(PLACEHOLDER.findall(texts[name])) != sorted(PLACEHOLDER.findall(text)):
                problems.append(f"{language}.txt: {name} has the placeholders {PLACEHOLDER.findall(texts[name])},"
                                f" English {PLACEHOLDER.findall(text)}")
        problems += [f"{language}.txt: {name} is not an English text" for name in texts if name not in english]
    return english, problems


def identifier(name):
    return "".join(part[:1].upper() + part[1:] for part in re.split(r"[.]", name))


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n").replace("\t", "\\t") + '"'


def header(english):
    lines = ["#pragma once", "// Made by tools/texts.py from resources/texts/en.txt: do not edit.", "#include <array>",
             "#include <cstdint>", "", "namespace vardex {", "", "enum class TextId : std::uint16_t {"]
    lines += [f"    {identifier(name)} = {FIRST_ID + i}," for i, name in enumerate(english)]
    lines += ["};", "", f"inline constexpr std::uint16_t kFirstTextId = {FIRST_ID};",
              f"inline constexpr std::array<const char*, {len(english)}> kEnglishTexts{{{{"]
    lines += [f"    {c_string(text)}," for text in english.values()]
    messages = [name for name in english if name.startswith(MESSAGE_PREFIX)]
    lines += ["}};", "", "// The messages, which are found by their English words with what was filled in.",
              f"inline constexpr std::array<TextId, {len(messages)}> kMessageTexts{{{{"]
    lines += [f"    TextId::{identifier(name)}," for name in messages]
    lines += ["}};", "", "}  // namespace vardex", ""]
    return "\n".join(lines)


def rc_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '""').replace("\n", "\\n").replace("\t", "\\t") + '"'


def rc(folder, english):
    lines = ["// Made by tools/texts.py from resources/texts: do not edit.", "#pragma code_page(65001)", ""]
    tables = [("LANG_NEUTRAL", english)] + [(LANGUAGES[language][0], read(folder / f"{language}.txt")[0])
                                             for language in LANGUAGES]
    for language, texts in tables:
        lines += [f"LANGUAGE {language}, SUBLANG_NEUTRAL", "STRINGTABLE", "BEGIN"]
        lines += [f"    {FIRST_ID + i}, {rc_string(texts.get(name, text))}" for i, (name, text) in enumerate(english.items())]
        lines += ["END", ""]
    return "\n".join(lines)


def main(argv):
    folder = pathlib.Path(argv[2])
    english, problems = check(folder)
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        return 1
    if argv[1] == "--header":
        pathlib.Path(argv[3]).write_text(header(english), encoding="utf-8")
    elif argv[1] == "--rc":
        pathlib.Path(argv[3]).write_text(rc(folder, english), encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
