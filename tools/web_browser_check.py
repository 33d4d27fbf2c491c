#!/usr/bin/env python3
"""Drives the settings page with a real browser (headless Chromium over its
DevTools pipe, no extra Python modules):

  web_browser_check.py --base http://127.0.0.1:PORT --password PW \\
      --config RUN_DIR/sdcard/config.json [--shots docs/]

Signs in through the login form, checks the status page, changes
refresh_ms and the weather section through the settings form, checks that
the answer lists the changes and that config.json holds them, and with
--shots stores screenshots of the status and settings pages
(screenshot-web-status.png, screenshot-web-settings.png). Exit 0 when every
step worked, 1 with the failing step otherwise.
"""

import argparse
import base64
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

STEP_TIMEOUT_S = 30


class Browser:
    """One headless Chromium with one page, driven over --remote-debugging-pipe."""

    def __init__(self, binary):
        self.profile = tempfile.mkdtemp(prefix="qsodeck-chromium-")
        to_chrome_r, self.to_chrome = os.pipe()
        self.from_chrome, from_chrome_w = os.pipe()
        # Chromium reads commands from fd 3 and writes answers to fd 4.
        self.proc = subprocess.Popen(
            [binary, "--headless", "--no-sandbox", "--disable-gpu", "--remote-debugging-pipe",
             "--no-first-run", "--disable-extensions", "--user-data-dir=" + self.profile,
             "--window-size=900,1400", "about:blank"],
            pass_fds=(3, 4), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=lambda: (os.dup2(to_chrome_r, 3), os.dup2(from_chrome_w, 4)))
        os.close(to_chrome_r)
        os.close(from_chrome_w)
        self.next_id = 0
        self.buffer = b""
        self.session = None
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        self.call("Page.enable")

    def _read_message(self, deadline):
        while b"\0" not in self.buffer:
            if time.time() > deadline:
                raise RuntimeError("the browser did not answer")
            chunk = os.read(self.from_chrome, 65536)
            if not chunk:
                raise RuntimeError("the browser closed its pipe")
            self.buffer += chunk
        raw, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(raw)

    def call(self, method, params=None, wait_event=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if self.session and not method.startswith("Target."):
            message["sessionId"] = self.session
        os.write(self.to_chrome, json.dumps(message).encode() + b"\0")
        deadline = time.time() + STEP_TIMEOUT_S
        result = None
        seen_event = wait_event is None
        while result is None or not seen_event:
            m = self._read_message(deadline)
            if m.get("id") == self.next_id:
                if "error" in m:
                    raise RuntimeError("%s: %s" % (method, m["error"]))
                result = m.get("result", {})
            elif wait_event and m.get("method") == wait_event:
                seen_event = True
        return result

    def open(self, url):
        self.call("Page.navigate", {"url": url}, wait_event="Page.loadEventFired")

    def run(self, script, wait_for_load=False):
        """Evaluates script in the page (DevTools runs it regardless of the
        page's own script policy); with wait_for_load waits for the next page."""
        r = self.call("Runtime.evaluate", {"expression": script, "returnByValue": True},
                      wait_event="Page.loadEventFired" if wait_for_load else None)
        return r.get("result", {}).get("value")

    def text(self):
        return self.run("document.body.innerText")

    def screenshot(self, path, max_height=2400):
        height = min(int(self.run("Math.ceil(document.documentElement.scrollHeight)")), max_height)
        shot = self.call("Page.captureScreenshot", {
            "format": "png", "captureBeyondViewport": True,
            "clip": {"x": 0, "y": 0, "width": 900, "height": height, "scale": 1}})
        with open(path, "wb") as f:
            f.write(base64.b64decode(shot["data"]))

    def close(self):
        try:
            self.call("Browser.close")
        except RuntimeError:
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
        shutil.rmtree(self.profile, ignore_errors=True)


def step(ok, what):
    if not ok:
        print("FAILED: " + what)
        sys.exit(1)
    print("ok: " + what)


def fill_and_submit(values):
    """A script that sets form fields by name (checkboxes by true/false) and
    submits their form through its button, as a user does."""
    return """(() => {
      const values = %s;
      let form = null;
      for (const [name, value] of Object.entries(values)) {
        const inputs = document.getElementsByName(name);
        const input = Array.from(inputs).find(i => i.type !== 'hidden');
        if (!input) throw new Error('no field ' + name);
        if (input.type === 'checkbox') input.checked = value; else input.value = value;
        form = input.form;
      }
      form.querySelector('button').click();
      return true;
    })()""" % json.dumps(values)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--base", required=True)
    ap.add_argument("--password", required=True)
    ap.add_argument("--config", required=True)
    ap.add_argument("--shots")
    ap.add_argument("--chromium", default=shutil.which("chromium") or shutil.which("chromium-browser"))
    a = ap.parse_args()
    if not a.chromium:
        print("FAILED: chromium is not installed (tools/install_deps.sh installs it)")
        return 1
    browser = Browser(a.chromium)
    try:
        browser.open(a.base + "/")
        step(browser.run("location.pathname") == "/login", "without a session the browser lands on /login")
        browser.run(fill_and_submit({"password": a.password}), wait_for_load=True)
        step(browser.run("location.pathname") == "/", "signed in, the status page opens")
        text = browser.text()
        step("Hotspot" in text and "Weather" in text and "Uptime" in text, "status page lists sources and program")
        if a.shots:
            browser.run("new Promise(r => { const i = document.querySelector('img.screen');"
                        " if (i.complete) r(1); else i.onload = () => r(1); })")
            browser.screenshot(os.path.join(a.shots, "screenshot-web-status.png"))

        browser.open(a.base + "/settings")
        step("Settings" in browser.text(), "settings page opens")
        browser.run(fill_and_submit({"refresh_ms": "2000", "weather_enabled": True, "weather_lat": "52.52",
                                     "weather_lon": "13.40", "weather_refresh_minutes": "0",
                                     "weather_api_key": "browser-key-123"}), wait_for_load=True)
        text = browser.text()
        step("Saved and applied." in text, "the save is applied")
        step("refresh_ms: 1500 -> 2000" in text and "weather_lat: " in text and "weather_api_key: changed" in text,
             "the answer lists what changed")
        step("weather_refresh_minutes became \"1\"" in text, "a clamped value comes back with its new value")
        step("browser-key-123" not in browser.run("document.documentElement.outerHTML"),
             "the new secret is not shown back")
        with open(a.config) as f:
            saved = json.load(f)
        step(saved.get("refresh_ms") == 2000 and saved.get("weather_enabled") is True and
             saved.get("weather_lat") == "52.52" and saved.get("weather_api_key") == "browser-key-123",
             "config.json holds the new values")
        if a.shots:
            browser.screenshot(os.path.join(a.shots, "screenshot-web-settings.png"), max_height=1300)
        browser.run(fill_and_submit({"refresh_ms": "fast"}), wait_for_load=True)
        step("refresh_ms must be a whole number" in browser.text(), "a refused value says why")
        with open(a.config) as f:
            step(json.load(f).get("refresh_ms") == 2000, "nothing was saved with the refused value")
    finally:
        browser.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
