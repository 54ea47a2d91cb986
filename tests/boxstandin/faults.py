"""Scripted replies that replace the stand-in's own answer for matching requests (see control.py). "Fail N times
then pass" is one reply with "times": N."""

import fnmatch
import itertools
import json
import threading
from types import SimpleNamespace

from control_items import check_keys
from errors import client_error_body, metadata_error_body

ACTIONS = ("reply", "pass", "close", "hang")
REPLY_KEYS = {"status", "headers", "content_type", "delay_ms", "action", "truncate_at", "hang_ms", "times", "json",
              "text", "error", "metadata_error"}
RULE_KEYS = {"method", "path", "query", "replies"}


class FaultBook:
    def __init__(self):
        self._lock, self._rules, self._ids = threading.Lock(), [], itertools.count(1)

    def add(self, data):
        check_keys(data, RULE_KEYS if "replies" in data else RULE_KEYS | REPLY_KEYS)
        rule_id = next(self._ids)
        replies = data.get("replies", [{k: v for k, v in data.items() if k in REPLY_KEYS}])
        if not str(data.get("path", "")).startswith("/") or not replies:
            raise ValueError("a fault needs a 'path' glob and at least one reply")
        rule = SimpleNamespace(method=str(data.get("method", "*")).upper(), path=data["path"],
                               query=str(data.get("query", "")), replies=[_parse_reply(r, rule_id) for r in replies])
        with self._lock:
            self._rules.append(rule)
        return rule_id

    def take(self, method, path, query):
        with self._lock:
            rule = next((r for r in self._rules if r.method in ("*", method) and fnmatch.fnmatchcase(path, r.path)
                         and r.query in query), None)
            if rule is None:
                return None
            reply = rule.replies[0]
            reply.times -= 1
            if reply.times <= 0:
                rule.replies.pop(0)
                if not rule.replies:
                    self._rules.remove(rule)
            return reply

    def clear(self):
        with self._lock:
            self._rules = []


def _parse_reply(data, rule_id):
    check_keys(data, REPLY_KEYS)
    if data.get("action", "reply") not in ACTIONS:
        raise ValueError("'action' must be one of %s" % ", ".join(ACTIONS))
    status = data.get("status", 200)
    headers = [(str(name), str(value)) for name, value in data.get("headers", {}).items()]
    body, content_type = _body(data, status)
    if content_type and not any(name.lower() == "content-type" for name, _ in headers):
        headers.insert(0, ("Content-Type", content_type))
    return SimpleNamespace(status=status, headers=headers, body=body, rule_id=rule_id, delay_ms=data.get("delay_ms", 0),
                           action=data.get("action", "reply"), truncate_at=data.get("truncate_at"),
                           hang_ms=data.get("hang_ms"), times=data.get("times", 1))


def _body(data, status):
    content_type = data.get("content_type")
    if "text" in data:
        return str(data["text"]).encode("utf-8"), content_type or "text/plain; charset=utf-8"
    if "error" in data:
        error = data["error"]
        value = client_error_body(status, error.get("code", ""), error.get("message", ""), error.get("context_info"))
    elif "metadata_error" in data:
        value = metadata_error_body(data["metadata_error"].get("code", ""), data["metadata_error"].get("message", ""))
    elif "json" in data:
        value = data["json"]
    else:
        return b"", content_type
    return json.dumps(value).encode("utf-8"), content_type or "application/json"
