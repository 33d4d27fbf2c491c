"""SvxLink node: dashboard page, its AJAX fragments and a JSON bridge.

  /index.php               the whole dashboard page (original hotspot style:   svxlink
                           "SVXLink Info", talkgroups, radio status, reflector,
                           "SVXReflector Activity" table)
  /include/status.php      the status fragment of the V2 dashboard             svxlink
  /include/lh.php          the last-heard fragment of the V2 dashboard         svxlink
  /api/display-json.php    a JSON bridge: {"node": {...}, "last_heard": [...]} svxlink

Talkers come from the simulated operators (so RadioID knows their names) on
real-looking reflector talkgroups; a new transmission starts every --svx-period
seconds (default --period). While it lasts the node transmits (radio status TX,
the TX icon on its row) or, for a local caller, receives (RX); between
transmissions it is listening. The pages are the real dashboard pages of
tests/data/svxlink/ with their status cells and rows replaced.
"""

import json
import random
import time

from .common import HTML, JSON, Route, html_escape

SCOPES = ("svxlink",)
ROWS = 12

# Reflector talkgroups with the names dashboards show ("" = no name, "------").
TALKGROUPS = (
    ("260", "FM Ogólnopolski"), ("26021", "FM SR2TO Toruń"), ("235", "FM United Kingdom"),
    ("240", "SM Sverige"), ("262", "DL Deutschland"), ("2350", "UK Wide"), ("91", "World-wide"),
    ("206", "ON Belgium"), ("47669", ""), ("77", ""),
)
DEFAULT_TG = "260"
MONITOR_TGS = "260 26021++ 235 "
HS_PAGE = "svxlink/hs_dashboard_pi_index_tx_polish_tg_names.html"
V2_STATUS = "svxlink/dashboard_v2_status_fragment_tx.html"
V2_HEARD = "svxlink/dashboard_v2_lh_fragment_tx.html"
HEARD_HEADER_END = "<th>TG Name</th>\n    </tr>\n"
HEARD_TABLE_END = "  </table></form>"
TX_ICON = ('&nbsp;<img src=images/tx.gif height=21 alt=\'TXing\' title=\'TXing\' '
           'style="vertical-align: middle;">')


def add_arguments(parser):
    parser.add_argument("--svx-period", type=float, default=None,
                        help="seconds between new SvxLink transmissions (default: --period)")


def config(base_url):
    """The node, and its DTMF presets (SSH to the sample services' HTTP port:
    a confirmed preset ends at once with the program's SSH error)."""
    host_port = base_url.split("://", 1)[-1]
    presets = [{"enabled": True, "use_sudo": False, "label": "Link TG 260", "command": "echo '*91260#'"},
               {"enabled": True, "use_sudo": False, "label": "Disconnect", "command": "echo '#'"}]
    return {"svxlink_enabled": True, "svxlink_host": host_port, "svxlink_source": "url",
            "svxlink_api_path": "/index.php", "svxlink_ssh_enabled": True,
            "svxlink_ssh_port": int(host_port.rsplit(":", 1)[-1]), "svxlink_actions": presets}


class NodeTraffic:
    """Transmission k starts at start + k * period; drawn with a seeded RNG."""

    def __init__(self, stations, period, seed):
        self.stations = [st for st in stations if st["callsign"]]
        self.period = max(0.5, float(period))
        self.seed = seed
        self.start = time.time() - self.period * ROWS

    def _pick(self, k):
        rng = random.Random(self.seed * 7919 + k)
        st = self.stations[rng.randrange(len(self.stations))]
        tg, name = TALKGROUPS[rng.randrange(len(TALKGROUPS))]
        local = rng.random() < 0.25
        duration = rng.uniform(0.6, self.period * 0.8)
        return st, tg, name, local, duration

    def records(self, now=None):
        now = time.time() if now is None else now
        k = int((now - self.start) // self.period)
        out = []
        for i in range(k, k - ROWS, -1):
            st, tg, name, local, duration = self._pick(i)
            began = self.start + i * self.period
            out.append({"callsign": st["callsign"], "tg": tg, "name": name, "local": local, "began": began,
                        "active": i == k and (now - began) < duration})
        return out

    def radio_status(self, newest):
        if not newest["active"]:
            return "Listening"
        return "RX" if newest["local"] else "TX"


def replace_between(page, start_mark, end_mark, text, start_at=0):
    """page with the text between start_mark and the next end_mark replaced."""
    start = page.find(start_mark, start_at)
    end = page.find(end_mark, start + len(start_mark)) if start >= 0 else -1
    if start < 0 or end < 0:
        raise ValueError("sample page lacks %r ... %r" % (start_mark, end_mark))
    return page[:start + len(start_mark)] + text + page[end:]


def cell_after(page, header, value):
    """page with the value of the td after the th holding header replaced."""
    th = page.find(">%s</th>" % header)
    td = page.find("<td", th)
    return replace_between(page, ">", "</td>", value, td) if th >= 0 and td >= 0 else page


class Node:
    def __init__(self, ctx):
        args = ctx.args
        period = args.svx_period if args.svx_period is not None else args.period
        self.traffic = NodeTraffic(ctx.stations, period, args.seed)
        self.hs_page = ctx.read_text(HS_PAGE)
        self.v2_status = ctx.read_text(V2_STATUS)
        self.v2_heard = ctx.read_text(V2_HEARD)
        for page, mark in ((self.hs_page, HEARD_HEADER_END), (self.v2_heard, HEARD_HEADER_END)):
            if mark not in page or HEARD_TABLE_END not in page:
                raise ValueError("sample page lacks its last-heard table")

    @staticmethod
    def _row(r, stamp, v2):
        call = html_escape(r["callsign"])
        tg = r["tg"]
        icons = ("ON", "SVXRef") if v2 else ("volume_up", "cell_tower")
        name = html_escape(r["name"]) if r["name"] else "------"
        return ('<tr height=24px style="font-size:12.5px;>"><td align="left">&nbsp;%s</td>'
                '<td  align="left">&nbsp;&nbsp;<a href="http://www.qrz.com/db/%s" target="_blank" '
                'class="qrz_link"><b>%s</b></a>%s</td><td align="left">&nbsp;<span style="color:#b5651d;'
                'font-weight:bold;">%s</span></td><td><button type=submit id=jumptoM name=jmptoM '
                'class=monitor_id value="TG %s"><i class="material-icons"style="font-size:15px;">%s</i>'
                '</button></td><td><button type=submit id=jumptoA name=jmptoA class=active_id value="TG %s">'
                '<i class="material-icons"style="font-size:15px;">%s</i></button></td>'
                '<td style="font-weight:bold;color:#464646;">&nbsp;<b>%s</b></td></tr>\n'
                % (stamp, call, call, TX_ICON if r["active"] else "&nbsp;", tg, tg, icons[0], tg, icons[1], name))

    def _rows(self, records, v2):
        fmt = " %H:%M:%S " if v2 else "%H:%M:%S %d %b"
        return "".join(self._row(r, time.strftime(fmt, time.gmtime(r["began"])), v2) for r in records)

    def _status(self, page, records):
        newest = records[0]
        page = cell_after(page, "TG Default", DEFAULT_TG)
        page = cell_after(page, "TG Active", newest["tg"])
        page = cell_after(page, "TG Monitor", '<div style="white-space:normal;">%s%s</div>'
                          % (MONITOR_TGS, newest["tg"]))
        status = self.traffic.radio_status(newest)
        th = page.find(">Radio Status</th>")
        return replace_between(page, 'font-weight:bold;">', "</div>", status, page.find("<td", th))

    def dashboard(self, path, query):
        records = self.traffic.records()
        page = self._status(self.hs_page, records)
        page = page.replace("<th width=150px>Time (CET)</th>", "<th width=150px>Time (UTC)</th>")
        return 200, HTML, replace_between(page, HEARD_HEADER_END, HEARD_TABLE_END, self._rows(records, False))

    def status_fragment(self, path, query):
        return 200, HTML, self._status(self.v2_status, self.traffic.records())

    def heard_fragment(self, path, query):
        rows = self._rows(self.traffic.records(), True)
        return 200, HTML, replace_between(self.v2_heard, HEARD_HEADER_END, HEARD_TABLE_END, rows)

    def bridge(self, path, query):
        records = self.traffic.records()
        newest = records[0]
        heard = [{"time": time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(r["began"])), "callsign": r["callsign"],
                  "talkgroup": r["tg"], "tg_name": r["name"], "source": "RF" if r["local"] else "SVXRef",
                  "talking": r["active"]} for r in records]
        node = {"radio_status": self.traffic.radio_status(newest), "reflector": "Connected",
                "tg_default": DEFAULT_TG, "tg_active": newest["tg"]}
        return 200, JSON, json.dumps({"node": node, "last_heard": heard}, ensure_ascii=False,
                                     separators=(",", ":"))


def routes(ctx):
    node = Node(ctx)
    return [
        Route("/index.php", "svxlink", node.dashboard),
        Route("/include/status.php", "svxlink", node.status_fragment),
        Route("/include/lh.php", "svxlink", node.heard_fragment),
        Route("/api/display-json.php", "svxlink", node.bridge),
    ]
