"""Test control interface of the Box stand-in under /_control/: JSON in and out, no token, not journaled, never hit by
faults. GET takes query parameters, POST a JSON object (empty: {}). 200 on success, 400 {"error"} for a malformed
call, 404 {"error"} for a missing item.

POST reset                  empty account, initial tokens, default switches, no faults or journal
POST seed {"user": {"id", "name", "login", "enterprise_id"}, "metadata_templates": [{"scope", "template_key",
          "fields": {name: "string"|"float"|"date"|"enum"|"multiSelect"}}], "folders"|"files"|"web_links": [ITEM]}
          -> {"folders": [ids], "files": [..], ...}
     ITEM: "name", "parent_id" ("0"), "id", "modified_at", "content_modified_at", "etag", "permissions"
          {"can_upload": false, ..}; web links "url"; files one of "content_text", "content_base64", "pattern"
          {"size", "seed"} (byte i is (31*i + 17*seed + (i >> 16)) mod 256), "version_number", "lock" {"expires_at",
          "is_download_prevented", "created_by" {"id", "name", "login"}} | null, "metadata" {scope: {template: values}}
GET  item?type=file|folder|web_link&id=ID[&content=1] | item?path=/A/B  -> the item as the API shows VIEW_FIELDS
          (control_items.py), plus "children", "metadata", "content_base64"
POST item {"type", "id", ITEM members}   new content makes a new version, a new name a rename
POST item/delete {"type", "id"}
GET  tokens | POST tokens {"access_token", "refresh_token", "access_expired"}
          -> {"access_token", "refresh_token", "access_expired", "refresh_count"}
POST switches {name: value}   see SWITCHES in state.py
POST faults RULE -> {"id"}   RULE {"method" ("*"), "path" (glob), "query" (substring of the raw query), "replies":
          [REPLY]} or one REPLY inline. REPLY {"status", "headers" {}, one body of "json", "text", "error" {"code",
          "message", "context_info"} or "metadata_error" {"code", "message"}, "content_type", "delay_ms", "times" (1),
          "action": "reply" | "pass" | "close" | "hang" (until "hang_ms"), "truncate_at"}.
          The oldest matching rule answers; each reply "times" times, then the next.
POST faults/clear
GET  journal[?since=N][&route=KEY][&path=GLOB]  -> {"entries": [ENTRY], "next": N2}
     ENTRY: Journal.record (journal.py); "route" is e.g. "GET /2.0/files/{file_id}"
POST journal/clear
GET  upload_sessions -> {"sessions": [UploadSession.view() (sessions.py)]}
POST settle {"timeout_ms" (30000)}   at the end of a test case: every API request held so far (delay, hang, paced body
          or content) ends at once without an answer, changing nothing; then waits until no API request is handled
          -> {"in_flight": requests handled when called, "still_in_flight": those still handled at the end}
"""

import contextlib

import control_items
from httpmsg import json_reply


def handle(state, request):
    name = request.path[len("/_control/"):].strip("/")
    key = (request.method, name)
    handler = CALLS.get(key) or UNLOCKED_CALLS.get(key)
    if handler is None:
        return json_reply(404, {"error": "no control call %s %s" % (request.method, name)})
    try:
        with state.lock if key in CALLS else contextlib.nullcontext():
            result = handler(state, request)
        return json_reply(200, {"ok": True} if result is None else result)
    except KeyError as error:
        return json_reply(400, {"error": "missing or unknown member %s" % error})
    except LookupError as error:
        return json_reply(404, {"error": str(error.args[0] if error.args else error)})
    except (ValueError, TypeError, AttributeError) as error:
        return json_reply(400, {"error": str(error)})


def _body(request):
    return request.json_object(optional=True, refusal=ValueError("the body must be a JSON object"))


def _get_item(state, request):
    path = request.param("path")
    item = control_items.find_by_path(state, path) if path is not None else \
        control_items.find_item(state, request.param("type"), request.param("id"))
    return control_items.item_view(state, item, request.param("content") == "1")


def _get_journal(state, request):
    # Read "next" first: a request journaled meanwhile shows up in the next read, not twice.
    next_index = state.journal.next_index
    entries = state.journal.entries(int(request.param("since", "0")), request.param("route"), request.param("path"))
    return {"entries": [e for e in entries if e["index"] < next_index], "next": next_index}


CALLS = {
    ("POST", "reset"): lambda state, request: state.reset(),
    ("POST", "seed"): lambda state, request: control_items.seed(state, _body(request)),
    ("GET", "item"): _get_item,
    ("POST", "item"): lambda state, request: control_items.update_item(state, _body(request)),
    ("POST", "item/delete"): lambda state, request: control_items.delete_item(state, _body(request)),
    ("GET", "tokens"): lambda state, request: state.tokens.view(),
    ("POST", "tokens"): lambda state, request: state.tokens.set(**_body(request)),
    ("POST", "switches"): lambda state, request: state.update_switches(_body(request)),
    ("POST", "faults"): lambda state, request: {"id": state.faults.add(_body(request))},
    ("POST", "faults/clear"): lambda state, request: state.faults.clear(),
    ("GET", "journal"): _get_journal,
    ("POST", "journal/clear"): lambda state, request: state.journal.clear(),
    ("GET", "upload_sessions"): lambda state, request: {"sessions": state.sessions.view()},
}

# Calls that wait for API requests, which need the state lock to finish.
UNLOCKED_CALLS = {
    ("POST", "settle"): lambda state, request: state.in_flight.settle(_body(request).get("timeout_ms", 30000) / 1000.0),
}
