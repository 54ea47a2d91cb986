"""Checks a request's method, path and query against Box's published API description.

The path prefix says which of Box's hosts a request was meant for: /2.0 the API, /api/2.0 the upload host, /oauth2
the token host, /api/oauth2 the account host. An operation only counts as found when it is described for that host.
"""

import json
import re
from collections import namedtuple
from urllib.parse import urlsplit

# Request path prefix -> (host, text to cut off before looking the path up).
HOST_PREFIXES = (("/api/2.0/", "upload", "/api/2.0"), ("/2.0/", "api", "/2.0"),
                 ("/api/oauth2/", "account", "/api/oauth2"), ("/oauth2/", "root", ""))
HTTP_METHODS = ("get", "put", "post", "delete", "options", "head", "patch")
Operation = namedtuple("Operation", "method host query_params")   # query_params: name -> schema
# status "ok", "wrong_host", "method_not_in_api", "not_in_api" or "standin"; path as described.
ApiCheck = namedtuple("ApiCheck", "status path operation", defaults=(None, None))
_PLACEHOLDER = re.compile(r"\{([^{}/]+)\}")


def compile_template(template):
    """A regex matching a whole path; a {name} stands for one non-empty segment or part of one."""
    pieces = _PLACEHOLDER.split(template)   # literal, name, literal, name, ...
    return re.compile("^%s$" % "".join(re.escape(piece) if index % 2 == 0 else "(?P<%s>[^/]+)" % piece
                                       if piece.isidentifier() else "[^/]+" for index, piece in enumerate(pieces)))


class ApiIndex:
    def __init__(self, description):
        self._components = description.get("components", {})
        self._default_host = _host_of_server(description.get("servers", [{}])[0].get("url", ""))
        entries = {}
        for raw_path, item in description.get("paths", {}).items():
            entries.setdefault(raw_path.split("#", 1)[0], []).extend(self._operations(item))
        # Literal paths win over templated ones ("/files/content" before "/files/{file_id}").
        self._entries = [(template, compile_template(template), operations) for template, operations in
                         sorted(entries.items(), key=lambda e: (e[0].count("{"), -len(e[0])))]

    @classmethod
    def load(cls, path):
        with open(path, encoding="utf-8") as stream:
            return cls(json.load(stream))

    def check(self, method, path):
        host, relative = next(((host, path[len(cut):]) for prefix, host, cut in HOST_PREFIXES
                               if path.startswith(prefix)), (None, path))
        if host is None:
            return ApiCheck("standin" if path.startswith("/_download/") else "not_in_api")
        # Only the most specific matching path counts, as in a router: a POST to the API host's "/files/content" is
        # a misdirected upload, not an operation on a file "content".
        entry = next((e for e in self._entries if e[1].match(relative)), None)
        if entry is None:
            return ApiCheck("not_in_api")
        template, _, operations = entry
        same_method = [op for op in operations if op.method == method.lower()]
        operation = next((op for op in same_method if op.host == host), None)
        if operation is not None:
            return ApiCheck("ok", template, operation)
        return ApiCheck("wrong_host" if same_method else "method_not_in_api", template)

    def _operations(self, item):
        for method in HTTP_METHODS:
            operation = item.get(method)
            if isinstance(operation, dict):
                servers = operation.get("servers") or item.get("servers")
                host = _host_of_server(servers[0]["url"]) if servers else self._default_host
                parameters = [self._resolve(p) for p in item.get("parameters", []) + operation.get("parameters", [])]
                yield Operation(method, host, {p.get("name"): _with_open_range(p, self._resolve(p.get("schema", {})))
                                               for p in parameters if p.get("in") == "query"})

    def _resolve(self, node):
        while isinstance(node, dict) and "$ref" in node:
            kind, name = node["$ref"].split("/")[-2:]
            node = self._components.get(kind, {}).get(name, {})
        return node


def invalid_query(check, params):
    """(name, problem) of the first query value the operation refuses, else None. Enums compare exactly ("desc" is
    no "DESC"), integers above their maximum are refused, unknown parameters tolerated."""
    schemas = check.operation.query_params if check.operation else {}
    return next(((name, problem) for name, values in params.items() if name in schemas
                 for problem in (_value_problem(schemas[name], value) for value in values) if problem), None)


def _value_problem(schema, value):
    if schema.get("type") == "array":
        parts = value.split(",")
        if len(parts) == 2 and schema.get("open_range"):
            parts = [part for part in parts if part]
        return next(filter(None, (_value_problem(schema.get("items", {}), p) for p in parts)), None)
    if "enum" in schema and value not in schema["enum"]:
        return "'%s' is not one of %s" % (value, ", ".join(map(str, schema["enum"])))
    if schema.get("type") == "integer":
        if not value.lstrip("-").isdigit():
            return "'%s' is no integer" % value
        if int(value) > schema.get("maximum", int(value)):
            return "%s is above the maximum %d" % (value, schema["maximum"])
    return None


def _with_open_range(parameter, schema):
    """Ranges whose description lets either bound be left out ("size_range", ",500") say so."""
    if schema.get("type") == "array" and "omitted" in parameter.get("description", ""):
        return dict(schema, open_range=True)
    return schema


def _host_of_server(url):
    parts = urlsplit(url)
    return ("upload" if "upload" in parts.netloc else "account" if parts.netloc.startswith("account.") else
            "download" if "boxcloud" in parts.netloc else "api" if parts.path.rstrip("/") else "root")
