"""What the sample-service modules share: the route record and the context."""

import collections
import json
import os
import time

# GET path answered by handler(path, query) -> (status, content type, body);
# with prefix=True every path below path (path ends with "/").
Route = collections.namedtuple("Route", "path area handler prefix")
Route.__new__.__defaults__ = (False,)

HTML = "text/html; charset=UTF-8"
JSON = "application/json"


def not_found_page():
    return "<html><body><h1>404 Not Found</h1></body></html>\n"


def html_escape(text, quote=False):
    text = str(text).replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
    return text.replace("'", "&#39;") if quote else text


class Context:
    """Handed to every module's routes(): command line, data folder, operators."""

    def __init__(self, args):
        self.args = args
        self.data_dir = args.data_dir
        self.started = time.time()
        self._stations = None

    def read_text(self, rel):
        """A file under the data folder as text (UTF-8)."""
        with open(os.path.join(self.data_dir, rel), "rb") as f:
            return f.read().decode("utf-8")

    @property
    def stations(self):
        """The simulated operators of sample_dashboard/stations.json (read once)."""
        if self._stations is None:
            self._stations = json.loads(self.read_text("sample_dashboard/stations.json"))
        return self._stations
