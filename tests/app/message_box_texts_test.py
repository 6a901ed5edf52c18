#!/usr/bin/env python3
"""Lists the message boxes of the program whose title or text is a bare string
literal, a text that a translation never reaches.

    message_box_texts_test.py <source folder>

Looks at every .cpp and .h under <source folder>/app: the titles and texts of
QMessageBox::warning/information/critical/question/about, of the QMessageBox
constructor with an icon, and of setText/setWindowTitle/setInformativeText/
setDetailedText on a variable declared as a QMessageBox. A literal counts as
looked up when it stands inside UiText(...), tr(...), a language manager's
String(...)/Dictionary(...), a Text(...) helper over it, or is an .arg(...)
value. A QString variable of the same file initialised with a bare literal
counts as bare too. Prints file:line of each bare one and exits 1; exits 0
when there is none.

A regular-expression scan, not a compiler: a text that comes from a function
returning a literal is not seen. Before the scan the checker is run on a small
sample with known faults, so that a scanner that finds nothing fails too.
"""

import pathlib
import re
import sys

STATIC_CALL = re.compile(r"\bQMessageBox::(?:warning|information|critical|question|about)\s*\(")
CONSTRUCTOR = re.compile(r"\bQMessageBox\s*\*?\s*(\w+)\s*\(|\bnew\s+QMessageBox\s*\(")
BOX_VARIABLE = re.compile(r"\bQMessageBox\s*\*?\s*(\w+)\s*[;=({]|\b(\w+)\s*=\s*new\s+QMessageBox\b")
SETTER = r"\b{name}\s*(?:\.|->)\s*(?:setText|setWindowTitle|setInformativeText|setDetailedText)\s*\("
# Calls whose string arguments are looked up (or, for .arg, filled into a text
# that was).
LOOKUP = re.compile(r"(?:\b(?:UiText|tr|Text|String|Dictionary)|\.arg)\s*\(")
BARE_VARIABLE = re.compile(r"\bQString\s+(\w+)\s*=")
LITERAL = re.compile(r'"')
IDENTIFIER = re.compile(r"\b\w+\b")

OPENING = "([{"
CLOSING = ")]}"


def skip_literal(text, i):
    """The index after the string or character literal that starts at i."""
    quote = text[i]
    if quote == '"' and i > 0 and text[i - 1] == "R":
        end = text.index("(", i)
        delimiter = ")" + text[i + 1 : end] + '"'
        return text.index(delimiter, end) + len(delimiter)
    i += 1
    while i < len(text) and text[i] != quote:
        i += 2 if text[i] == "\\" else 1
    return i + 1


def blank_comments(text):
    """The text with its comments turned into blanks (line breaks kept)."""
    out = []
    i = 0
    while i < len(text):
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = len(text) if end < 0 else end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = len(text) if end < 0 else end + 2
        elif text[i] in "\"'" and not (text[i] == "'" and i > 0 and text[i - 1].isalnum()):
            end = skip_literal(text, i)
            out.append(text[i:end])
            i = end
            continue
        else:
            out.append(text[i])
            i += 1
            continue
        out.append(re.sub(r"[^\n]", " ", text[i:end]))
        i = end
    return "".join(out)


def call(text, open_paren):
    """(start, end) of each top-level argument of the call whose "(" is at
    open_paren, and the index of its ")"."""
    spans = []
    depth = 0
    start = open_paren + 1
    i = open_paren
    while i < len(text):
        c = text[i]
        if c in "\"'" and not (c == "'" and text[i - 1].isalnum()):
            i = skip_literal(text, i)
            continue
        if c in OPENING:
            depth += 1
        elif c in CLOSING:
            depth -= 1
            if depth == 0:
                if text[start:i].strip():
                    spans.append((start, i))
                return spans, i
        elif c == "," and depth == 1:
            spans.append((start, i))
            start = i + 1
        i += 1
    raise ValueError(f"no ) for the ( at {open_paren}")


def arguments(text, open_paren):
    return call(text, open_paren)[0]


def without_lookups(text):
    """The text with every looked-up call blanked, so that what is left is bare."""
    chars = list(text)
    for match in LOOKUP.finditer(text):
        open_paren = match.end() - 1
        try:
            end = call(text, open_paren)[1]
        except ValueError:
            continue
        for i in range(match.start(), end + 1):
            if chars[i] != "\n":
                chars[i] = " "
    return "".join(chars)


def bare_offset(text, start, end, bare_names):
    """Offset of the first bare literal or bare variable in text[start:end], or None."""
    left = without_lookups(text[start:end])
    literal = LITERAL.search(left)
    if literal:
        return start + literal.start()
    for name in IDENTIFIER.finditer(left):
        if name.group() in bare_names:
            return start + name.start()
    return None


def bare_variables(text):
    """Names of the QString variables initialised with a bare literal."""
    names = set()
    for match in BARE_VARIABLE.finditer(text):
        end = text.find(";", match.end())
        if end >= 0 and LITERAL.search(without_lookups(text[match.end() : end])):
            names.add(match.group(1))
    return names


def checked_spans(text):
    """(start, end) of every title and text argument of a message box."""
    spans = []
    for match in STATIC_CALL.finditer(text):
        spans += arguments(text, match.end() - 1)[1:3]
    for match in CONSTRUCTOR.finditer(text):
        args = arguments(text, match.end() - 1)
        if len(args) >= 3:  # (icon, title, text, ...); the others take no text
            spans += args[1:3]
    names = {m.group(1) or m.group(2) for m in BOX_VARIABLE.finditer(text)}
    for name in names:
        for match in re.finditer(SETTER.format(name=re.escape(name)), text):
            spans += arguments(text, match.end() - 1)[:1]
    return spans


def bare_lines(source):
    """Line numbers (from 1) of the bare message box texts of one file."""
    text = blank_comments(source)
    bare_names = bare_variables(text)
    lines = set()
    for start, end in checked_spans(text):
        offset = bare_offset(text, start, end, bare_names)
        if offset is not None:
            lines.add(text.count("\n", 0, offset) + 1)
    return sorted(lines)


SAMPLE = r"""
const QString kTitle = QStringLiteral("Title");
void F(QWidget* w, bool b) {
  QMessageBox::warning(w, QStringLiteral("Bare title"), UiText(QStringLiteral("ok")));
  QMessageBox::information(w, UiText(QStringLiteral("ok")),
                           b ? QStringLiteral("bare") : UiText(QStringLiteral("ok")));
  QMessageBox::question(w, kTitle, tr("ok"));
  QMessageBox box(QMessageBox::Warning, UiText(QStringLiteral("ok")), "bare, (with) parens", QMessageBox::Ok, w);
  box.setText(QStringLiteral("bare"));
  auto* other = new QMessageBox(w);
  other->setWindowTitle(UiText(QStringLiteral("ok %1")).arg(QStringLiteral("a name")));
  other->setInformativeText(QStringLiteral("bare %1").arg(b));
  // QMessageBox::warning(w, QStringLiteral("in a comment"), x);
  QMessageBox::critical(w, windowTitle(), UiText(QStringLiteral("ok, (really)")).arg(QString::number(1)));
  QMessageBox::about(w, UiText(QStringLiteral("ok")), Text("name", "ok"));
  const QString looked = UiText(QStringLiteral("ok"));
  QMessageBox::warning(w, looked, QStringLiteral("ok? no: \")\" bare"));
}
"""
SAMPLE_BARE = [4, 6, 7, 8, 9, 12, 17]


def main():
    found = bare_lines(SAMPLE)
    if found != SAMPLE_BARE:
        print(f"the checker itself is wrong: on its sample it finds lines {found}, not {SAMPLE_BARE}")
        return 2
    root = pathlib.Path(sys.argv[1])
    files = sorted(p for p in (root / "app").rglob("*") if p.suffix in (".cpp", ".h"))
    if not files:
        print(f"no sources under {root / 'app'}")
        return 2
    faults = []
    boxes = 0
    for path in files:
        source = path.read_text(encoding="utf-8")
        boxes += len(checked_spans(blank_comments(source)))
        faults += [f"{path.relative_to(root)}:{line}" for line in bare_lines(source)]
    for fault in faults:
        print(f"{fault}: a message box title or text that is a bare string literal (wrap it in UiText)")
    print(f"{boxes} message box titles and texts checked, {len(faults)} bare")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
