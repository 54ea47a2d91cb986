"""Test control interface of the Box stand-in: plain HTTP under /_control/, JSON in and out.

Reads are GET (parameters in the query), changes are POST with a JSON object body (an empty
body counts as {}). Success answers 200 with a JSON object; a malformed call answers
400 {"error": "..."}, a missing item 404 {"error": "..."}. Control calls need no token, are
not journaled and are never hit by faults. Dates in control replies use the "Z" form; dates
given to control calls are RFC 3339 in any form.

GET  /_control/ping
     -> {"ok": true}                                       readiness probe
POST /_control/reset {}
     -> {"ok": true}   empty account (root "0" only, default user), initial tokens, default
                       switches; faults, journal and upload sessions cleared
POST /_control/seed {"user": {...}, "metadata_templates": [...], "folders": [...],
                     "files": [...], "web_links": [...]}   every member optional
     -> {"folders": [ids], "files": [ids], "web_links": [ids]}   in the order given
     user:     {"id", "name", "login", "enterprise_id": "E" | null, "space_amount": bytes,
                "max_upload_size": bytes}   (uploads beyond them answer 403)
     template: {"scope": "enterprise" | "enterprise_E" | "global", "template_key": "T",
                "fields": {"name": "string" | "float" | "date" | "enum" | "multiSelect"}}
               (without a seeded template any flat string/number members are accepted)
     folder:   {"name", "parent_id": "0", "id"?, "created_at"?, "modified_at"?,
                "content_modified_at"?, "etag"?: int, "permissions"?: {"can_upload": false,..}}
     file:     folder's members plus one content member, "content_base64": "...",
               "content_text": "...", or "pattern": {"size": bytes, "seed": int} (byte i is
               (31*i + 17*seed + (i >> 16)) mod 256; large content is spooled to disk), and
               "version_number"?: int, "lock"?: LOCK | null,
               "metadata"?: {"enterprise_E" | "enterprise": {"T": {"field": value}}}
     LOCK:     {"expires_at": date | null, "is_download_prevented": bool,
                "created_by"?: {"id", "name", "login"} (default the user; another user's
                unexpired lock makes rename, delete, lock and new versions answer 403),
                "created_at"?, "id"?}
     web_link: {"name", "parent_id", "url", "id"?, "modified_at"?}
     Ids given must be free decimal strings; names must be unique in their folder.
GET  /_control/item?type=file|folder|web_link&id=ID[&content=1]   or   ?path=/A/B/name
     -> {"type", "id", "name", "parent_id", "path", "etag", "created_at", "modified_at",
         "content_modified_at", "permissions"} plus
        file:     "size", "sha1" (hex), "version_number", "lock": {...} | null,
                  "metadata": {scope: {template: instance}}, "content_base64" (content=1,
                  at most 16 MiB)
        folder:   "children": [{"type", "id", "name"}]
        web_link: "url"
POST /_control/item {"type", "id", any seed member of that type}
     -> the item as GET shows it. New content (content_*/pattern) makes a new version and a
        new name a rename: version_number and etag go up unless given in the same call.
POST /_control/item/delete {"type", "id"}          -> {"ok": true}   (folders recursively)
GET  /_control/tokens
     -> {"access_token", "refresh_token", "access_expired", "used_refresh_tokens": [...],
         "refresh_count"}
POST /_control/tokens {"access_token"?, "refresh_token"?, "access_expired"?: bool}
     -> as GET. A new access token starts unexpired. Initial pair: "initialaccesstoken",
        "initialrefreshtoken".
GET  /_control/switches                              -> {name: value}
POST /_control/switches {name: value, ...}           -> {name: value}   all or nothing
     marker_end "null"|"empty"|"absent" (next_marker on the last page; default "null")
     download_mode "redirect"|"direct"|"not_ready" (302, 200 with bytes, 202 + Retry-After)
     download_retry_after int seconds (1)        etag_bump_on_lock bool (false)
     enterprise_null bool (false): the user's enterprise reads as null
     date_style "offset"|"z" ("2012-12-12T10:53:43-08:00" or "2012-12-12T18:53:43Z")
     part_size int bytes for new upload sessions (8388608)
     authorize "grant"|"deny" (the authorize page's redirect carries code= or error=)
     body_read_pace_ms int (0): a pause after each MiB of a request body read (a slow uplink)
     reply_send_pace_ms int (0): a pause after each MiB of file content sent (a slow downlink)
GET  /_control/faults                                -> {"faults": [rule with "id", "hits",
                                                        remaining "replies"]}
POST /_control/faults RULE                           -> {"id": n}
     RULE:  {"method": "GET" | "*", "path": "/2.0/files/*" (glob on the decoded path, "*"
             spans "/"), "query"?: "fields=lock" (text the raw query must contain),
             "replies": [REPLY, ...]}   or the members of one REPLY inline with the rule
     REPLY: {"status": 200, "headers": {"Retry-After": "2"} | [["Name", "value"], ...],
             one body member: "json": any | "text": "..." | "base64": "..." |
               "error": {"code", "message", "context_info"?} (Box client error with status) |
               "metadata_error": {"code", "message"}   (none: empty body),
             "content_type"?, "delay_ms"?: int, "times"?: int (default 1),
             "action"?: "reply" | "pass" (delay, then the stand-in answers) |
               "close" (drop the connection unanswered) | "hang" (answer nothing until
               "hang_ms" or shutdown, then drop),
             "truncate_at"?: n (send only n body bytes under the full Content-Length, drop)}
     A rule answers its replies in order, each "times" times, then lets requests pass;
     "fail N times then pass" is one REPLY with "times": N. The oldest matching rule answers.
POST /_control/faults/clear {"id"?: n}               -> {"ok": true}   (no id: all)
GET  /_control/journal[?since=N][&route=KEY][&method=M][&path=GLOB]
     -> {"entries": [ENTRY], "next": N2, "counts": {route KEY: n}}
     ENTRY: {"index", "time", "request_line" (exactly as received), "method", "target",
             "path" (decoded), "query" (raw), "headers": [[name, value], ...] in order,
             "body_size", "body_sha1", "body_base64" (bodies up to 64 KiB),
             "route": "PUT /2.0/files/{file_id}" | "unmatched",
             "api": {"status": "ok" | "wrong_host" | "method_not_in_api" | "not_in_api" |
                     "standin", "path": "/files/{file_id}" | null},
             "unknown_query"?: [...], "unknown_body_members"?: [...], "unknown_fields"?: [...],
             "status": reply status | null (none sent), "fault": rule id | null}
     Pass "next" as "since" to read only later requests. Indexes are never reused.
POST /_control/journal/clear {}                      -> {"ok": true}
GET  /_control/upload_sessions
     -> {"sessions": [{"id", "state": "open"|"committed"|"aborted", "file_name",
         "file_size", "folder_id", "file_id", "part_size", "total_parts",
         "parts": [{"part_id", "offset", "size", "sha1"}]}]}
POST /_control/shutdown {}                           -> {"ok": true}, then the stand-in stops
"""

import json

import control_items
from httpmsg import json_reply

JOURNAL_FILTERS = ("route", "method", "path")


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
    raw = request.body_bytes()
    if not raw.strip():
        return {}
    try:
        value = json.loads(raw.decode("utf-8"))
    except (UnicodeDecodeError, ValueError):
        raise ValueError("the body is not valid JSON") from None
    if not isinstance(value, dict):
        raise ValueError("the body must be a JSON object")
    return value


def _ping(state, request):
    return {"ok": True}


def _reset(state, request):
    state.reset()
    return {"ok": True}


def _seed(state, request):
    return control_items.seed(state, _body(request))


def _get_item(state, request):
    if request.param("path") is not None:
        item = control_items.find_by_path(state, request.param("path"))
    else:
        item = control_items.find_item(state, request.param("type"), request.param("id"))
    return control_items.item_view(state, item, request.param("content") == "1")


def _update_item(state, request):
    return control_items.update_item(state, _body(request))


def _delete_item(state, request):
    control_items.delete_item(state, _body(request))
    return {"ok": True}


def _get_tokens(state, request):
    return state.tokens.view()


def _set_tokens(state, request):
    body = _body(request)
    unknown = set(body) - {"access_token", "refresh_token", "access_expired"}
    if unknown:
        raise ValueError("unknown token member(s): %s" % ", ".join(sorted(unknown)))
    for key in ("access_token", "refresh_token"):
        if key in body and not isinstance(body[key], str):
            raise ValueError("'%s' must be a string" % key)
    if "access_expired" in body and not isinstance(body["access_expired"], bool):
        raise ValueError("'access_expired' must be true or false")
    state.tokens.set(body.get("access_token"), body.get("refresh_token"),
                     body.get("access_expired"))
    return state.tokens.view()


def _get_switches(state, request):
    return state.switches.as_dict()


def _set_switches(state, request):
    state.switches.update(_body(request))
    return state.switches.as_dict()


def _get_faults(state, request):
    return {"faults": state.faults.view()}


def _add_fault(state, request):
    return {"id": state.faults.add(_body(request))}


def _clear_faults(state, request):
    rule_id = _body(request).get("id")
    if rule_id is not None and (isinstance(rule_id, bool) or not isinstance(rule_id, int)):
        raise ValueError("'id' must be an integer")
    state.faults.clear(rule_id)
    return {"ok": True}


def _get_journal(state, request):
    try:
        since = int(request.param("since", "0"))
    except ValueError:
        raise ValueError("'since' must be an integer") from None
    filters = {key: request.param(key) for key in JOURNAL_FILTERS}
    # Read "next" first: a request journaled meanwhile shows up in the next read, not twice.
    next_index = state.journal.next_index
    entries = [e for e in state.journal.entries(since, **filters) if e["index"] < next_index]
    return {"entries": entries, "next": next_index, "counts": state.journal.counts()}


def _clear_journal(state, request):
    state.journal.clear()
    return {"ok": True}


def _upload_sessions(state, request):
    return {"sessions": state.sessions.view()}


def _shutdown(state, request):
    state.stop_requested.set()
    return {"ok": True}


CALLS = {
    ("GET", "ping"): _ping,
    ("POST", "reset"): _reset,
    ("POST", "seed"): _seed,
    ("GET", "item"): _get_item,
    ("POST", "item"): _update_item,
    ("POST", "item/delete"): _delete_item,
    ("GET", "tokens"): _get_tokens,
    ("POST", "tokens"): _set_tokens,
    ("GET", "switches"): _get_switches,
    ("POST", "switches"): _set_switches,
    ("GET", "faults"): _get_faults,
    ("POST", "faults"): _add_fault,
    ("POST", "faults/clear"): _clear_faults,
    ("GET", "journal"): _get_journal,
    ("POST", "journal/clear"): _clear_journal,
    ("GET", "upload_sessions"): _upload_sessions,
    ("POST", "shutdown"): _shutdown,
}
