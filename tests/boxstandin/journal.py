"""Every request as it arrived, for tests to check encoding, headers, bodies and routes."""

import fnmatch
import threading
from collections import Counter

import dates


class Journal:
    def __init__(self):
        self._lock = threading.Lock()
        self._entries = []
        self._counts = Counter()
        self._next_index = 0

    def record(self, request, route, api_check):
        """Add an entry for a request; indexes keep growing across clears."""
        entry = {"request_line": request.request_line, "method": request.method,
                 "target": request.target, "path": request.path, "query": request.query,
                 "headers": [[name, value] for name, value in request.headers],
                 "route": route, "api": api_check.as_dict(), "time": dates.format_date(
                     dates.now(), "z"), "status": None, "fault": None}
        entry.update(request.body.journal_view() if request.body else
                     {"body_size": 0, "body_sha1": None, "body_base64": ""})
        with self._lock:
            entry["index"] = self._next_index
            self._next_index += 1
            self._entries.append(entry)
            self._counts[route] += 1
        return entry

    def finish(self, entry, status, fault=None, notes=None):
        with self._lock:
            entry["status"] = status
            entry["fault"] = fault
            if notes:
                entry.update(notes)

    def entries(self, since=0, route=None, method=None, path=None):
        with self._lock:
            chosen = [dict(e) for e in self._entries if e["index"] >= since]
        return [e for e in chosen if (route is None or e["route"] == route)
                and (method is None or e["method"] == method.upper())
                and (path is None or fnmatch.fnmatchcase(e["path"], path))]

    def counts(self):
        with self._lock:
            return dict(self._counts)

    @property
    def next_index(self):
        with self._lock:
            return self._next_index

    def clear(self):
        with self._lock:
            self._entries.clear()
            self._counts.clear()
