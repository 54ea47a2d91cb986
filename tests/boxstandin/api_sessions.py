"""Chunked uploads. Parts, commit and abort lock their session and take the state lock only for short spells."""

import dates
from api_items import check_change, check_new_item
from api_uploads import files_reply_body
from errors import bad_request
from httpmsg import empty_reply, json_reply
from sessions import ABORTED, COMMITTED, check_open
from store import File


def create_session(state, request):
    body = request.json_object()
    name, size, folder_id = body.get("file_name"), _file_size(body), body.get("folder_id")
    check_new_item(state, folder_id, name)
    return _new_session(state, name, size, folder_id=folder_id)


def create_version_session(state, request):
    body = request.json_object()
    target = state.store.file(request.path_params["file_id"])
    name, size = body.get("file_name") or target.name, _file_size(body)
    check_change(state, target, name)
    return _new_session(state, name, size, file_id=target.id)


def upload_part(state, request):
    session = _session(state, request)
    with session.lock:
        check_open(session)
        part = session.add_part(request.header("Content-Range"), request.header("Digest"), request.body)
    return json_reply(200, {"part": part._asdict()})


def commit(state, request):
    session = _session(state, request)
    body = request.json_object()
    with session.lock:
        check_open(session)
        # Hashing a large file takes a while: do it without holding the state lock.
        blob = session.commit(body.get("parts"), request.header("Digest"))
        with state.lock:
            item = _store_committed(state, session, blob)
            state.sessions.finish(session, COMMITTED, keep_file=True)
            return json_reply(201, files_reply_body(state, request, item))


def abort(state, request):
    session = _session(state, request)
    with session.lock:
        check_open(session)
        state.sessions.finish(session, ABORTED)
    return empty_reply(204)


def _new_session(state, name, size, **destination):
    session = state.sessions.create(name, size, state.switches.get("part_size"), **destination)
    base = "%s/api/2.0/files/upload_sessions/%s" % (state.base_url, session.id)
    return json_reply(201, {
        "id": session.id, "type": "upload_session", "session_expires_at": dates.format_date(session.expires_at),
        "part_size": session.part_size, "total_parts": session.total_parts, "num_parts_processed": len(session.parts),
        "session_endpoints": {"upload_part": base, "commit": base + "/commit", "abort": base,
                              "list_parts": base + "/parts", "status": base, "log_event": base + "/log"}})


def _store_committed(state, session, blob):
    if session.file_id is None:
        check_new_item(state, session.folder_id, session.file_name)
        return state.store.add(File, session.file_name, session.folder_id, blob=blob)
    target = state.store.file(session.file_id)
    check_change(state, target, session.file_name)
    state.store.replace_content(target, blob)
    state.store.set_name(target, session.file_name)
    return target


def _session(state, request):
    with state.lock:
        return state.sessions.open_session(request.path_params["upload_session_id"])


def _file_size(body):
    size = body.get("file_size")
    if isinstance(size, bool) or not isinstance(size, int) or not 0 < size < 2 ** 63:
        raise bad_request("'file_size' must be a positive 64-bit integer", code="invalid_file_size")
    return size
