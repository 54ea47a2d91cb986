"""Test control interface of the Box stand-in: plain HTTP under /_control/, JSON in and out.

Reads are GET (parameters in the query), changes are POST with a JSON object body (empty counts
as {}). Success answers 200 with a JSON object, a malformed call 400 {"error"}, a missing item
404 {"error"}. Control calls need no token, are not journaled and never hit by faults. Dates in
control replies use the "Z" form; dates given may take any RFC 3339 form.

POST reset {}   empty account (root "0", default user), initial tokens, default switches; faults,
                journal and upload sessions cleared
POST seed {"user", "metadata_templates", "folders", "files", "web_links"}   all optional
     -> {"folders": [ids], "files": [ids], "web_links": [ids]} in the order given
     user:     {"id", "name", "login", "enterprise_id": "E" | null, "space_amount": bytes}
     template: {"scope", "template_key", "fields": {"name": "string"|"float"|"date"|"enum"|
               "multiSelect"}}   (without one, any flat string/number members are accepted)
     folder:   {"name", "parent_id": "0", "id"?, "created_at"?, "modified_at"?,
                "content_modified_at"?, "etag"?: int, "permissions"?: {"can_upload": false,..}}
     file:     folder's members, one of "content_base64", "content_text" or "pattern":
               {"size", "seed"} (byte i is (31*i + 17*seed + (i >> 16)) mod 256), and
               "version_number"?: int, "lock"?: LOCK | null,
               "metadata"?: {"enterprise_E" | "enterprise": {"T": {"field": value}}}
     LOCK:     {"expires_at": date | null, "is_download_prevented", "created_by"?: {"id",
               "name", "login"} (another user's unexpired lock refuses changes: 403),
               "created_at"?, "id"?}
     web_link: {"name", "parent_id", "url", "id"?, "modified_at"?}
GET  item?type=file|folder|web_link&id=ID[&content=1]  or  item?path=/A/B/name
     -> the item's members as seeded, plus "path", "size", "sha1", folders' "children"
POST item {"type", "id", seed members}   -> the item; new content makes a new version and a new
     name a rename (version_number and etag go up unless given in the same call)
POST item/delete {"type", "id"}   (folders recursively)
GET  tokens  -> {"access_token", "refresh_token", "access_expired", "refresh_count"}
POST tokens {"access_token"?, "refresh_token"?, "access_expired"?: bool}   -> as GET
POST switches {name: value}   all or nothing; see switches.py
POST faults RULE -> {"id"}    see faults.py
POST faults/clear {"id"?}     (no id: all)
GET  journal[?since=N][&route=KEY][&path=GLOB]   -> {"entries": [ENTRY], "next": N2}
     ENTRY: {"index", "time", "request_line" (as received), "method", "target", "path"
     (decoded), "query", "headers": [[name, value]], "body_size", "body_sha1", "body_base64"
     (bodies up to 64 KiB), "route": "PUT /2.0/files/{file_id}" | "unmatched", "api":
     {"status": "ok" | "wrong_host" | "method_not_in_api" | "not_in_api" | "standin", "path"},
     "status": reply status | null, "fault": rule id | null}
POST journal/clear {}
GET  upload_sessions -> {"sessions": [{"id", "state": "open"|"committed"|"aborted",
     "file_name", "file_size", "folder_id", "file_id", "part_size", "total_parts", "parts"}]}
"""

import json

import control_items
from httpmsg import json_reply

TOKEN_MEMBERS = {"access_token": str, "refresh_token": str, "access_expired": bool}


def handle(state, request):
    """Answer one control call; the path is the part after /_control/."""
    name = request.path[len("/_control/"):].strip("/")
    handler = CALLS.get((request.method, name))
    if handler is None:
        return json_reply(404, {"error": "no control call %s %s" % (request.method, name)})
    try:
        with state.lock:
            return json_reply(200, handler(state, request))
    except LookupError as error:
        return json_reply(404, {"error": str(error.args[0] if error.args else error)})
    except ValueError as error:
        return json_reply(400, {"error": str(error)})


def _body(request):
    raw = request.body.bytes()
    try:
        value = json.loads(raw.decode("utf-8")) if raw.strip() else {}
    except (UnicodeDecodeError, ValueError):
        raise ValueError("the body is not valid JSON") from None
    if not isinstance(value, dict):
        raise ValueError("the body must be a JSON object")
    return value


def _get_item(state, request):
    if request.param("path") is not None:
        item = control_items.find_by_path(state, request.param("path"))
    else:
        item = control_items.find_item(state, request.param("type"), request.param("id"))
    return control_items.item_view(state, item, request.param("content") == "1")


def _set_tokens(state, request):
    body = _body(request)
    for key, value in body.items():
        if not isinstance(value, TOKEN_MEMBERS.get(key, type(None))):
            raise ValueError("bad token member %r" % key)
    state.tokens.set(body.get("access_token"), body.get("refresh_token"),
                     body.get("access_expired"))
    return state.tokens.view()


def _get_journal(state, request):
    try:
        since = int(request.param("since", "0"))
    except ValueError:
        raise ValueError("'since' must be an integer") from None
    # Read "next" first: a request journaled meanwhile shows up in the next read, not twice.
    next_index = state.journal.next_index
    entries = state.journal.entries(since, request.param("route"), request.param("path"))
    return {"entries": [e for e in entries if e["index"] < next_index], "next": next_index}


def _ok(action):
    def call(state, request):
        action(state, request)
        return {"ok": True}
    return call


CALLS = {
    ("POST", "reset"): _ok(lambda state, request: state.reset()),
    ("POST", "seed"): lambda state, request: control_items.seed(state, _body(request)),
    ("GET", "item"): _get_item,
    ("POST", "item"): lambda state, request: control_items.update_item(state, _body(request)),
    ("POST", "item/delete"): _ok(lambda state, request: control_items.delete_item(
        state, _body(request))),
    ("GET", "tokens"): lambda state, request: state.tokens.view(),
    ("POST", "tokens"): _set_tokens,
    ("POST", "switches"): lambda state, request: state.switches.update(_body(request)),
    ("POST", "faults"): lambda state, request: {"id": state.faults.add(_body(request))},
    ("POST", "faults/clear"): _ok(lambda state, request: state.faults.clear(
        _body(request).get("id"))),
    ("GET", "journal"): _get_journal,
    ("POST", "journal/clear"): _ok(lambda state, request: state.journal.clear()),
    ("GET", "upload_sessions"): lambda state, request: {"sessions": state.sessions.view()},
}
