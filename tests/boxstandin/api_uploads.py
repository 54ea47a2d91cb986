"""Upload preflight checks and standard (multipart) uploads of new files and new versions."""

import json
from contextlib import contextmanager

from api_items import check_change, check_new_item, optional_date, parent_id_of
from blobs import CHUNK_SIZE, BlobWriter
from errors import bad_request
from httpmsg import fields_param, json_reply
from multipart import read_parts
from render import Renderer
from store import File


def preflight_new(state, request):
    body = request.json_object()
    check_new_item(state, parent_id_of(body), body.get("name"))
    return _upload_url(state)


def preflight_version(state, request):
    target = state.store.file(request.path_params["file_id"])
    check_change(state, target, request.json_object(optional=True).get("name") or target.name)
    return _upload_url(state)


def upload_new(state, request):
    """Reads the form outside the state lock (it may be large), then adds the file."""
    attributes, blob = _read_form(state, request)
    with state.lock:
        with _discarded_on_error(blob):
            _check_content_digest(request, blob)
            name, parent_id = attributes.get("name"), parent_id_of(attributes)
            content_modified = optional_date(attributes, "content_modified_at")
            check_new_item(state, parent_id, name)
        created = state.store.add(File, name, parent_id, blob=blob)
        created.content_modified = content_modified
        return json_reply(201, files_reply_body(state, request, created))


def upload_version(state, request):
    attributes, blob = _read_form(state, request)
    with state.lock:
        with _discarded_on_error(blob):
            _check_content_digest(request, blob)
            target = state.store.file(request.path_params["file_id"])
            new_name = attributes.get("name", target.name)
            check_change(state, target, new_name)
            content_modified = optional_date(attributes, "content_modified_at")
        state.store.replace_content(target, blob, content_modified)
        state.store.set_name(target, new_name)
        return json_reply(200, files_reply_body(state, request, target))


def files_reply_body(state, request, item):
    return {"total_count": 1, "entries": [Renderer(state).item(item, fields_param(request))]}


def _read_form(state, request):
    """The attributes (which must come first) and the file content of an upload form."""
    parts = read_parts(request.body, request.header("Content-Type"))
    names = [part.name for part in parts]
    if "attributes" not in names or "file" not in names:
        raise bad_request("The form needs an 'attributes' part and a 'file' part")
    attributes_part, file_part = parts[names.index("attributes")], parts[names.index("file")]
    if file_part.start < attributes_part.start:
        raise bad_request("The attributes part must come before the file part", code="metadata_after_file_contents")
    request.body.file.seek(attributes_part.start)
    try:
        attributes = json.loads(request.body.file.read(attributes_part.length))
    except ValueError:
        attributes = None
    if not isinstance(attributes, dict):
        raise bad_request("The attributes part must be a JSON object")
    writer = BlobWriter(state.spool)
    request.body.file.seek(file_part.start)
    for offset in range(0, file_part.length, CHUNK_SIZE):
        writer.write(request.body.file.read(min(CHUNK_SIZE, file_part.length - offset)))
    return attributes, writer.finish()


def _check_content_digest(request, blob):
    """Box takes the file's SHA-1 (hex) in "content-md5", against corruption in transit, and refuses other bytes."""
    expected = request.header("content-md5")
    if expected is not None and expected.strip().lower() != blob.sha1:
        raise bad_request("The specified content-md5 did not match what we received", code="bad_digest")


@contextmanager
def _discarded_on_error(blob):
    """Until the store owns the new content, a failed upload must not leave a spool file."""
    try:
        yield
    except BaseException:
        blob.discard()
        raise


def _upload_url(state):
    return json_reply(200, {"upload_url": state.base_url + "/api/2.0/files/content", "upload_token": None})
