"""Headless Chromium driven over --remote-debugging-pipe: commands go in on
the browser's file descriptor 3 and answers come out on 4, each one JSON
object ended by a NUL byte."""

import fcntl
import json
import os
import shutil
import subprocess
import tempfile

LOAD_LIMIT_SECONDS = 60


class Chromium:
    def __init__(self, binary='chromium'):
        self.binary = binary

    def __enter__(self):
        self.profile = tempfile.mkdtemp(prefix='tnk-recorder-')
        to_browser, self._in = os.pipe()
        self._out, from_browser = os.pipe()

        def wire():
            # Out of the way first, so that neither end lands on the other.
            inbound = fcntl.fcntl(to_browser, fcntl.F_DUPFD, 10)
            outbound = fcntl.fcntl(from_browser, fcntl.F_DUPFD, 10)
            os.dup2(inbound, 3)
            os.dup2(outbound, 4)

        self.process = subprocess.Popen(
            [self.binary, '--headless=new', '--no-sandbox', '--disable-gpu',
             '--remote-debugging-pipe', '--no-first-run', '--disable-background-networking',
             '--disable-component-update', '--disable-sync',
             '--user-data-dir=' + self.profile, 'about:blank'],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            pass_fds=(3, 4), preexec_fn=wire)
        os.close(to_browser)
        os.close(from_browser)
        self._writer = os.fdopen(self._in, 'wb')
        self._reader = os.fdopen(self._out, 'rb')
        self._pending = b''
        self._events = []
        self._next_id = 0
        return self

    def __exit__(self, *exc):
        try:
            self.call('Browser.close')
        except (EOFError, OSError, RuntimeError):
            pass
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self._writer.close()
        self._reader.close()
        shutil.rmtree(self.profile, ignore_errors=True)

    def _read(self):
        while b'\0' not in self._pending:
            chunk = self._reader.read1(1 << 20)
            if not chunk:
                raise EOFError('the browser closed its pipe')
            self._pending += chunk
        message, self._pending = self._pending.split(b'\0', 1)
        return json.loads(message)

    def call(self, method, session=None, **params):
        self._next_id += 1
        message = {'id': self._next_id, 'method': method, 'params': params}
        if session:
            message['sessionId'] = session
        self._writer.write(json.dumps(message).encode() + b'\0')
        self._writer.flush()
        while True:
            answer = self._read()
            if answer.get('id') == self._next_id:
                if 'error' in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer['result']
            self._events.append(answer)

    def wait_for(self, method, session):
        for i, event in enumerate(self._events):
            if event.get('method') == method and event.get('sessionId') == session:
                return self._events.pop(i)
        while True:
            event = self._read()
            if event.get('method') == method and event.get('sessionId') == session:
                return event
            self._events.append(event)

    def open_page(self, url, viewport):
        """A new tab of the given viewport (CSS pixels, scale 1) showing
        `url` once its load event has fired."""
        target = self.call('Target.createTarget', url='about:blank')['targetId']
        session = self.call('Target.attachToTarget', targetId=target, flatten=True)['sessionId']
        self._targets = getattr(self, '_targets', {})
        self._targets[session] = target
        self.call('Emulation.setDeviceMetricsOverride', session, width=viewport[0],
                  height=viewport[1], deviceScaleFactor=1, mobile=False)
        self.call('Page.enable', session)
        self.call('Page.navigate', session, url=url)
        self.wait_for('Page.loadEventFired', session)
        self.call('DOM.enable', session)
        self.call('Accessibility.enable', session)
        # Fonts and layout settle after the load event in some pages.
        self.evaluate(session, 'new Promise(r => requestAnimationFrame(() => '
                               'requestAnimationFrame(() => r(true))))', wait=True)
        return session

    def close_page(self, session):
        self.call('Target.closeTarget', targetId=self._targets.pop(session))

    def evaluate(self, session, expression, wait=False):
        result = self.call('Runtime.evaluate', session, expression=expression,
                           returnByValue=True, awaitPromise=wait)
        if 'exceptionDetails' in result:
            raise RuntimeError('page script failed: ' + json.dumps(result['exceptionDetails']))
        return result['result'].get('value')
