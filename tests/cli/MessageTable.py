"""The rows of corvane's text table (cli/io/MessageTable.h), read from the source: each id with
its English and Japanese text, and what a line of output may not hold in the other language."""
import os
import re
import unicodedata

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cli", "io",
                      "MessageTable.h")
ESCAPES = {"n": "\n", "t": "\t", "\\": "\\", '"': '"'}


def rows():
    """{id: (english, japanese)} in the table's order."""
    with open(SOURCE, encoding="utf-8") as f:
        source = f.read()
    body = source[source.index("MessageTable[] = {") + len("MessageTable[] = {"):]
    body = body[:body.index("\n};")]
    table, row, parts = {}, None, []
    for token in re.findall(r'"(?:[^"\\]|\\.)*"|\bmi\w+|[{},]', body):
        if token.startswith("mi"):
            row, parts = token, [""]
        elif token.startswith('"'):
            parts[-1] += re.sub(r"\\(.)", lambda m: ESCAPES[m.group(1)], token[1:-1])
        elif token == "," and row and parts[-1]:
            parts.append("")
        elif token == "}" and row:
            table[row] = (parts[0], parts[1])
            row = None
    return table


def text(table, ident, language, *args):
    """The row's text in language 0 (English) or 1 (Japanese), {N} replaced by args[N-1]."""
    return re.sub(r"\{([1-9])\}", lambda m: args[int(m.group(1)) - 1], table[ident][language])


def pieces(text):
    """A text cut at its arguments and line ends."""
    return [piece.strip() for piece in re.split(r"\{[1-9]\}|\n", text)]


def fragments(table, language):
    """The pieces of the language's texts that are no piece of the other language's (names,
    "[OPTION]... [FILE]...", the copyright line): English ones of two words at least, Japanese
    ones of two characters beyond ASCII at least."""
    other = {piece for row in table.values() for piece in pieces(row[1 - language])}
    found = set()
    for row in table.values():
        for piece in pieces(row[language]):
            wanted = (re.search(r"[A-Za-z]{2,}\W+[A-Za-z]{2,}", piece) if language == 0
                      else len([c for c in piece if ord(c) > 0x7F]) >= 2)
            if wanted and piece not in other:
                found.add(piece)
    return found


def columns(line):
    """The columns a line takes on a terminal, a full-width character counting two."""
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in line)
