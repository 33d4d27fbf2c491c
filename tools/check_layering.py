#!/usr/bin/env python3
"""Checks the include layering of the program's sources.

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
  - the folders of the library include each other in a cycle.
"""

import os
import re
import sys

FOLDERS = ("host", "core", "hotspot", "enrichment", "network", "actions", "ui", "watch", "web")
DATA_FOLDERS = ("hotspot", "enrichment", "network", "actions")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')


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
            if top in FOLDERS and top != folder:
                edges.setdefault(folder, set()).add(top)
    cycle = find_cycle(edges)
    if cycle:
        findings.append("folders include each other in a cycle: " + " -> ".join(cycle))
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
        "host/g.cpp": ("#include <httplib.h>\n", None),
        "ui/d.cpp": ('#include "watch/wx/wx_page.h"\n', "cycle"),
    }
    ok = True
    for rel, (text, expected) in cases.items():
        with tempfile.TemporaryDirectory() as repo:
            for other, body in (("ui/base.h", '#include "core/x.h"\n'), ("watch/base.h", '#include "ui/y.h"\n')):
                os.makedirs(os.path.join(repo, os.path.dirname(other)), exist_ok=True)
                with open(os.path.join(repo, other), "w") as f:
                    f.write(body)
            os.makedirs(os.path.join(repo, os.path.dirname(rel)), exist_ok=True)
            with open(os.path.join(repo, rel), "w") as f:
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
