"""Headless Chromium driven over the DevTools protocol (on a pipe: nothing but the standard library)."""
import json
import os
import select
import shutil
import subprocess
import tempfile
import time


class BrowserError(Exception):
    pass


class Browser:
    """One headless Chromium with a profile of its own (kept while it runs: a page reloaded keeps its
    IndexedDB) and one page."""

    def __init__(self, log=None):
        binary = shutil.which("chromium") or shutil.which("chromium-browser")
        if not binary:
            raise BrowserError("no chromium: install it (scripts/install-deps.sh --web)")
        self.profile = tempfile.mkdtemp(prefix="tavrik-chromium-")
        to_browser_read, self._to_browser = os.pipe()
        self._from_browser, from_browser_write = os.pipe()
        flags = ["--headless=new", "--remote-debugging-pipe", f"--user-data-dir={self.profile}",
                 "--no-first-run", "--no-default-browser-check", "--disable-gpu", "--mute-audio",
                 "--autoplay-policy=no-user-gesture-required", "--window-size=1024,768"]
        if os.geteuid() == 0:
            flags.append("--no-sandbox")
        env = dict(os.environ, HOME=self.profile, XDG_CONFIG_HOME=self.profile, XDG_CACHE_HOME=self.profile)

        # The browser reads the protocol on its fd 3 and writes on its fd 4.
        def pipes():
            reading, writing = os.dup(to_browser_read), os.dup(from_browser_write)  # (either may be 3 or 4)
            os.dup2(reading, 3)
            os.dup2(writing, 4)

        self.process = subprocess.Popen([binary, *flags, "about:blank"], preexec_fn=pipes, close_fds=False,
                                        env=env, stdout=log or subprocess.DEVNULL, stderr=log or subprocess.DEVNULL)
        os.close(to_browser_read)
        os.close(from_browser_write)
        self._buffer = b""
        self._next = 0
        self.console = []
        self.session = None
        targets = self.call("Target.getTargets")["targetInfos"]
        page = next(t for t in targets if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"], flatten=True)["sessionId"]
        self.call("Runtime.enable")
        self.call("Page.enable")

    def close(self):
        try:
            self.process.terminate()
            self.process.wait(timeout=10)
        except Exception:
            self.process.kill()
        for fd in (self._to_browser, self._from_browser):
            try:
                os.close(fd)
            except OSError:
                pass
        shutil.rmtree(self.profile, ignore_errors=True)

    def _send(self, message):
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")

    def _receive(self, deadline):
        while b"\0" not in self._buffer:
            if time.monotonic() > deadline:
                raise BrowserError("the browser did not answer in time")
            ready, _, _ = select.select([self._from_browser], [], [], max(0.0, deadline - time.monotonic()))
            if ready:
                chunk = os.read(self._from_browser, 1 << 20)
                if not chunk:
                    raise BrowserError("the browser ended")
                self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def _event(self, message):
        if message.get("method") == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in message["params"]["args"])
            self.console.append(text)
        elif message.get("method") == "Runtime.exceptionThrown":
            self.console.append("exception: " + json.dumps(message["params"]["exceptionDetails"])[:2000])

    def call(self, method, timeout=30, **params):
        self._next += 1
        message = {"id": self._next, "method": method, "params": params}
        if self.session and not method.startswith("Target."):
            message["sessionId"] = self.session
        self._send(message)
        deadline = time.monotonic() + timeout
        while True:
            answer = self._receive(deadline)
            if answer.get("id") == self._next:
                if "error" in answer:
                    raise BrowserError(f"{method}: {answer['error']}")
                return answer.get("result", {})
            self._event(answer)

    def evaluate(self, expression, timeout=30):
        """The value of a JavaScript expression in the page (awaited when it is a promise)."""
        result = self.call("Runtime.evaluate", timeout=timeout, expression=expression, awaitPromise=True,
                           returnByValue=True)
        if "exceptionDetails" in result:
            raise BrowserError(f"{expression}: {json.dumps(result['exceptionDetails'])[:2000]}")
        return result["result"].get("value")

    def navigate(self, url):
        """Goes to url; what wait_for asks after it is asked of the new page, never of the one before."""
        self.evaluate("window.tavrikLeft = true")
        self.call("Page.navigate", url=url)

    def reload(self):
        self.evaluate("window.tavrikLeft = true")
        self.call("Page.reload")

    def wait_for(self, expression, timeout):
        """Waits until the expression is true in the page; its value then."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                value = self.evaluate(f"!window.tavrikLeft && ({expression})")
            except BrowserError:
                value = None
            if value:
                return value
            time.sleep(0.2)
        raise BrowserError(f"not true within {timeout} s: {expression}\n" + "\n".join(self.console[-40:]))
