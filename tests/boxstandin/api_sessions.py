"""Chunked uploads. Parts, commit and abort lock their session and take the state lock only
for short spells."""

from dataclasses import asdict

import dates
from api_items import check_no_conflict, check_not_locked_by_other
from api_uploads import files_reply_body
from errors import bad_request
from httpmsg import empty_reply, json_reply
from sessions import ABORTED, COMMITTED, check_open
from store import File, check_name


def create_session(state, request):
    body = request.json_object()
    name, size = _file_name(body, required=True), _file_size(body)
    folder_id = body.get("folder_id")
    if not isinstance(folder_id, str):
        raise bad_request("'folder_id' must be a string", code="invalid_folder_id")
    state.store.folder(folder_id)
    check_no_conflict(state, folder_id, name)
    session = state.sessions.create(name, size, state.switches.get("part_size"),
                                    folder_id=folder_id)
    return json_reply(201, session_record(state, session))


def create_version_session(state, request):
    body = request.json_object()
    name, size = _file_name(body, required=False), _file_size(body)
    target = state.store.file(request.path_params["file_id"])
    check_not_locked_by_other(state, target)
    if name is not None and name != target.name:
        check_no_conflict(state, target.parent_id, name, exclude_id=target.id)
    session = state.sessions.create(name or target.name, size, state.switches.get("part_size"),
                                    file_id=target.id)
    return json_reply(201, session_record(state, session))


def upload_part(state, request):
    session = _session(state, request)
    with session.lock:
        check_open(session)
        part = session.add_part(request.header("Content-Range"), request.header("Digest"),
                                request.body)
    return json_reply(200, {"part": asdict(part)})


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


def session_record(state, session):
    base = "%s/api/2.0/files/upload_sessions/%s" % (state.base_url, session.id)
    return {"id": session.id, "type": "upload_session",
            "session_expires_at": dates.format_date(session.expires_at),
            "part_size": session.part_size, "total_parts": session.total_parts,
            "num_parts_processed": len(session.parts),
            "session_endpoints": {"upload_part": base, "commit": base + "/commit",
                                  "abort": base, "list_parts": base + "/parts",
                                  "status": base, "log_event": base + "/log"}}


def _store_committed(state, session, blob):
    """The new file, or the file with its new version, made from the session's content."""
    store = state.store
    if session.file_id is None:
        store.folder(session.folder_id)
        check_no_conflict(state, session.folder_id, session.file_name)
        return store.add(File, session.file_name, session.folder_id, blob=blob)
    target = store.file(session.file_id)
    if session.file_name != target.name:
        check_no_conflict(state, target.parent_id, session.file_name, exclude_id=target.id)
    store.replace_content(target, blob)
    store.set_name(target, session.file_name)
    return target


def _session(state, request):
    with state.lock:
        return state.sessions.open_session(request.path_params["upload_session_id"])


def _file_name(body, required):
    name = body.get("file_name")
    if name is None and required:
        raise bad_request("'file_name' is required", code="missing_file_name")
    if name is not None:
        check_name(name)
    return name


def _file_size(body):
    size = body.get("file_size")
    if isinstance(size, bool) or not isinstance(size, int) or not 0 < size < 2 ** 63:
        raise bad_request("'file_size' must be a positive 64-bit integer",
                          code="invalid_file_size")
    return size
