"""The user, folders, files, folder listings and downloads."""

import base64

import dates
from errors import bad_request, client_error, invalid_parameter, not_found
from httpmsg import content_reply, empty_reply, fields_param, int_param, json_reply
from render import Renderer
from store import ROOT_ID, File, Folder, check_name

TYPE_ORDER = {"folder": 0, "file": 1, "web_link": 2}
SORT_KEYS = {"name": lambda item: item.name.casefold(),
             "date": lambda item: (item.modified_at, int(item.id))}


def item_reply(state, request, item, status=200):
    return json_reply(status, Renderer(state).item(item, fields_param(request)))


def users_me(state, request):
    user, enterprise_id = state.store.user, state.enterprise_id()
    created = dates.format_date(state.store.items[ROOT_ID].created_at)
    full = {"type": "user", "id": user.id, "name": user.name, "login": user.login,
            "created_at": created, "modified_at": created, "language": "en", "status": "active",
            "enterprise": None if enterprise_id is None else
            {"type": "enterprise", "id": enterprise_id, "name": "Test Enterprise"}}
    fields = fields_param(request)
    if fields is not None:
        full = {key: full[key] for key in ["type", "id"] + fields if key in full}
    return json_reply(200, full)


def get_folder(state, request):
    return item_reply(state, request, state.store.folder(request.path_params["folder_id"]))


def create_folder(state, request):
    body = request.json_object()
    name, parent_id = body.get("name"), parent_id_of(body)
    check_new_item(state, parent_id, name)
    return item_reply(state, request, state.store.add(Folder, name, parent_id), status=201)


def update_folder(state, request):
    folder = state.store.folder(request.path_params["folder_id"])
    body = request.json_object()
    if "name" in body:
        check_change(state, folder, body["name"])
        state.store.rename(folder, body["name"])
    return item_reply(state, request, folder)


def delete_folder(state, request):
    folder = state.store.folder(request.path_params["folder_id"])
    if folder.id == ROOT_ID:
        raise client_error(403, "access_denied_insufficient_permissions",
                           "The root folder cannot be deleted")
    if state.store.children(folder.id) and request.param("recursive") != "true":
        raise client_error(400, "folder_not_empty", "Cannot delete - folder not empty")
    state.store.delete(folder)
    return empty_reply(204)


def list_folder_items(state, request):
    folder = state.store.folder(request.path_params["folder_id"])
    if request.param("usemarker") != "true":
        raise bad_request("The stand-in pages folder items by marker only (usemarker=true)")
    limit = int_param(request, "limit", 100, minimum=1)
    key = SORT_KEYS.get(request.param("sort") or "name")
    if key is None:
        raise invalid_parameter("sort", "The stand-in sorts folder items by name or date only")
    descending = request.param("direction") == "DESC"
    # Folders first, then files, then web links; each group by the sort key.
    children = state.store.ordered_children(
        folder.id, (request.param("sort") or "name", descending),
        lambda items: sorted(sorted(items, key=key, reverse=descending), key=lambda item: TYPE_ORDER[item.type]))
    start = decode_marker(request.param("marker"))
    page = {"limit": limit, "next_marker": encode_marker(start + limit)
            if start + limit < len(children) else None}
    renderer = Renderer(state)
    page["entries"] = [renderer.item(item, fields_param(request), variant="mini")
                       for item in children[start:start + limit]]
    return json_reply(200, page)


def encode_marker(position):
    return base64.urlsafe_b64encode(b"position:%d" % position).decode("ascii").rstrip("=")


def decode_marker(marker):
    try:
        padded = (marker or "") + "=" * (-len(marker or "") % 4)
        label, _, number = base64.urlsafe_b64decode(padded).decode("ascii").partition(":")
        if not marker or (label == "position" and number.isdigit()):
            return int(number or 0)
    except (ValueError, UnicodeDecodeError):
        pass
    raise invalid_parameter("marker", "Invalid value '%s' for query parameter 'marker'" % marker)


def get_file(state, request):
    return item_reply(state, request, state.store.file(request.path_params["file_id"]))


def update_file(state, request):
    target = state.store.file(request.path_params["file_id"])
    body = request.json_object()
    check_change(state, target, body.get("name", target.name))
    state.store.rename(target, body.get("name", target.name))
    if "lock" in body:
        _apply_lock(state, target, body["lock"])
    return item_reply(state, request, target)


def delete_file(state, request):
    target = state.store.file(request.path_params["file_id"])
    check_not_locked_by_other(state, target)
    state.store.delete(target)
    return empty_reply(204)


def _apply_lock(state, target, lock):
    if lock is None:
        target.lock = None
    elif isinstance(lock, dict) and lock.get("access") == "lock":
        target.lock = state.store.new_lock(optional_date(lock, "expires_at"),
                                           bool(lock.get("is_download_prevented")))
    else:
        raise bad_request("'lock' must be null or an object with access 'lock'")


def check_not_locked_by_other(state, target):
    lock = target.lock
    if (lock is not None and lock.created_by.get("id") != state.store.user.id
            and (lock.expires_at is None or lock.expires_at > dates.now())):
        raise client_error(403, "access_denied_item_locked", "The item is locked by another user")


def check_new_item(state, parent_id, name):
    check_name(name)
    state.store.folder(parent_id)
    check_no_conflict(state, parent_id, name)


def check_change(state, item, new_name):
    """Box's refusals of a change to an item that leaves it named `new_name`."""
    if isinstance(item, File):
        check_not_locked_by_other(state, item)
    if new_name != item.name:
        check_name(new_name)
        check_no_conflict(state, item.parent_id, new_name, exclude_id=item.id)


def check_no_conflict(state, parent_id, name, exclude_id=None):
    existing = state.store.conflict(parent_id, name, exclude_id)
    if existing is not None:
        raise client_error(409, "item_name_in_use", "Item with the same name already exists",
                           {"conflicts": [Renderer(state).mini(existing)]})


def parent_id_of(body):
    parent = body.get("parent")
    if not isinstance(parent, dict) or not isinstance(parent.get("id"), str):
        raise bad_request("'parent' must be an object with a string 'id'")
    return parent["id"]


def optional_date(record, key):
    if record.get(key) is None:
        return None
    try:
        return dates.parse(record[key])
    except ValueError:
        raise bad_request("'%s' is not an RFC 3339 date-time" % key) from None


def download(state, request):
    target = state.store.file(request.path_params["file_id"])
    mode = state.switches.get("download_mode")
    if mode == "not_ready":
        return empty_reply(202, [("Retry-After", "1")])
    if mode == "direct":
        return content_reply(target.blob.open(), target.size)
    location = "%s/_download/%s.%s" % (state.base_url, target.id, target.version_id)
    return empty_reply(302, [("Location", location)])


def download_blob(state, request):
    """The made-up download host: serves one version's bytes without authentication."""
    file_id, _, version_id = request.path_params["ticket"].partition(".")
    target = state.store.find(file_id, File)
    if target is None or target.version_id != version_id:
        raise not_found("The download link has expired")
    return content_reply(target.blob.open(), target.size)

