"""Everything one running stand-in holds, and its reset and release."""

import threading

from blobs import SpoolDir
from faults import FaultBook
from journal import Journal
from oauth_tokens import TokenBook
from sessions import SessionBook
from store import Store
from switches import Switches


class StandInState:
    def __init__(self, api_index):
        # One lock guards the store and the session book; long transfers run outside it.
        self.lock = threading.RLock()
        self.api_index = api_index
        self.spool = SpoolDir()
        self.base_url = ""
        self.stopping = threading.Event()    # releases delayed and hanging replies
        self.faults = FaultBook()
        self.journal = Journal()
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

    def enterprise_id(self):
        """The signed-in user's enterprise, or None when a test took it away."""
        return None if self.switches.get("enterprise_null") else self.store.user.enterprise_id

    def _fresh_account(self):
        self.store = Store()
        self.sessions = SessionBook(self.spool)
        self.tokens = TokenBook()
        self.switches = Switches()
