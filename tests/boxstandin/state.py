"""Everything one running stand-in holds, and its reset and release."""

import threading

from blobs import SpoolDir
from control_items import check_keys
from faults import FaultBook
from inflight import InFlight
from journal import Journal
from oauth_tokens import TokenBook
from sessions import SessionBook
from store import Store

# Behaviour switches and their defaults. download_mode "redirect" (302 to the download host), "direct" (200 with the
# bytes) or "not_ready" (202 with Retry-After); authorize "grant" or "deny"; the pace switches pause after each MiB
# of a request body read or of content sent.
SWITCHES = {"download_mode": "redirect", "enterprise_null": False, "part_size": 8 * 1024 * 1024, "authorize": "grant",
            "body_read_pace_ms": 0, "reply_send_pace_ms": 0}


class StandInState:
    def __init__(self, api_index):
        # One lock guards the store and the session book; long transfers run outside it.
        self.lock, self.api_index, self.spool, self.base_url = threading.RLock(), api_index, SpoolDir(), ""
        self.in_flight = InFlight()
        self.faults, self.journal = FaultBook(), Journal()
        self._fresh_account()

    def reset(self):
        with self.lock:
            self.store.close()
            self.sessions.close()
            self._fresh_account()
        self.faults.clear()
        self.journal.clear()

    def close(self):
        with self.lock:
            self.store.close()
            self.sessions.close()
        self.spool.close()

    def update_switches(self, changes):
        check_keys(changes, SWITCHES)
        self.switches.update(changes)
        return self.switches

    def enterprise_id(self):
        return None if self.switches["enterprise_null"] else self.store.user.enterprise_id

    def _fresh_account(self):
        self.store, self.sessions, self.tokens = Store(), SessionBook(self.spool), TokenBook()
        self.switches = dict(SWITCHES)
