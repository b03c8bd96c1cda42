"""Generated faults for scripts/faults: one-line changes made by mechanical rules.

Every candidate site of every rule in the product's sources is listed; a seed then
draws N of them uniformly. A site changes one line into another; the rules:

  compare    an operator written with spaces around it flipped or relaxed:
             == and != swapped, < and <=, > and >= swapped
  boundary   an integer literal in a comparison or an index moved by one (+1, -1)
  negate     a '!' dropped, true and false swapped, && and || swapped
  delete     a whole simple statement line deleted (a call, an assignment, an
             increment, break or continue; never a declaration or a return)
  swap       two adjacent arguments of a call swapped when both are of one kind
             (plain names, integer literals or string literals), except in calls
             that are symmetric (EqualsNoCase, min, max)
  constant   a string literal changed (a character added) or an integer literal
             outside comparisons and indexes increased by one
  neutral    a returned value replaced by the value-initialised one: 'return {};'
             (false, 0, nullptr or empty, as the function's type makes it)

Comment lines, preprocessor lines, the text after '//' and the contents of string
literals (for every rule but constant) are left alone.
"""
import pathlib
import random
import re

PRODUCT_DIRS = ("app", "log", "db", "schema", "accounts", "cli", "base")

# Literals first so that an operator inside a string never matches.
STRING = r'"(?:[^"\\]|\\.)*"'
CHAR = r"'(?:[^'\\]|\\.)*'"
INTEGER = r"\b(?:0[xX][0-9a-fA-F]+|[0-9]+)(?:[uUlL]*)\b(?!\.)"
COMPARE = {" == ": " != ", " != ": " == ", " < ": " <= ", " <= ": " < ", " > ": " >= ", " >= ": " > "}
KEYWORDS = {"return", "using", "typedef", "friend", "static_assert", "template", "class", "struct",
            "enum", "namespace", "case", "default", "public", "private", "protected", "goto",
            "co_return", "co_yield", "explicit", "virtual", "const", "constexpr", "static", "auto",
            "inline", "extern", "mutable", "volatile", "unsigned", "signed", "long", "short",
            "int", "char", "bool", "void", "double", "float", "operator", "new", "else", "do",
            "Q_OBJECT", "Q_DISABLE_COPY", "Q_DISABLE_COPY_MOVE", "Q_DECLARE_FLAGS"}
# Calls whose two arguments may change places without changing the result.
SYMMETRIC = {"EqualsNoCase", "min", "max", "swap"}
NEUTRAL = {"{}", "false", "0", "nullptr", '""', "QString()", "std::string()"}


def product_files(root):
    files = []
    for d in PRODUCT_DIRS:
        for path in sorted((root / d).rglob("*")):
            if path.suffix in (".cpp", ".h") and path.is_file():
                files.append(path)
    return files


def code_spans(line):
    """(start, end, kind) pieces of one line: 'code', 'string' or 'char'; a '//'
    comment ends the line."""
    spans, pos = [], 0
    pattern = re.compile(rf"({STRING})|({CHAR})|(//)")
    for m in pattern.finditer(line):
        if m.start() > pos:
            spans.append((pos, m.start(), "code"))
        if m.group(3):
            return spans
        spans.append((m.start(), m.end(), "string" if m.group(1) else "char"))
        pos = m.end()
    if pos < len(line):
        spans.append((pos, len(line), "code"))
    return spans


def code_only(line):
    """The line with string and character literals blanked and any comment cut."""
    out = []
    for start, end, kind in code_spans(line):
        out.append(line[start:end] if kind == "code" else kind[0] * (end - start))
    return "".join(out)


def replace_at(line, start, end, text):
    return line[:start] + text + line[end:]


def compare_sites(line, code):
    for op, new in COMPARE.items():
        for m in re.finditer(re.escape(op), code):
            yield "compare", replace_at(line, m.start(), m.end(), new)


def in_boundary_context(code, pos):
    """An integer at pos belongs to a comparison or an index."""
    before = code[:pos]
    if before.count("[") > before.count("]"):
        return True
    return any(op in code for op in COMPARE)


def integer_value(text):
    digits = text.rstrip("uUlL")
    return int(digits, 16) if digits[:2].lower() == "0x" else int(digits), text[len(digits):], digits[:2].lower() == "0x"


def integer_text(value, suffix, hexa):
    return (hex(value) if hexa else str(value)) + suffix


def integer_sites(line, code):
    for m in re.finditer(INTEGER, code):
        # Parts of names (x2), of floating literals (1.5, 1e3) and digit separators are not integers.
        if m.start() > 0 and (code[m.start() - 1].isalnum() or code[m.start() - 1] in "_.'"):
            continue
        if m.end() < len(code) and code[m.end()] in ".eE'":
            continue
        value, suffix, hexa = integer_value(m.group())
        if in_boundary_context(code, m.start()):
            for delta in (1, -1):
                if value + delta >= 0:
                    yield "boundary", replace_at(line, m.start(), m.end(), integer_text(value + delta, suffix, hexa))
        else:
            yield "constant", replace_at(line, m.start(), m.end(), integer_text(value + 1, suffix, hexa))


def negate_sites(line, code):
    for m in re.finditer(r"!(?!=)", code):
        yield "negate", replace_at(line, m.start(), m.end(), "")
    for m in re.finditer(r"\b(true|false)\b", code):
        yield "negate", replace_at(line, m.start(), m.end(), "false" if m.group() == "true" else "true")
    for m in re.finditer(r" (&&|\|\|) ", code):
        yield "negate", replace_at(line, m.start(), m.end(), " || " if m.group(1) == "&&" else " && ")


def string_sites(line):
    for start, end, kind in code_spans(line):
        if kind == "string":
            yield "constant", replace_at(line, end - 1, end, 'X"')


LVALUE = r"(?:\*|\+\+|--)?[A-Za-z_][\w]*(?:(?:\.|->|::)[A-Za-z_]\w*|\[[^\]]*\])*"
CALL = rf"{LVALUE}(?:<[^;]*>)?\(.*\)(?:(?:\.|->)[A-Za-z_]\w*\(.*\))*"
STATEMENT = re.compile(rf"^(?:{CALL}|{LVALUE} (?:=|\+=|-=|\*=|/=|\|=|&=|<<=|>>=) .+|{LVALUE}(?:\+\+|--)|(?:\+\+|--){LVALUE}|break|continue|(?:std::)?ignore = .+);$")


def is_simple_statement(code, previous):
    """A whole statement on this line that is not a declaration."""
    text = code.strip()
    if not text.endswith(";") or text.count("(") != text.count(")") or text.count("{") != text.count("}"):
        return False
    first = re.match(r"[A-Za-z_]\w*", text)
    if first and first.group() in KEYWORDS:
        return False
    if previous and not previous.rstrip().endswith((";", "{", "}", ":")):
        return False  # the continuation of a statement that began above
    return bool(STATEMENT.match(text))


def split_arguments(code, open_pos):
    """Top-level arguments of the call whose '(' is at open_pos: (start, end) pairs,
    or None when the list does not close on this line."""
    depth, start, args = 0, open_pos + 1, []
    for i in range(open_pos, len(code)):
        c = code[i]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
            if depth == 0:
                args.append((start, i))
                return args
        elif c == "," and depth == 1:
            args.append((start, i))
            start = i + 1
    return None


def argument_kind(text):
    text = text.strip()
    if re.fullmatch(r"[A-Za-z_]\w*", text) and text not in ("true", "false", "nullptr"):
        return "name"
    if re.fullmatch(r"[0-9]+", text):
        return "integer"
    if re.fullmatch(STRING, text):
        return "string"
    return None


def swap_sites(line, code):
    for m in re.finditer(r"([A-Za-z_]\w*)\s*\(", code):
        if m.group(1) in SYMMETRIC:
            continue
        args = split_arguments(code, m.end() - 1)
        if not args or len(args) < 2:
            continue
        for (a0, a1), (b0, b1) in zip(args, args[1:]):
            first, second = line[a0:a1], line[b0:b1]
            kind = argument_kind(first)
            if kind and kind == argument_kind(second) and first.strip() != second.strip():
                swapped = line[:a0] + first.replace(first.strip(), second.strip()) + "," \
                    + second.replace(second.strip(), first.strip()) + line[b1:]
                yield "swap", swapped


def neutral_sites(line, code):
    m = re.match(r"^(\s*)return (.+);\s*$", code)
    if m and m.group(2).strip() not in NEUTRAL and code.count("(") == code.count(")"):
        yield "neutral", m.group(1) + "return {};"


def line_sites(line, previous):
    code = code_only(line)
    yield from compare_sites(line, code)
    yield from integer_sites(line, code)
    yield from negate_sites(line, code)
    yield from string_sites(line)
    yield from swap_sites(line, code)
    yield from neutral_sites(line, code)
    if is_simple_statement(code, previous):
        yield "delete", ""


def candidates(root):
    """Every site: dicts with file (relative), line (1-based), rule, before, after."""
    sites = []
    for path in product_files(root):
        in_comment, previous = False, ""
        for number, line in enumerate(path.read_text().splitlines(), 1):
            stripped = line.strip()
            if in_comment:
                in_comment = "*/" not in stripped
                continue
            if stripped.startswith("/*"):
                in_comment = "*/" not in stripped
                continue
            if not stripped or stripped.startswith(("//", "#", "*")):
                continue
            for rule, after in line_sites(line, previous):
                if after != line:
                    sites.append({"file": str(path.relative_to(root)), "line": number,
                                  "rule": rule, "before": line, "after": after})
            previous = code_only(line)
    return sites


def draw(root, count, seed):
    sites = candidates(root)
    return random.Random(seed).sample(sites, min(count, len(sites))), len(sites)


def read_equivalents(path):
    """Blocks of 'file:', 'before:', 'after:' and 'why:' lines, blank lines between;
    before and after are the whole lines, compared without surrounding blanks. An
    optional 'line:' names the line where the same text stands more than once."""
    known, current = set(), {}
    if not path.exists():
        return known
    for number, raw in enumerate(path.read_text().splitlines() + [""], 1):
        if raw.startswith("#"):
            continue
        if not raw.strip():
            if current:
                if set(current) - {"line"} != {"file", "before", "after", "why"}:
                    raise SystemExit(f"{path}:{number}: an equivalent needs file, before, after and why")
                line = int(current["line"]) if "line" in current else None
                known.add((current["file"], current["before"].strip(), current["after"].strip(), line))
                current = {}
            continue
        key, _, value = raw.partition(":")
        current[key] = value[1:] if value.startswith(" ") else value
    return known


def is_equivalent(site, known):
    key = (site["file"], site["before"].strip(), site["after"].strip())
    return key + (None,) in known or key + (site["line"],) in known
