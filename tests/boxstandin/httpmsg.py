"""Requests as received and replies as sent, independent of the socket handling."""

import base64
import hashlib
import json
import tempfile
from collections import namedtuple
from urllib.parse import parse_qs, unquote, urlsplit

from errors import bad_request, invalid_parameter

JOURNAL_BODY_LIMIT = 64 * 1024
MEMORY_BODY_LIMIT = 32 * 1024 * 1024
JSON_BODY_LIMIT = 16 * 1024 * 1024
READ_CHUNK = 1024 * 1024


class Body:
    """A request body spooled to disk when large, with its size and SHA-1 (hex)."""

    def __init__(self, file, size, sha1):
        self.file, self.size, self.sha1 = file, size, sha1

    @classmethod
    def read_from(cls, stream, length, spool_dir, pause=None):
        """Exactly `length` bytes, or None when the peer closes early; `pause` runs after each chunk and gives up the
        body when it returns True."""
        spooled = tempfile.SpooledTemporaryFile(max_size=MEMORY_BODY_LIMIT, dir=spool_dir)
        size, digest = 0, hashlib.sha1()
        try:
            while size < length:
                data = stream.read(min(READ_CHUNK, length - size))
                if not data:
                    spooled.close()
                    return None
                digest.update(data)
                size += len(data)
                spooled.write(data)
                if pause is not None and pause():
                    spooled.close()
                    return None
        except BaseException:
            spooled.close()
            raise
        spooled.seek(0)
        return cls(spooled, size, digest.hexdigest())

    def bytes(self):
        if self.size > JSON_BODY_LIMIT:
            raise bad_request("Request body too large for this endpoint")
        self.file.seek(0)
        return self.file.read()

    def close(self):
        self.file.close()

    def journal_view(self):
        view = {"body_size": self.size, "body_sha1": self.sha1}
        if self.size <= JOURNAL_BODY_LIMIT:
            self.file.seek(0)
            view["body_base64"] = base64.b64encode(self.file.read()).decode("ascii")
        return view


class Request:
    def __init__(self, method, target, request_line, headers, body):
        self.method, self.target, self.request_line = method, target, request_line
        self.headers, self.body = headers, body
        parts = urlsplit(target)
        self.path, self.query, self.path_params = unquote(parts.path) or "/", parts.query, {}
        self.params = parse_qs(parts.query, keep_blank_values=True)

    def header(self, name, default=None):
        return next((value for key, value in self.headers if key.lower() == name.lower()), default)

    def param(self, name, default=None):
        return self.params.get(name, [default])[0]

    def json_object(self, optional=False, refusal=None):
        """The body as a JSON object, else raises `refusal` (a 400 by default); an empty body counts as {} when it is
        optional."""
        raw = self.body.bytes()
        if optional and not raw.strip():
            return {}
        try:
            value = json.loads(raw)
        except ValueError:
            value = None
        if not isinstance(value, dict):
            raise refusal or bad_request("The body must be a JSON object")
        return value


# `stream`: a readable file for large content, sent after `body`.
Reply = namedtuple("Reply", "status headers body stream stream_length", defaults=((), b"", None, 0))


def json_reply(status, value, headers=()):
    return Reply(status, [("Content-Type", "application/json")] + list(headers), json.dumps(value).encode("utf-8"))


def empty_reply(status, headers=()):
    return Reply(status, list(headers))


def text_reply(status, text, content_type="text/plain; charset=utf-8"):
    return Reply(status, [("Content-Type", content_type)], text.encode("utf-8"))


def content_reply(stream, length):
    return Reply(200, [("Content-Type", "application/octet-stream")], stream=stream, stream_length=length)


def fields_param(request):
    raw = request.param("fields")
    return None if raw is None else [name.strip() for name in raw.split(",") if name.strip()]


def int_param(request, name, default, minimum=0):
    raw = request.param(name)
    if raw is None or raw == "":
        return default
    if not raw.isdigit() or int(raw) < minimum:
        raise invalid_parameter(name, "Invalid value '%s' for query parameter '%s'" % (raw, name))
    return int(raw)
