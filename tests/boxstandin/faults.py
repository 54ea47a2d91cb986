"""Scripted replies that replace the stand-in's own answer for matching requests.

RULE:  {"method": "GET" | "*", "path": "/2.0/files/*" (glob on the decoded path, "*" spans "/"),
        "query"?: text the raw query must contain, "replies": [REPLY, ...]}
       or the members of one REPLY inline with the rule
REPLY: {"status": 200, "headers": {"Retry-After": "2"},
        one body member: "json": any | "text": "..." | "error": {"code", "message",
        "context_info"?} (a Box client error) | "metadata_error": {"code", "message"}
        (none: empty body), "content_type"?, "delay_ms"?, "times"?: n (default 1),
        "action"?: "reply" | "pass" (delay, then the stand-in answers) | "close" (drop the
        connection unanswered) | "hang" (answer nothing until "hang_ms" or shutdown, then drop),
        "truncate_at"?: n (send only n body bytes under the full Content-Length, then drop)}
A rule answers its replies in order, each "times" times, then is dropped, so "fail N times then
pass" is one REPLY with "times": N. Among matching rules the oldest answers.
"""

import fnmatch
import itertools
import json
import threading
from dataclasses import dataclass, field
from typing import List, Optional, Tuple

from errors import client_error_body, metadata_error_body

ACTIONS = ("reply", "pass", "close", "hang")
BODY_KEYS = ("json", "text", "error", "metadata_error")
REPLY_KEYS = {"status", "headers", "content_type", "delay_ms", "action", "truncate_at",
              "hang_ms", "times", *BODY_KEYS}
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


@dataclass
class FaultRule:
    id: int
    method: str
    path: str
    query: str
    replies: List[ScriptedReply]

    def matches(self, method, path, query):
        return (self.method in ("*", method) and fnmatch.fnmatchcase(path, self.path)
                and self.query in query)


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
            rule = next((r for r in self._rules if r.matches(method, path, query)), None)
            if rule is None:
                return None
            reply = rule.replies[0]
            reply.times -= 1
            if reply.times <= 0:
                rule.replies.pop(0)
                if not rule.replies:
                    self._rules.remove(rule)
            return reply

    def clear(self, rule_id=None):
        with self._lock:
            self._rules = [rule for rule in self._rules if rule_id not in (None, rule.id)]


def _parse_rule(data, rule_id):
    _check_keys(data, RULE_KEYS if "replies" in data else RULE_KEYS | REPLY_KEYS)
    replies = data.get("replies", [{k: v for k, v in data.items() if k in REPLY_KEYS}])
    path = data.get("path")
    if not isinstance(path, str) or not path.startswith("/"):
        raise ValueError("'path' must be a path glob starting with '/'")
    if not isinstance(replies, list) or not replies:
        raise ValueError("'replies' must be a non-empty list")
    return FaultRule(rule_id, str(data.get("method", "*")).upper(), path,
                     str(data.get("query", "")), [_parse_reply(r, rule_id) for r in replies])


def _parse_reply(data, rule_id):
    _check_keys(data, REPLY_KEYS)
    status = _int(data, "status", 200, 100, 599)
    if not isinstance(data.get("headers", {}), dict):
        raise ValueError("'headers' must be an object")
    headers = [(str(name), str(value)) for name, value in data.get("headers", {}).items()]
    body, content_type = _body(data, status)
    if content_type and not any(name.lower() == "content-type" for name, _ in headers):
        headers.insert(0, ("Content-Type", content_type))
    if data.get("action", "reply") not in ACTIONS:
        raise ValueError("'action' must be one of %s" % ", ".join(ACTIONS))
    return ScriptedReply(status, headers, body, _int(data, "delay_ms", 0, 0),
                         data.get("action", "reply"), _int(data, "truncate_at", None, 0),
                         _int(data, "hang_ms", None, 0), _int(data, "times", 1, 1), rule_id)


def _body(data, status):
    """Body bytes and their content type from the one body member given."""
    given = [key for key in BODY_KEYS if key in data]
    if len(given) > 1:
        raise ValueError("give at most one of %s" % ", ".join(BODY_KEYS))
    content_type = data.get("content_type")
    if not given:
        return b"", content_type
    kind, value = given[0], data[given[0]]
    if kind == "text":
        return str(value).encode("utf-8"), content_type or "text/plain; charset=utf-8"
    if kind != "json":
        if not isinstance(value, dict) or not all(
                isinstance(value.get(key, ""), str) for key in ("code", "message")):
            raise ValueError("error bodies take string 'code' and 'message'")
        code, message = value.get("code", ""), value.get("message", "")
        value = (client_error_body(status, code, message, value.get("context_info"))
                 if kind == "error" else metadata_error_body(code, message))
    return json.dumps(value).encode("utf-8"), content_type or "application/json"


def _int(data, key, default, minimum, maximum=None):
    value = data.get(key, default)
    if value is None and default is None:
        return None
    if isinstance(value, bool) or not isinstance(value, int) or value < minimum or (
            maximum is not None and value > maximum):
        raise ValueError("'%s' must be an integer in range" % key)
    return value


def _check_keys(data, allowed):
    if not isinstance(data, dict) or set(data) - allowed:
        raise ValueError("a fault must be a JSON object without unknown members: %s"
                         % ", ".join(sorted(set(data) - allowed) if isinstance(data, dict) else ""))
