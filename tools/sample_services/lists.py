"""List site: talkgroup and reflector list pages.

  /digital-radio-lists/<list>/             brandmeister-talkgroups,       lists
                                           p25-, nxdn-, ysf-, xlx-reflectors

Built at start from the real host files under tests/data/targetlists/, in
the list site's page layout; unknown lists answer 404.
"""

import json

from .common import HTML, Route, html_escape, not_found_page

SCOPES = ("lists",)
PREFIX = "/digital-radio-lists/"


def config(base_url):
    return {"target_list_lookup_enabled": True, "target_list_base_url": base_url + PREFIX}


def talkgroup_page(ctx):
    """The talkgroup page of the list site, filled with every BrandMeister
    talkgroup of the host-file set, so each talkgroup of the sample traffic
    has its name. The page keeps the real page's layout and row markup."""
    page = ctx.read_text("targetlists/brandmeister_talkgroups_page.html")
    try:
        groups = json.loads(ctx.read_text("targetlists/wpsd_hostfiles_2023_BM_TGs.json"))
    except (OSError, ValueError):
        return page
    start = page.find("<tbody>")
    end = page.find("</tbody>")
    if start < 0 or end < start or not isinstance(groups, dict):
        return page
    rows = ['<tr><td data-label="Talkgroup">%s</td><td data-label="Talkgroup Name">%s</td></tr>'
            % (html_escape(k), html_escape(v)) for k, v in sorted(groups.items(), key=lambda kv: int(kv[0]))
            if str(k).isdigit() and v]
    return page[:start + len("<tbody>")] + "\n" + "\n".join(rows) + "\n" + page[end:]


def list_page(title, heads, rows):
    esc = lambda s: html_escape(s, quote=True)
    body = "\n".join('<tr><td data-label="%s">%s</td><td data-label="%s">%s</td></tr>'
                     % (heads[0], esc(k), heads[1], esc(n)) for k, n in rows)
    return ("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>%s</title>\n"
            "</head>\n<body>\n<main>\n<h1>%s</h1>\n<table class=\"sortable\">\n<thead>\n"
            "<tr><th>%s</th><th>%s</th></tr>\n</thead>\n<tbody>\n%s\n</tbody>\n</table>\n</main>\n"
            "</body>\n</html>\n" % (title, title, heads[0], heads[1], body))


REFLECTOR_LISTS = (
    ("p25-reflectors", "P25 Reflectors", "targetlists/wpsd_hostfiles_2023_TGList_P25.txt", ("Reflector", "Name")),
    ("nxdn-reflectors", "NXDN Reflectors", "targetlists/wpsd_hostfiles_2023_TGList_NXDN.txt", ("Reflector", "Name")),
    ("ysf-reflectors", "YSF Reflectors", "targetlists/wpsd_hostfiles_2023_YSF_Hosts.txt", ("ID", "Name")),
    ("xlx-reflectors", "XLX Reflectors", "targetlists/wpsd_hostfiles_2023_XLXHosts.txt", ("Reflector", "Name")),
)


def reflector_rows(ctx, path, rel):
    rows = []
    for line in ctx.read_text(rel).splitlines():
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        cells = [c.strip() for c in line.split(";")]
        if path == "xlx-reflectors":
            key, name = "XLX" + cells[0], "XLX" + cells[0] + " (" + (cells[1] if len(cells) > 1 else "") + ")"
        elif path == "ysf-reflectors":
            key, name = cells[0], (cells[2] if len(cells) > 2 else cells[-1])
        else:
            key, name = cells[0], (cells[1] if len(cells) > 1 else "")
        rows.append((key, name))
    return rows


def build_lists(ctx):
    lists = {"brandmeister-talkgroups": talkgroup_page(ctx)}
    for path, title, rel, heads in REFLECTOR_LISTS:
        lists[path] = list_page(title, heads, reflector_rows(ctx, path, rel))
    return lists


def routes(ctx):
    pages = build_lists(ctx)

    def answer(path, query):
        name = path[len(PREFIX):].strip("/")
        if name in pages:
            return 200, HTML, pages[name]
        return 404, "text/html", not_found_page()

    return [Route(PREFIX, "lists", answer, prefix=True)]
