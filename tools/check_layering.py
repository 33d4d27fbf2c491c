#!/usr/bin/env python3
"""Checks the layering of the program's sources: includes and definitions.

  python3 tools/check_layering.py [repo_dir]
  python3 tools/check_layering.py --self-test   (the checker finds each fault)

Fails (exit 1, one line per finding) when
  - a data file includes a ui/ header: every file of hotspot/, enrichment/,
    network/ and actions/, and the data files of a watch source
    (watch/<source>/<source>.h/.cpp; only <source>_page.* may draw);
  - a file outside host/ includes curl/curl.h (host/ owns the HTTP transport);
  - a file outside host/ includes a libssh/ header (host/ owns the SSH transport);
  - a file outside host/ includes httplib.h (host/ owns the HTTP listener; the
    pages in web/ see only its plain request records);
  - the folders of the library include each other in a cycle;
  - a file outside app/ and host/ includes an app/ header (app/ is the top:
    start-up, the main cycle, the configuration apply and the source table);
  - a function declared in a folder's header is defined in another folder
    and nowhere in its own (a lower folder calling up through a header of
    its own); the headers in DEFINED_ABOVE are the listed exceptions.
"""

import os
import re
import sys

FOLDERS = ("host", "core", "hotspot", "enrichment", "network", "actions", "ui", "watch", "web", "app")
DATA_FOLDERS = ("hotspot", "enrichment", "network", "actions")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')

# Headers whose functions are defined in a higher folder on purpose: the
# callbacks of the layering, each with its reason.
DEFINED_ABOVE = {
    "host/firmware.h": "the host runs the firmware: setup, loop and the idle wait are defined in app/, "
                       "the redraw flags in core/",
    "hotspot/heard_enrichment.h": "the heard data's port to the operator and target-name lookups, "
                                  "defined in enrichment/ (which reads the heard records)",
}
KEYWORDS = {"if", "for", "while", "switch", "return", "sizeof", "decltype", "operator", "static_assert",
            "alignas", "bool", "int", "void", "char", "auto"}
TRAILING_NAME = re.compile(r"([A-Za-z_]\w*(?:\s*::\s*[A-Za-z_~]\w*)*)\s*$")


def sources(repo):
    for folder in FOLDERS:
        for root, _, files in os.walk(os.path.join(repo, folder)):
            for name in sorted(files):
                if name.endswith((".h", ".cpp")):
                    path = os.path.join(root, name)
                    yield os.path.relpath(path, repo), path


def includes(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = INCLUDE.match(line)
            if m:
                yield m.group(1)


def strip_code(text):
    """The text without comments, string and character literals and
    preprocessor lines (their places kept as blanks)."""
    out = []
    i, n, line_start = 0, len(text), True
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            i = n if j < 0 else j + 2
            out.append(" ")
            continue
        if c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
            line_start = False
            continue
        if c == "#" and line_start:
            while True:
                k = text.find("\n", i)
                if k < 0:
                    i = n
                    break
                if text[k - 1] != "\\":
                    i = k
                    break
                i = k + 1
            continue
        if c == "\n":
            line_start = True
        elif not c.isspace():
            line_start = False
        out.append(c)
        i += 1
    return "".join(out)


def function_name(head):
    """The name a declaration or definition head introduces, or None for
    anything else (variables, calls, methods, function pointers, typedefs)."""
    head = " ".join(head.split())
    if not head or head.startswith(("typedef", "using", "template", "static ", "friend")):
        return None
    paren = head.find("(")
    if paren <= 0:
        return None
    before = head[:paren]
    if "=" in before or "(" in before:
        return None
    m = TRAILING_NAME.search(before)
    if not m:
        return None
    name = m.group(1).replace(" ", "")
    if "::" in name or name in KEYWORDS or not before[:m.start()].strip():
        return None
    if head[paren + 1:].lstrip().startswith("*"):
        return None
    return name


def declared_and_defined(text):
    """(names declared, names defined) at namespace scope, leaving out the
    file-local ones of anonymous namespaces."""
    text = strip_code(text)
    declared, defined = set(), set()
    i, n, head_start, anonymous, scopes = 0, len(text), 0, 0, []
    while i < n:
        c = text[i]
        if c == ";":
            name = function_name(text[head_start:i])
            if name and not anonymous:
                declared.add(name)
            head_start = i + 1
        elif c == "{":
            head = " ".join(text[head_start:i].split())
            if re.fullmatch(r'(inline\s+)?namespace(\s+\w+)?|extern\s*""', head):
                scopes.append(head.endswith("namespace"))
                anonymous += scopes[-1]
                head_start = i + 1
            else:
                if re.search(r"\)\s*:", head):  # constructor initialiser list
                    head = head[:re.search(r"\)\s*:", head).start() + 1]
                name = function_name(head)
                if name and not anonymous:
                    defined.add(name)
                depth = 1
                i += 1
                while i < n and depth:
                    depth += {"{": 1, "}": -1}.get(text[i], 0)
                    i += 1
                head_start = i
                continue
        elif c == "}":
            if scopes:
                anonymous -= scopes.pop()
            head_start = i + 1
        i += 1
    return declared, defined


def definitions_outside(repo):
    """Findings of the rule: declared in a folder's header, defined only in
    other folders."""
    declared, defined = {}, {}
    for rel, path in sources(repo):
        with open(path, encoding="utf-8", errors="replace") as f:
            names, bodies = declared_and_defined(f.read())
        if rel.endswith(".h"):
            for name in names | bodies:
                declared.setdefault(name, []).append(rel)
        for name in bodies:
            defined.setdefault(name, []).append(rel)
    findings = []
    for name, headers in sorted(declared.items()):
        for header in headers:
            if header.replace(os.sep, "/") in DEFINED_ABOVE:
                continue
            folder = header.split(os.sep)[0]
            where = defined.get(name, [])
            if where and all(w.split(os.sep)[0] != folder for w in where):
                findings.append("%s declares %s, defined in %s (a folder defines what its headers declare)"
                                % (header, name, ", ".join(where)))
    return findings


def is_watch_data_file(rel):
    parts = rel.split(os.sep)
    if len(parts) != 3 or parts[0] != "watch":
        return False
    stem = os.path.splitext(parts[2])[0]
    return stem == parts[1]


def find_cycle(edges):
    """One folder cycle as a list, or None."""
    state = {}
    stack = []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == "open":
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = "done"
        return None

    for node in sorted(edges):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def check(repo):
    findings = []
    edges = {}
    for rel, path in sources(repo):
        folder = rel.split(os.sep)[0]
        for inc in includes(path):
            top = inc.split("/")[0]
            if inc == "curl/curl.h" and folder != "host":
                findings.append("%s includes curl/curl.h (only host/ talks to libcurl)" % rel)
            if inc == "httplib.h" and folder != "host":
                findings.append("%s includes httplib.h (only host/ runs the HTTP listener)" % rel)
            if top == "libssh" and folder != "host":
                findings.append("%s includes %s (only host/ talks to libssh)" % (rel, inc))
            if top == "ui" and (folder in DATA_FOLDERS or is_watch_data_file(rel)):
                findings.append("%s includes %s (data code draws nothing)" % (rel, inc))
            if top == "app" and folder not in ("app", "host"):
                findings.append("%s includes %s (nothing below the top includes app/)" % (rel, inc))
            if top in FOLDERS and top != folder:
                edges.setdefault(folder, set()).add(top)
    cycle = find_cycle(edges)
    if cycle:
        findings.append("folders include each other in a cycle: " + " -> ".join(cycle))
    findings.extend(definitions_outside(repo))
    return findings


def self_test():
    """Builds small trees with one fault each and expects exactly that finding."""
    import tempfile
    cases = {
        "hotspot/a.cpp": ('#include "ui/draw.h"\n', "data code draws nothing"),
        "watch/wx/wx.cpp": ('#include "ui/draw.h"\n', "data code draws nothing"),
        "watch/wx/wx_page.cpp": ('#include "ui/draw.h"\n', None),
        "core/b.cpp": ("#include <curl/curl.h>\n", "only host/"),
        "host/c.cpp": ("#include <curl/curl.h>\n", None),
        "actions/e.cpp": ("#include <libssh/libssh.h>\n", "only host/ talks to libssh"),
        "host/f.cpp": ("#include <libssh/libssh.h>\n", None),
        "web/g.cpp": ("#include <httplib.h>\n", "only host/ runs the HTTP listener"),
        "host/h.cpp": ("#include <httplib.h>\n", None),
        "ui/d.cpp": ('#include "watch/wx/wx_page.h"\n', "cycle"),
        "watch/wx/wx_page.cpp": ('#include "app/app.h"\n', "nothing below the top includes app/"),
        "host/g.cpp": ('#include "app/app.h"\n', None),
        # core/base.h declares tick(); a definition in ui/ alone is a call up.
        "ui/tick.cpp": ("// void tick() {}\nnamespace {\nvoid tick() {}\n}\nint tick() { return 0; }\n",
                        "core/base.h declares tick"),
        "core/tick.cpp": ("int tick() { return 0; }\n", None),
    }
    base_files = (("ui/base.h", '#include "core/x.h"\n'), ("watch/base.h", '#include "ui/y.h"\n'),
                  ("core/base.h", "// One tick.\nint tick();\nstruct Row {\n  void (*run)();\n};\n"),
                  # The listed exceptions hold in every case.
                  ("host/firmware.h", "void setup();\n"), ("app/app.cpp", "void setup() {}\n"),
                  ("hotspot/heard_enrichment.h", "void lookUp();\n"), ("enrichment/e.cpp", "void lookUp() {}\n"))
    ok = True
    for rel, (text, expected) in cases.items():
        with tempfile.TemporaryDirectory() as repo:
            for other, body in base_files:
                os.makedirs(os.path.join(repo, os.path.dirname(other)), exist_ok=True)
                with open(os.path.join(repo, other), "w") as f:
                    f.write(body)
            os.makedirs(os.path.join(repo, os.path.dirname(rel)), exist_ok=True)
            with open(os.path.join(repo, rel), "a") as f:
                f.write(text)
            findings = check(repo)
            hit = any(expected in line for line in findings) if expected else not findings
            if not hit or (expected and len(findings) != 1):
                print("self-test: %s gave %r" % (rel, findings))
                ok = False
    print("self-test ok" if ok else "self-test FAILED")
    return 0 if ok else 1


def main(argv):
    if len(argv) > 1 and argv[1] == "--self-test":
        return self_test()
    repo = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    findings = check(os.path.abspath(repo))
    for line in findings:
        print(line)
    if findings:
        return 1
    print("layering ok")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
