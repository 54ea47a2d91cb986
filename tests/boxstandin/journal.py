"""Every request as it arrived, for tests to check encoding, headers, bodies and routes."""

import fnmatch
import threading


class Journal:
    def __init__(self):
        self._lock, self._entries, self._next_index = threading.Lock(), [], 0

    def record(self, request, route, api_check):
        """Add an entry for a request; indexes keep growing across clears."""
        entry = {"request_line": request.request_line, "method": request.method, "target": request.target,
                 "path": request.path, "query": request.query, "headers": [list(header) for header in request.headers],
                 "route": route, "api": {"status": api_check.status, "path": api_check.path},
                 "status": None, "fault": None, **request.body.journal_view()}
        with self._lock:
            entry["index"] = self._next_index
            self._next_index += 1
            self._entries.append(entry)
        return entry

    def finish(self, entry, status, fault=None):
        with self._lock:
            entry.update(status=status, fault=fault)

    def entries(self, since=0, route=None, path=None):
        with self._lock:
            chosen = [dict(e) for e in self._entries if e["index"] >= since]
        return [e for e in chosen
                if route in (None, e["route"]) and (path is None or fnmatch.fnmatchcase(e["path"], path))]

    @property
    def next_index(self):
        with self._lock:
            return self._next_index

    def clear(self):
        with self._lock:
            self._entries.clear()
