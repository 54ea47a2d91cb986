"""Checks a request's method and path against Box's published API description.

One base address serves Box's hosts, so the path prefix says which host a request was meant
for: /2.0 the API, /api/2.0 the upload host, /oauth2 the token host, /api/oauth2 the account
host (authorize page). An operation only counts as found when it is described for that host.
"""

import json
from dataclasses import dataclass, field
from typing import List, Optional
from urllib.parse import parse_qs, urlsplit

from pathtemplate import compile_template, placeholder_count

# Request path prefix -> (host, text to cut off before looking the path up).
HOST_PREFIXES = (("/api/2.0/", "upload", "/api/2.0"), ("/2.0/", "api", "/2.0"),
                 ("/api/oauth2/", "account", "/api/oauth2"), ("/oauth2/", "root", ""))
STANDIN_PREFIXES = ("/_download/", "/_preview/")
CONTROL_PREFIX = "/_control/"
HTTP_METHODS = ("get", "put", "post", "delete", "options", "head", "patch")

# Check outcomes recorded in the journal.
OK = "ok"
WRONG_HOST = "wrong_host"
METHOD_NOT_IN_API = "method_not_in_api"
NOT_IN_API = "not_in_api"
STANDIN = "standin"
CONTROL = "control"


@dataclass
class Operation:
    method: str
    host: str
    query_params: dict  # name -> schema
    body_members: Optional[List[str]]


@dataclass
class PathEntry:
    template: str
    regex: object
    operations: List[Operation] = field(default_factory=list)


@dataclass
class ApiCheck:
    status: str
    oa_path: Optional[str] = None
    operation: Optional[Operation] = None

    def as_dict(self):
        return {"status": self.status, "path": self.oa_path}


class ApiIndex:
    def __init__(self, description):
        self._components = description.get("components", {})
        self._default_host = _host_of_server(description.get("servers", [{}])[0].get("url", ""))
        entries = {}
        for raw_path, item in description.get("paths", {}).items():
            template = raw_path.split("#", 1)[0]
            entry = entries.setdefault(template, PathEntry(template, compile_template(template)))
            entry.operations.extend(self._operations(item))
        # Literal paths win over templated ones ("/files/content" before "/files/{file_id}").
        self._entries = sorted(entries.values(),
                               key=lambda e: (placeholder_count(e.template), -len(e.template)))

    @classmethod
    def load(cls, path):
        with open(path, encoding="utf-8") as stream:
            return cls(json.load(stream))

    def check(self, method, path):
        if path.startswith(CONTROL_PREFIX):
            return ApiCheck(CONTROL)
        if path.startswith(STANDIN_PREFIXES):
            return ApiCheck(STANDIN)
        host, relative = _split_host(path)
        if host is None:
            return ApiCheck(NOT_IN_API)
        return self._check_on_host(method.lower(), host, relative)

    def _check_on_host(self, method, host, relative):
        # Only the most specific matching path counts, as in a router: a POST to the API
        # host's "/files/content" is a misdirected upload, not an operation on a file "content".
        entry = next((e for e in self._entries if e.regex.match(relative)), None)
        if entry is None:
            return ApiCheck(NOT_IN_API)
        same_method = [op for op in entry.operations if op.method == method]
        for operation in same_method:
            if operation.host == host:
                return ApiCheck(OK, entry.template, operation)
        return ApiCheck(WRONG_HOST if same_method else METHOD_NOT_IN_API, entry.template)

    def _operations(self, item):
        shared = item.get("parameters", [])
        for method in HTTP_METHODS:
            operation = item.get(method)
            if not isinstance(operation, dict):
                continue
            servers = operation.get("servers") or item.get("servers")
            host = _host_of_server(servers[0]["url"]) if servers else self._default_host
            parameters = [self._resolve(p) for p in shared + operation.get("parameters", [])]
            query = {p.get("name"): _with_open_range(p, self._resolve(p.get("schema", {})))
                     for p in parameters if p.get("in") == "query"}
            yield Operation(method, host, query, self._body_members(operation))

    def _body_members(self, operation):
        content = self._resolve(operation.get("requestBody", {})).get("content", {})
        for media in content.values():
            members = self._schema_members(media.get("schema", {}), depth=0)
            if members is not None:
                return sorted(members)
        return None

    def _schema_members(self, schema, depth):
        schema = self._resolve(schema)
        if depth > 8 or not isinstance(schema, dict):
            return None
        members = set(schema.get("properties", {}))
        for part in schema.get("allOf", []):
            members |= self._schema_members(part, depth + 1) or set()
        if not members and schema.get("additionalProperties") not in (None, False):
            return None   # free-form objects such as metadata instances: any member is fine
        return members if members or schema.get("type") == "object" else None

    def _resolve(self, node):
        seen = 0
        while isinstance(node, dict) and "$ref" in node and seen < 16:
            kind, name = node["$ref"].split("/")[-2:]
            node = self._components.get(kind, {}).get(name, {})
            seen += 1
        return node


def unknown_members(check, params, content_type, body_head, body_size):
    """Query parameters and top-level body members that the described operation lacks."""
    operation = check.operation
    if operation is None:
        return {}
    notes = {}
    unknown_query = sorted(set(params) - set(operation.query_params))
    if unknown_query:
        notes["unknown_query"] = unknown_query
    members = _body_member_names(content_type, body_head, body_size)
    if operation.body_members is not None and members:
        unknown_body = sorted(set(members) - set(operation.body_members))
        if unknown_body:
            notes["unknown_body_members"] = unknown_body
    return notes


def invalid_query(check, params):
    """(name, problem) of the first query value that the described operation refuses, else None.

    Enum values are compared exactly, as Box does ("desc" is no "DESC"); integers above their
    maximum are refused, not cut down.
    """
    operation = check.operation
    for name, values in (params.items() if operation else ()):
        schema = operation.query_params.get(name)
        for value in values if schema else ():
            problem = _value_problem(schema, value)
            if problem:
                return name, problem
    return None


def _value_problem(schema, value):
    if schema.get("type") == "array":
        items = schema.get("items", {})
        parts = value.split(",")
        if len(parts) == 2 and schema.get("open_range"):
            parts = [part for part in parts if part]
        return next(filter(None, (_value_problem(items, part) for part in parts)), None)
    if "enum" in schema and value not in schema["enum"]:
        return "'%s' is not one of %s" % (value, ", ".join(map(str, schema["enum"])))
    if schema.get("type") == "integer":
        try:
            number = int(value)
        except ValueError:
            return "'%s' is no integer" % value
        if number > schema.get("maximum", number):
            return "%d is above the maximum %d" % (number, schema["maximum"])
    return None


def _with_open_range(parameter, schema):
    """Ranges whose description lets either bound be left out ("size_range", ",500") say so."""
    description = parameter.get("description", "")
    if schema.get("type") == "array" and ("omitted" in description or "can be omitted" in description):
        return dict(schema, open_range=True)
    return schema


def _body_member_names(content_type, body_head, body_size):
    if body_size != len(body_head) or not body_head.strip():
        return []
    media = (content_type or "").split(";")[0].strip().lower()
    try:
        text = body_head.decode("utf-8")
        if media == "application/x-www-form-urlencoded":
            return list(parse_qs(text, keep_blank_values=True))
        value = json.loads(text)
    except (UnicodeDecodeError, ValueError):
        return []
    return list(value) if isinstance(value, dict) else []


def _split_host(path):
    for prefix, host, cut in HOST_PREFIXES:
        if path.startswith(prefix):
            return host, path[len(cut):]
    return None, path


def _host_of_server(url):
    parts = urlsplit(url)
    if "upload" in parts.netloc:
        return "upload"
    if parts.netloc.startswith("account."):
        return "account"
    if "boxcloud" in parts.netloc:
        return "download"
    return "api" if parts.path.rstrip("/") else "root"
