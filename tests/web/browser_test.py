#!/usr/bin/env python3
"""The browser build plays the demo as the desktop does, and keeps its saves across a reload.

    tests/web/browser_test.py NATIVE_PLAYER [--player build-web/player/bin]

Packs examples/demo with scripts/tavrik-web into a temporary folder, serves it, and plays it in headless
Chromium with the demo's events file (through the page's events parameter) next to the native player
playing it headless. Checks:
  - the variables at the end are the native run's;
  - the last frame is within 2/255 per channel of the native screenshot;
  - F1 opens the manual in a new tab;
  - a page that goes behind another tab keeps the play to be continued (there after a reload);
  - the MIDI tune the demo starts with sounds (mixed headless into a file in the page);
  - a save made in the page is there after a reload, and loading it gives the variables it was made with;
  - the saves exported as one file and imported into another browser load there.
Prints the packed size and the time to the first frame.
"""
import argparse
import functools
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DEMO = os.path.join(ROOT, "examples", "demo")
FRAMES = 600
SAVE_AT = 450  # after the first choice, waiting for a click
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def page_url(base, events, *args):
    query = [("events", events)] + [("arg", a) for a in args]
    return base + "index.html?" + urllib.parse.urlencode(query)


def play(browser, url, timeout=180):
    """Plays the page to its end: its exit status and standard output."""
    browser.navigate(url)
    browser.wait_for("typeof Module !== 'undefined' && Module.exitCode !== undefined && Module.persisted", timeout)
    return browser.evaluate("Module.exitCode"), browser.evaluate("Module.output")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("native", help="the native player (build/bin/tavrik)")
    parser.add_argument("--player", default=os.path.join(ROOT, "build-web", "player", "bin"))
    options = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="tavrik-web-test-") as temp:
        # The native run.
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(temp, "config"), XDG_DATA_HOME=os.path.join(temp, "data"),
                   SDL_AUDIODRIVER="dummy")
        native = subprocess.run([os.path.abspath(options.native), "start.tvk", "--headless", "--events", "demo.events",
                                 "--frames", str(FRAMES), "--dump-variables", "--screenshot",
                                 os.path.join(temp, "native.png"), "-n"],
                                cwd=DEMO, env=env, capture_output=True, text=True, timeout=120)
        check(native.returncode == 0, f"the native player plays the demo ({native.stderr.strip()[:500]})")
        native_variables = native.stdout.splitlines()
        fresh = subprocess.run([os.path.abspath(options.native), "start.tvk", "--headless", "--frames", "30",
                                "--dump-variables", "-n"], cwd=DEMO, env=env, capture_output=True, text=True,
                               timeout=120).stdout.splitlines()

        site = os.path.join(temp, "site")
        packed = subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "tavrik-web"), DEMO, site,
                                 "--player", options.player], capture_output=True, text=True)
        check(packed.returncode == 0, f"tavrik-web packs the demo ({packed.stderr.strip()[:500]})")
        if packed.returncode != 0:
            sys.exit(1)
        print(packed.stdout.strip())
        shutil.copyfile(os.path.join(temp, "native.png"), os.path.join(site, "native.png"))
        sizes = {n: os.path.getsize(os.path.join(site, n)) for n in ("tavrik.wasm", "tavrik.js", "game.data",
                                                                      "game.data.js")}

        handler = functools.partial(QuietHandler, directory=site)
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        base = f"http://127.0.0.1:{server.server_address[1]}/"
        browser = Browser(log=open(os.path.join(temp, "chromium.log"), "w"))
        try:
            started = time.monotonic()
            status, output = play(browser, page_url(base, "demo.events", "--frames", str(FRAMES), "--dump-variables",
                                                    "--screenshot", "/out/last.png", "-n"))
            played = time.monotonic() - started
            first_frame = browser.evaluate("Module.firstFrameAt")
            check(status == 0, f"the page plays the demo to its end (status {status})")
            check(output == native_variables, f"the page's variables are the native run's: {output} / {native_variables}")
            difference = browser.evaluate("""(async () => {
              async function pixels(blob) {
                const bitmap = await createImageBitmap(blob);
                const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
                const context = canvas.getContext('2d');
                context.drawImage(bitmap, 0, 0);
                return context.getImageData(0, 0, bitmap.width, bitmap.height);
              }
              const page = await pixels(new Blob([FS.readFile('/out/last.png')], {type: 'image/png'}));
              const native = await pixels(await (await fetch('native.png')).blob());
              if (page.width !== native.width || page.height !== native.height)
                return `sizes differ: ${page.width}x${page.height} / ${native.width}x${native.height}`;
              let most = 0;
              for (let i = 0; i < page.data.length; ++i) most = Math.max(most, Math.abs(page.data[i] - native.data[i]));
              return most;
            })()""")
            check(isinstance(difference, int) and difference <= 2,
                  f"the last frame is within 2/255 of the native screenshot (most apart: {difference})")

            # F1, pressed as a player presses it, opens the manual in a new tab.
            browser.navigate(base + "index.html?arg=-n")
            browser.wait_for("typeof Module !== 'undefined' && Module.firstFrameAt", 60)
            for kind in ("keyDown", "keyUp"):
                browser.call("Input.dispatchKeyEvent", type=kind, key="F1", code="F1", windowsVirtualKeyCode=112)
            deadline = time.monotonic() + 10
            manual = []
            while not manual and time.monotonic() < deadline:
                time.sleep(0.2)
                manual = [t for t in browser.call("Target.getTargets")["targetInfos"]
                          if t["type"] == "page" and t["url"] == base + "help/index.html"]
            check(bool(manual), "F1 opens the manual in a new tab")
            # (The game waits while its page is behind another, as a window without focus does.)
            for tab in manual:
                browser.call("Target.closeTarget", targetId=tab["targetId"])
            browser.call("Page.bringToFront")

            # A page going behind another tab keeps the play to be continued, as closing a window does.
            browser.navigate(base + "index.html")
            browser.wait_for("typeof Module !== 'undefined' && Module.firstFrameAt", 60)
            time.sleep(1)
            other = browser.call("Target.createTarget", url="about:blank")["targetId"]
            time.sleep(2.5)
            browser.call("Target.closeTarget", targetId=other)
            browser.call("Page.bringToFront")
            browser.reload()
            browser.wait_for("typeof Module !== 'undefined' && Module.calledRun", 60)
            kept = [name for name in json.loads(browser.evaluate("Module.exportSaves()"))["files"]
                    if name.endswith("/auto.sav")]
            check(bool(kept), "a page behind another tab keeps the play to be continued after a reload")

            # The page's sound: the demo's first two seconds are its MIDI tune, mixed headless into a file.
            status, _ = play(browser, page_url(base, "demo.events", "--headless", "--frames", "120", "--audio-out",
                                               "/out/mix.wav", "-n"))
            loudness = browser.evaluate("""(() => {
              const wav = FS.readFile('/out/mix.wav');
              const samples = new Int16Array(wav.buffer, wav.byteOffset + 44, (wav.length - 44) >> 1);
              let sum = 0;
              for (const s of samples) sum += (s / 32768) * (s / 32768);
              return Math.sqrt(sum / Math.max(1, samples.length));
            })()""")
            check(status == 0 and loudness > 0.002, f"the page's MIDI tune sounds (RMS {loudness:.4f})")

            # A save, a reload, the save loaded.
            saved_events = "".join(f"{line}%0A" for line in open(os.path.join(DEMO, "demo.events"), encoding="utf-8")
                                   .read().splitlines() if line.split() and line.split()[0].isdigit()
                                   and int(line.split()[0]) < SAVE_AT) + f"{SAVE_AT} save 1%0A"
            status, saved = play(browser, page_url(base, "data:," + saved_events, "--frames", str(SAVE_AT + 10),
                                                   "--dump-variables", "-n"))
            check(status == 0, "the page saves in slot 1")
            browser.reload()
            status, loaded = play(browser, page_url(base, "data:,5 load 1%0A", "--frames", "30", "--dump-variables",
                                                    "-n"))
            check(status == 0, "the reloaded page loads slot 1")
            check(loaded == saved and bool(saved), f"the save loaded after the reload has its variables: {loaded} / {saved}")
            check(loaded != fresh, f"... which are not those of a new game at the same frame: {fresh}")

            # The saves exported as one file, imported into another browser's page, load there.
            exported = browser.evaluate("Module.exportSaves()")
        finally:
            browser.close()
        browser = Browser(log=open(os.path.join(temp, "chromium-2.log"), "w"))
        try:
            browser.navigate(base + "index.html?arg=--frames&arg=1")
            browser.wait_for("typeof Module !== 'undefined' && Module.persisted", 60)
            check(browser.evaluate(f"Module.importSaves({json.dumps(exported)})") is True,
                  "another browser's page imports the exported saves")
            status, imported = play(browser, page_url(base, "data:,5 load 1%0A", "--frames", "30", "--dump-variables",
                                                      "-n"))
            check(status == 0 and imported == saved, f"the imported save loads with its variables: {imported}")
        finally:
            browser.close()
            server.shutdown()

        print(f"packed demo: {sum(sizes.values()) / 1e6:.2f} MB (tavrik.wasm {sizes['tavrik.wasm'] / 1e6:.2f} MB, "
              f"tavrik.js {sizes['tavrik.js'] / 1e3:.0f} kB, game.data {sizes['game.data'] / 1e6:.2f} MB, "
              f"game.data.js {sizes['game.data.js'] / 1e3:.0f} kB)")
        print(f"time to first frame in headless Chromium: {first_frame:.0f} ms after navigation; "
              f"{FRAMES} frames played in {played:.1f} s")
    if failures:
        print(f"{len(failures)} failed")
        sys.exit(1)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm"}

    def log_message(self, *args):
        pass


if __name__ == "__main__":
    main()
