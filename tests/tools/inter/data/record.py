#!/usr/bin/env python3
"""Records the browser folders kept here with the real Debian browsers.

    python3 record.py chromium  OUT   # chromium, into OUT/home
    python3 record.py firefox   OUT   # firefox-esr, into OUT/home

Each run starts the browser headless with a fresh HOME, serves a few local
pages from a private http.server, and drives the browser through its own
remote control (Chromium's DevTools over a pipe, Firefox's Marionette): it
visits pages, types into a form and sends it (saved form entries), downloads
two files (one through a redirect, so its chain has two addresses), and for
Firefox adds a bookmark and a keyword to visited pages. Then it quits the
browser its own way, so everything is written out. See README for what of
the home is kept and how the databases are made small.
"""
import http.server
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

PAGES = {
    "/a.html": "<title>Page A</title><link rel=icon href=/a.png><p>A <a href=/b.html>b</a>",
    "/b.html": "<title>Page B</title><p>B",
    "/c.html": "<title>Page C</title><p>C",
    "/form.html": ("<title>Form</title><form action=/sent.html method=get>"
                   "<input id=q name=q type=text autocomplete=on>"
                   "<input id=city name=city type=text autocomplete=on>"
                   "<input type=submit id=go></form>"),
    "/sent.html": "<title>Sent</title><p>sent",
}
PNG = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                    "1f15c4890000000d49444154789c6360f80f000001010000051b5c6a"
                    "0000000049454e44ae426082")


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        path = self.path.split("?")[0]
        if path in PAGES:
            return self.send(PAGES[path].encode(), "text/html")
        if path.endswith(".png"):
            return self.send(PNG, "image/png")
        if path == "/redirect":
            self.send_response(302)
            self.send_header("Location", "/file2.bin")
            self.end_headers()
            return
        if path.startswith("/file"):
            return self.send(b"x" * 4096, "application/octet-stream", attachment=path[1:])
        self.send_error(404)

    def send(self, body, kind, attachment=None):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        if attachment:
            self.send_header("Content-Disposition", "attachment; filename=" + attachment)
        self.end_headers()
        self.wfile.write(body)


def serve():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return "http://127.0.0.1:%d" % server.server_address[1]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# --- Chromium: DevTools protocol over --remote-debugging-pipe (fds 3 and 4) --

class Cdp:
    def __init__(self, home):
        # The pipe ends go to high numbers first, so moving them to 3 and 4
        # in the child never closes one another.
        to_child_r, self.to_child = os.pipe()
        self.from_child, from_child_w = os.pipe()
        to_child_r, from_child_w = os.dup2(to_child_r, 100), os.dup2(from_child_w, 101)

        def fds():
            os.dup2(to_child_r, 3)
            os.dup2(from_child_w, 4)

        env = dict(os.environ, HOME=home)
        self.proc = subprocess.Popen(
            ["chromium", "--headless=new", "--no-sandbox", "--remote-debugging-pipe",
             "--user-data-dir=" + home + "/.config/chromium", "--no-first-run",
             "--no-default-browser-check", "--password-store=basic", "about:blank"],
            env=env, pass_fds=(3, 4, to_child_r, from_child_w), preexec_fn=fds,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_child_r)
        os.close(from_child_w)
        self.buf = b""
        self.next_id = 0
        self.events = []

    def read(self):
        while b"\0" not in self.buf:
            chunk = os.read(self.from_child, 65536)
            if not chunk:
                raise RuntimeError("chromium went away")
            self.buf += chunk
        msg, self.buf = self.buf.split(b"\0", 1)
        return json.loads(msg)

    def call(self, method, params=None, session=None):
        self.next_id += 1
        msg = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            msg["sessionId"] = session
        os.write(self.to_child, json.dumps(msg).encode() + b"\0")
        while True:
            m = self.read()
            if m.get("id") == self.next_id:
                if "error" in m:
                    raise RuntimeError(method + ": " + str(m["error"]))
                return m.get("result", {})
            self.events.append(m)

    def wait_event(self, method, check=lambda p: True, timeout=30):
        end = time.time() + timeout
        while time.time() < end:
            for m in self.events:
                if m.get("method") == method and check(m.get("params", {})):
                    self.events.remove(m)
                    return m
            self.events.append(self.read())
        raise RuntimeError("no " + method)


def record_chromium(out, base):
    home = out + "/home"
    os.makedirs(home, exist_ok=True)
    downloads = out + "/downloads"
    os.makedirs(downloads, exist_ok=True)
    c = Cdp(home)
    target = c.call("Target.createTarget", {"url": "about:blank"})["targetId"]
    s = c.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
    c.call("Page.enable", session=s)
    c.call("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads, "eventsEnabled": True})

    def go(url):
        c.call("Page.navigate", {"url": url}, session=s)
        c.wait_event("Page.loadEventFired")

    for page in ("/a.html", "/b.html", "/c.html"):
        go(base + page)
    go(base + "/form.html")
    for field, text in (("q", "nullvane form entry"), ("city", "Hangzhou")):
        c.call("Runtime.evaluate", {"expression": "document.getElementById('%s').focus()" % field}, session=s)
        c.call("Input.insertText", {"text": text}, session=s)
    c.call("Runtime.evaluate", {"expression": "document.getElementById('go').click()"}, session=s)
    c.wait_event("Page.loadEventFired")
    for url in ("/file1.bin", "/redirect"):
        c.call("Page.navigate", {"url": base + url}, session=s)
        c.wait_event("Browser.downloadProgress", lambda p: p.get("state") == "completed")
    time.sleep(3)  # lets the form entries and download records reach their stores
    try:
        c.call("Browser.close")
    except RuntimeError:
        pass
    c.proc.wait(60)


# --- Firefox: Marionette ------------------------------------------------------

class Marionette:
    def __init__(self, port):
        for _ in range(100):
            try:
                self.sock = socket.create_connection(("127.0.0.1", port))
                break
            except OSError:
                time.sleep(0.3)
        self.buf = b""
        self.next_id = 0
        self.read()  # hello

    def read(self):
        while b":" not in self.buf:
            self.buf += self.sock.recv(65536)
        length, rest = self.buf.split(b":", 1)
        while len(rest) < int(length):
            rest += self.sock.recv(65536)
        self.buf = rest[int(length):]
        return json.loads(rest[:int(length)])

    def call(self, name, params=None):
        self.next_id += 1
        body = json.dumps([0, self.next_id, name, params or {}]).encode()
        self.sock.sendall(str(len(body)).encode() + b":" + body)
        while True:
            m = self.read()
            if m[0] == 1 and m[1] == self.next_id:
                if m[2]:
                    raise RuntimeError(name + ": " + str(m[2]))
                return m[3]


# Run in Firefox's own chrome context: a bookmark and a keyword on visited pages.
FIREFOX_CHROME = """
const [base, resolve] = arguments;
(async () => {
  await PlacesUtils.bookmarks.insert({parentGuid: PlacesUtils.bookmarks.unfiledGuid,
                                      url: base + "/a.html", title: "Page A"});
  await PlacesUtils.keywords.insert({keyword: "pb", url: base + "/b.html"});
  // What choosing a page from the address bar after typing leaves behind.
  await PlacesUtils.withConnectionWrapper("record", db => db.execute(
    "INSERT INTO moz_inputhistory (place_id, input, use_count) " +
    "SELECT id, 'pag', 1 FROM moz_places WHERE url_hash = hash(:url) AND url = :url",
    {url: base + "/c.html"}));
  resolve(true);
})().catch(e => resolve(String(e)));
"""


def record_firefox(out, base):
    home = out + "/home"
    os.makedirs(home, exist_ok=True)
    downloads = out + "/downloads"
    os.makedirs(downloads, exist_ok=True)
    env = dict(os.environ, HOME=home, MOZ_HEADLESS="1")
    # The first start makes the profiles the way a new user gets them.
    subprocess.run(["firefox-esr", "--headless", "--screenshot", out + "/first.png", "about:blank"],
                   env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    profiles = next(os.path.join(d, "")
                    for d in (home + "/.config/mozilla/firefox", home + "/.mozilla/firefox")
                    if os.path.isdir(d))
    profile = next(profiles + p for p in os.listdir(profiles) if p.endswith(".default-esr"))
    port = free_port()
    with open(profile + "/user.js", "w") as f:
        for key, value in (("marionette.port", port), ("browser.download.folderList", 2),
                           ("browser.download.dir", downloads), ("browser.download.useDownloadDir", True),
                           ("browser.download.always_ask_before_handling_new_types", False),
                           ("browser.download.alwaysOpenPanel", False)):
            f.write("user_pref(%s, %s);\n" % (json.dumps(key), json.dumps(value)))
    proc = subprocess.Popen(["firefox-esr", "--headless", "--marionette", "-remote-allow-system-access", "--profile", profile],
                            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    m = Marionette(port)
    m.call("WebDriver:NewSession", {"capabilities": {}})
    # A download ends no page load: navigating to one gives up after 3 s.
    m.call("WebDriver:SetTimeouts", {"pageLoad": 3000})
    for page in ("/a.html", "/b.html", "/c.html", "/form.html"):
        m.call("WebDriver:Navigate", {"url": base + page})
    for field, text in (("q", "nullvane form entry"), ("city", "Hangzhou")):
        el = m.call("WebDriver:FindElement", {"using": "css selector", "value": "#" + field})["value"]
        m.call("WebDriver:ElementSendKeys", {"id": list(el.values())[0], "text": text})
    el = m.call("WebDriver:FindElement", {"using": "css selector", "value": "#go"})["value"]
    m.call("WebDriver:ElementClick", {"id": list(el.values())[0]})
    time.sleep(1)
    for url in ("/file1.bin", "/redirect"):
        try:
            m.call("WebDriver:Navigate", {"url": base + url})
        except RuntimeError:
            pass  # a download ends no page load
        time.sleep(2)
    try:
        m.call("Marionette:SetContext", {"value": "chrome"})
        m.call("WebDriver:ExecuteAsyncScript", {"script": FIREFOX_CHROME, "args": [base]})
        time.sleep(2)
    finally:
        try:
            m.call("Marionette:Quit", {"flags": ["eAttemptQuit"]})
        except (RuntimeError, OSError, ValueError):
            pass
        proc.wait(60)
        os.remove(profile + "/user.js")


def main():
    which, out = sys.argv[1], os.path.abspath(sys.argv[2])
    os.makedirs(out, exist_ok=True)
    base = serve()
    {"chromium": record_chromium, "firefox": record_firefox}[which](out, base)
    print("recorded into", out + "/home")


if __name__ == "__main__":
    main()
