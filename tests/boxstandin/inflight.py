"""The API requests the stand-in is still handling, and the waits it holds them in (delays, hangs, paced bodies).

A test case that gives up a request the stand-in holds must not find it landing in the next case: when a case ends,
`settle` cuts every hold short (the held request ends without an answer and changes nothing) and waits for the
requests still being handled to finish."""

import contextlib
import threading
import time


class InFlight:
    def __init__(self):
        self._changed = threading.Condition()
        self._count, self._settled, self._stopping = 0, 0, False

    @contextlib.contextmanager
    def handling(self):
        """One request, from its request line to its reply; yields the `Hold` its waits go through."""
        with self._changed:
            self._count += 1
            hold = Hold(self, self._settled)
        try:
            yield hold
        finally:
            with self._changed:
                self._count -= 1
                self._changed.notify_all()

    def settle(self, timeout):
        """Cuts short every hold begun so far and waits up to `timeout` seconds until no request is handled; how many
        were handled when called and how many still are."""
        with self._changed:
            found = self._count
            self._settled += 1
            self._changed.notify_all()
            self._changed.wait_for(lambda: self._count == 0, timeout)
            return {"in_flight": found, "still_in_flight": self._count}

    def stop(self):
        """The stand-in stops: every hold ends at once, now and from now on."""
        with self._changed:
            self._stopping = True
            self._changed.notify_all()

    def _wait(self, settled, seconds):
        deadline = None if seconds is None else time.monotonic() + seconds
        with self._changed:
            while not self._stopping and self._settled == settled:
                remaining = None if deadline is None else deadline - time.monotonic()
                if remaining is not None and remaining <= 0:
                    return False
                self._changed.wait(remaining)
            return True


class Hold:
    def __init__(self, in_flight, settled):
        self._in_flight, self._settled = in_flight, settled

    def wait(self, seconds):
        """Waits `seconds` (None: until cut short); True when cut short, and the request should end unanswered."""
        return self._in_flight._wait(self._settled, seconds)

