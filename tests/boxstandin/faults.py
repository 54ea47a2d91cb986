"""Scripted replies that replace the stand-in's own answer for matching requests.

A rule matches a method ("*" for any), a path glob ("*" spans slashes) and optionally a text
that the raw query must contain. It holds a queue of replies; each reply is used `times`
times, and a rule whose queue is used up is dropped, so "fail N times then pass" is one reply
with "times": N. Among matching rules the oldest answers.
"""

import base64
import fnmatch
import itertools
import json
import threading
from dataclasses import dataclass, field
from typing import List, Optional, Tuple

from errors import client_error_body, metadata_error_body

ACTIONS = ("reply", "pass", "close", "hang")
REPLY_KEYS = {"status", "headers", "json", "text", "base64", "content_type", "error",
              "metadata_error", "delay_ms", "action", "truncate_at", "hang_ms", "times"}
RULE_KEYS = {"method", "path", "query", "replies"}


@dataclass
class ScriptedReply:
    status: int = 200
    headers: List[Tuple[str, str]] = field(default_factory=list)
    body: bytes = b""
    delay_ms: int = 0
    action: str = "reply"
    truncate_at: Optional[int] = None
    hang_ms: Optional[int] = None
    times: int = 1
    rule_id: int = 0

    def view(self):
        return {"status": self.status, "headers": [list(h) for h in self.headers],
                "body_size": len(self.body), "delay_ms": self.delay_ms, "action": self.action,
                "truncate_at": self.truncate_at, "hang_ms": self.hang_ms, "times": self.times}


@dataclass
class FaultRule:
    id: int
    method: str
    path: str
    query: str
    replies: List[ScriptedReply]
    hits: int = 0

    def matches(self, method, path, query):
        return ((self.method == "*" or self.method == method)
                and fnmatch.fnmatchcase(path, self.path) and self.query in query)

    def view(self):
        return {"id": self.id, "method": self.method, "path": self.path, "query": self.query,
                "hits": self.hits, "replies": [reply.view() for reply in self.replies]}


class FaultBook:
    def __init__(self):
        self._lock = threading.Lock()
        self._rules = []
        self._ids = itertools.count(1)

    def add(self, data):
        rule = _parse_rule(data, next(self._ids))
        with self._lock:
            self._rules.append(rule)
        return rule.id

    def take(self, method, path, query):
        """The next scripted reply for this request, or None to let the stand-in answer."""
        with self._lock:
            for rule in self._rules:
                if rule.matches(method, path, query):
                    return self._consume(rule)
        return None

    def clear(self, rule_id=None):
        with self._lock:
            if rule_id is None:
                self._rules = []
            else:
                self._rules = [rule for rule in self._rules if rule.id != rule_id]

    def view(self):
        with self._lock:
            return [rule.view() for rule in self._rules]

    def _consume(self, rule):
        reply = rule.replies[0]
        rule.hits += 1
        reply.times -= 1
        if reply.times <= 0:
            rule.replies.pop(0)
            if not rule.replies:
                self._rules.remove(rule)
        return reply


def _parse_rule(data, rule_id):
    if not isinstance(data, dict):
        raise ValueError("a fault must be a JSON object")
    if "replies" in data:
        _check_keys(data, RULE_KEYS, "fault")
        replies = data["replies"]
        if not isinstance(replies, list) or not replies:
            raise ValueError("'replies' must be a non-empty list")
    else:
        _check_keys(data, RULE_KEYS | REPLY_KEYS, "fault")
        replies = [{k: v for k, v in data.items() if k in REPLY_KEYS}]
    path = data.get("path")
    if not isinstance(path, str) or not path.startswith("/"):
        raise ValueError("'path' must be a path glob starting with '/'")
    parsed = [_parse_reply(reply) for reply in replies]
    for reply in parsed:
        reply.rule_id = rule_id
    return FaultRule(rule_id, str(data.get("method", "*")).upper(), path,
                     str(data.get("query", "")), parsed)


def _parse_reply(data):
    if not isinstance(data, dict):
        raise ValueError("a reply must be a JSON object")
    _check_keys(data, REPLY_KEYS, "reply")
    status = _int(data, "status", 200, 100, 599)
    headers = _headers(data.get("headers", {}))
    body, content_type = _body(data, status)
    if content_type and not any(name.lower() == "content-type" for name, _ in headers):
        headers.insert(0, ("Content-Type", content_type))
    action = data.get("action", "reply")
    if action not in ACTIONS:
        raise ValueError("'action' must be one of %s" % ", ".join(ACTIONS))
    return ScriptedReply(status, headers, body, _int(data, "delay_ms", 0, 0),
                         action, _optional_int(data, "truncate_at"), _optional_int(data, "hang_ms"),
                         _int(data, "times", 1, 1))


def _body(data, status):
    """Body bytes and their default content type from the one body member given."""
    given = [key for key in ("json", "text", "base64", "error", "metadata_error") if key in data]
    if len(given) > 1:
        raise ValueError("give at most one of json, text, base64, error, metadata_error")
    content_type = data.get("content_type")
    if not given:
        return b"", content_type
    kind, value = given[0], data[given[0]]
    if kind == "text":
        return str(value).encode("utf-8"), content_type or "text/plain; charset=utf-8"
    if kind == "base64":
        return base64.b64decode(value), content_type or "application/octet-stream"
    if kind == "error":
        value = client_error_body(status, _text(value, "code"), _text(value, "message"),
                                  value.get("context_info"))
    elif kind == "metadata_error":
        value = metadata_error_body(_text(value, "code"), _text(value, "message"))
    return json.dumps(value).encode("utf-8"), content_type or "application/json"


def _headers(value):
    if isinstance(value, dict):
        value = list(value.items())
    if not isinstance(value, list) or not all(
            isinstance(h, (list, tuple)) and len(h) == 2 for h in value):
        raise ValueError("'headers' must be an object or a list of [name, value] pairs")
    return [(str(name), str(text)) for name, text in value]


def _text(value, key):
    if not isinstance(value, dict) or not isinstance(value.get(key, ""), str):
        raise ValueError("error bodies take string 'code' and 'message'")
    return value.get(key, "")


def _int(data, key, default, minimum, maximum=None):
    value = data.get(key, default)
    if isinstance(value, bool) or not isinstance(value, int) or value < minimum or (
            maximum is not None and value > maximum):
        raise ValueError("'%s' must be an integer in range" % key)
    return value


def _optional_int(data, key):
    return None if data.get(key) is None else _int(data, key, 0, 0)


def _check_keys(data, allowed, what):
    unknown = set(data) - allowed
    if unknown:
        raise ValueError("unknown %s member(s): %s" % (what, ", ".join(sorted(unknown))))
