"""HamQSL solar XML: solar indices, HF band and VHF conditions.

  /solarxml.php                            solar XML document             hamqsl

The real saved document with the update time set to now, the solar flux,
sunspots and indices drifting slowly and the band conditions following them;
its "No Report" placeholders stay as the service sends them.
"""

import math
import re
import time

from .common import Route

SCOPES = ("hamqsl",)
XML = "text/xml; charset=UTF-8"
WORDS = ("Poor", "Fair", "Good")


def config(base_url):
    return {"hamqsl_enabled": True, "hamqsl_url": base_url + "/solarxml.php"}


class Solar:
    def __init__(self, ctx):
        self.template = ctx.read_text("hamqsl/solarxml_2019_no_report_fields.xml")

    @staticmethod
    def tag(xml, name, value):
        return re.sub(r"<%s>[^<]*</%s>" % (name, name), "<%s>%s</%s>" % (name, value, name), xml, count=1)

    def answer(self, path, query):
        t = time.time()
        flux = int(round(110 + 40 * math.sin(t / 86400.0)))
        sunspots = max(0, int(round(flux - 60 + 10 * math.sin(t / 7200.0))))
        kindex = int(round(2 + 2 * math.sin(t / 10800.0)))
        xml = self.template
        xml = self.tag(xml, "updated", time.strftime(" %d %b %Y %H%M GMT", time.gmtime(t)))
        xml = self.tag(xml, "solarflux", str(flux))
        xml = self.tag(xml, "sunspots", str(sunspots))
        xml = self.tag(xml, "kindex", " %d" % kindex)
        xml = self.tag(xml, "aindex", " %d" % (4 + 3 * kindex))
        level = min(2, max(0, (flux - 80) // 30))

        def band(match):
            name, when = match.group(1), match.group(2)
            shift = {"80m-40m": 1, "30m-20m": 0, "17m-15m": 0, "12m-10m": -1}.get(name, 0)
            shift += 1 if (when == "night") == (name == "80m-40m") else 0
            return '<band name="%s" time="%s">%s</band>' % (name, when, WORDS[max(0, min(2, level + shift - 1))])

        xml = re.sub(r'<band name="([^"]+)" time="([^"]+)">[^<]*</band>', band, xml)
        return 200, XML, xml


def routes(ctx):
    return [Route("/solarxml.php", "hamqsl", Solar(ctx).answer)]
