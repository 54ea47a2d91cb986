"""Upload preflight checks and standard (multipart) uploads of new files and new versions."""

import json
from contextlib import contextmanager

from api_items import (check_no_conflict, check_not_locked_by_other, optional_date,
                       parent_id_of)
from blobs import BlobWriter, copy_into
from errors import bad_request, client_error
from httpmsg import fields_param, json_reply
from multipart import read_parts
from render import Renderer
from store import File, check_name


def preflight_new(state, request):
    body = request.json_object()
    name, parent_id = body.get("name"), parent_id_of(body)
    check_name(name)
    state.store.folder(parent_id)
    check_no_conflict(state, parent_id, name)
    size = _declared_size(body)
    check_quota(state, size, size)
    return _upload_url(state)


def preflight_version(state, request):
    target = state.store.file(request.path_params["file_id"])
    body = request.json_object(optional=True)
    if body.get("name") is not None:
        check_name(body["name"])
        check_no_conflict(state, target.parent_id, body["name"], exclude_id=target.id)
    check_not_locked_by_other(state, target)
    size = _declared_size(body)
    check_quota(state, size, size - target.size)
    return _upload_url(state)


def upload_new(state, request):
    """Reads the form outside the state lock (it may be large), then adds the file."""
    attributes, blob = _read_form(state, request)
    with state.lock:
        with _discarded_on_error(blob):
            name, parent_id = attributes.get("name"), parent_id_of(attributes)
            check_name(name)
            content_modified = optional_date(attributes, "content_modified_at")
            state.store.folder(parent_id)
            check_no_conflict(state, parent_id, name)
            check_quota(state, blob.size, blob.size)
        created = state.store.add(File, name, parent_id, blob=blob)
        created.content_modified = content_modified
        return json_reply(201, files_reply_body(state, request, created))


def upload_version(state, request):
    attributes, blob = _read_form(state, request)
    with state.lock:
        with _discarded_on_error(blob):
            target = state.store.file(request.path_params["file_id"])
            check_not_locked_by_other(state, target)
            new_name = attributes.get("name", target.name)
            if new_name != target.name:
                check_name(new_name)
                check_no_conflict(state, target.parent_id, new_name, exclude_id=target.id)
            content_modified = optional_date(attributes, "content_modified_at")
            check_quota(state, blob.size, blob.size - target.size)
        state.store.replace_content(target, blob, content_modified)
        state.store.set_name(target, new_name)
        return json_reply(200, files_reply_body(state, request, target))


def check_quota(state, file_size, extra_bytes):
    """Box's refusals for a file of `file_size` bytes that adds `extra_bytes` to the account."""
    store = state.store
    if file_size > store.user.max_upload_size:
        raise client_error(403, "file_size_limit_exceeded", "File size exceeds the limit")
    if store.space_used() + max(extra_bytes, 0) > store.user.space_amount:
        raise client_error(403, "storage_limit_exceeded", "Account storage limit reached")


def files_reply_body(state, request, item):
    return {"total_count": 1, "entries": [Renderer(state).item(item, fields_param(request))]}


def _read_form(state, request):
    """The attributes (which must come first) and the file content of an upload form."""
    parts = read_parts(request.body, request.header("Content-Type"))
    names = [part.name for part in parts]
    if "attributes" not in names or "file" not in names:
        raise bad_request("The form needs an 'attributes' part and a 'file' part")
    if names.index("file") < names.index("attributes"):
        raise bad_request("The attributes part must come before the file part",
                          code="metadata_after_file_contents")
    attributes = _attributes(parts[names.index("attributes")].read(request.body.file))
    file_part = parts[names.index("file")]
    writer = BlobWriter(state.spool)
    request.body.file.seek(file_part.start)
    copy_into(writer, request.body.file, file_part.length)
    return attributes, writer.finish()


@contextmanager
def _discarded_on_error(blob):
    """Until the store owns the new content, a failed upload must not leave a spool file."""
    try:
        yield
    except BaseException:
        blob.discard()
        raise


def _attributes(raw):
    try:
        value = json.loads(raw.decode("utf-8"))
    except (UnicodeDecodeError, ValueError):
        raise bad_request("The attributes part is not valid JSON") from None
    if not isinstance(value, dict):
        raise bad_request("The attributes part must be a JSON object")
    return value


def _declared_size(body):
    size = body.get("size", 0)
    if isinstance(size, bool) or not isinstance(size, int) or size < 0:
        raise bad_request("'size' must be a non-negative integer")
    return size


def _upload_url(state):
    return json_reply(200, {"upload_url": state.base_url + "/api/2.0/files/content",
                            "upload_token": None})
