"""Seeding, changing, deleting and showing store items for the control interface.

Every function raises ValueError for a malformed request and LookupError for a missing item;
the control interface turns them into 400 and 404.
"""

import base64

import dates
from api_metadata import check_template_fields, new_instance
from blobs import MemoryBlob, pattern_blob
from store import ROOT_ID, File, Folder, WebLink

CONTENT_VIEW_LIMIT = 16 * 1024 * 1024
KINDS = {"file": File, "folder": Folder, "web_link": WebLink}
USER_KEYS = ("id", "name", "login", "enterprise_id", "space_amount", "max_upload_size")
ITEM_KEYS = {"id", "name", "parent_id", "created_at", "modified_at", "etag", "permissions"}
FILE_KEYS = ITEM_KEYS | {"content_base64", "content_text", "pattern", "content_modified_at",
                         "version_number", "lock", "metadata"}
FOLDER_KEYS = ITEM_KEYS | {"content_modified_at"}
WEB_LINK_KEYS = ITEM_KEYS | {"url"}


def seed(state, data):
    _expect_object(data, "seed", {"user", "metadata_templates", "folders", "files", "web_links"})
    store = state.store
    if "user" in data:
        _seed_user(store, data["user"])
    for template in _list(data, "metadata_templates"):
        _seed_template(state, template)
    created = {"folders": [], "files": [], "web_links": []}
    for folder_data in _list(data, "folders"):
        created["folders"].append(_seed_folder(state, folder_data).id)
    for file_data in _list(data, "files"):
        created["files"].append(_seed_file(state, file_data).id)
    for link_data in _list(data, "web_links"):
        created["web_links"].append(_seed_web_link(state, link_data).id)
    return created


def update_item(state, data):
    _expect_object(data, "item", None)
    item = find_item(state, data.get("type"), data.get("id"))
    allowed = {"file": FILE_KEYS, "folder": FOLDER_KEYS, "web_link": WEB_LINK_KEYS}[item.type]
    _expect_object(data, "item", allowed | {"type"})
    changes = {key: value for key, value in data.items() if key not in ("type", "id")}
    if "name" in changes or "parent_id" in changes:
        _place(state, item, changes.get("name", item.name),
               changes.get("parent_id", item.parent_id))
    if isinstance(item, File) and _content_given(changes):
        state.store.replace_content(item, _content(state, changes))
    _apply_common(state, item, changes)
    return item_view(state, item)


def delete_item(state, data):
    _expect_object(data, "item", {"type", "id"})
    item = find_item(state, data.get("type"), data.get("id"))
    if item.id == ROOT_ID:
        raise ValueError("the root folder cannot be deleted")
    state.store.delete(item)


def find_item(state, kind, item_id):
    if kind not in KINDS:
        raise ValueError("'type' must be one of %s" % ", ".join(KINDS))
    item = state.store.find(str(item_id), KINDS[kind])
    if item is None:
        raise LookupError("no %s with id %r" % (kind, item_id))
    return item


def find_by_path(state, path):
    """The item at a slash-separated path of names from the root ("/" is the root)."""
    item = state.store.items[ROOT_ID]
    for name in [part for part in str(path).split("/") if part]:
        item = next((child for child in state.store.children(item.id) if child.name == name),
                    None)
        if item is None:
            raise LookupError("nothing at %r" % path)
    return item


def item_view(state, item, with_content=False):
    store = state.store
    view = {"type": item.type, "id": item.id, "name": item.name, "parent_id": item.parent_id,
            "path": "/" + "/".join([f.name for f in store.ancestors(item)[1:]] + [item.name]),
            "etag": str(item.etag), "created_at": _date(item.created_at),
            "modified_at": _date(item.modified_at),
            "content_modified_at": _date(item.content_modified_at),
            "permissions": dict(item.permissions)}
    if isinstance(item, Folder):
        view["children"] = [{"type": c.type, "id": c.id, "name": c.name}
                            for c in store.children(item.id)]
        if item.id == ROOT_ID:
            view["path"] = "/"
    elif isinstance(item, WebLink):
        view["url"] = item.url
    else:
        view.update(_file_view(item, with_content))
    return view


def _file_view(item, with_content):
    view = {"size": item.size, "sha1": item.sha1, "version_number": str(item.version_number),
            "lock": _lock_view(item.lock), "metadata": item.metadata}
    if with_content:
        if item.size > CONTENT_VIEW_LIMIT:
            raise ValueError("content above %d bytes is not shown; compare sha1 instead"
                             % CONTENT_VIEW_LIMIT)
        view["content_base64"] = base64.b64encode(item.blob.read_all()).decode("ascii")
    return view


def _lock_view(lock):
    if lock is None:
        return None
    return {"id": lock.id, "created_at": _date(lock.created_at), "created_by": lock.created_by,
            "expires_at": _date(lock.expires_at),
            "is_download_prevented": lock.is_download_prevented}


def _seed_user(store, data):
    _expect_object(data, "user", set(USER_KEYS))
    for key in ("id", "name", "login"):
        if key in data:
            setattr(store.user, key, str(data[key]))
    if "enterprise_id" in data:
        enterprise_id = data["enterprise_id"]
        store.user.enterprise_id = None if enterprise_id is None else str(enterprise_id)
    for key in ("space_amount", "max_upload_size"):
        if key in data:
            setattr(store.user, key, _int(data[key], key))


def _seed_template(state, data):
    _expect_object(data, "metadata template", {"scope", "template_key", "fields"})
    scope = _scope(state, data.get("scope"))
    key = data.get("template_key")
    if not isinstance(key, str) or not key:
        raise ValueError("'template_key' must be a non-empty string")
    state.store.templates[(scope, key)] = check_template_fields(data.get("fields"))


def _seed_folder(state, data):
    _expect_object(data, "folder", FOLDER_KEYS)
    parent_id = _free_place(state, data)
    folder = state.store.add_folder(data["name"], parent_id, _id(data))
    _apply_common(state, folder, data)
    return folder


def _seed_file(state, data):
    _expect_object(data, "file", FILE_KEYS)
    parent_id = _free_place(state, data)
    blob = _content(state, data) if _content_given(data) else MemoryBlob(b"")
    new_file = state.store.add_file(data["name"], parent_id, blob, _id(data))
    _apply_common(state, new_file, data)
    return new_file


def _seed_web_link(state, data):
    _expect_object(data, "web link", WEB_LINK_KEYS)
    parent_id = _free_place(state, data)
    link = state.store.add_web_link(data["name"], parent_id, str(data.get("url", "")), _id(data))
    _apply_common(state, link, data)
    return link


def _apply_common(state, item, data):
    """Members that any kind of item may set, applied after the item exists."""
    for key in ("created_at", "modified_at"):
        if key in data:
            setattr(item, key, _parse_date(data[key], key))
    if "content_modified_at" in data:
        item.content_modified = _parse_date(data["content_modified_at"], "content_modified_at")
    if "etag" in data:
        item.etag = _int(data["etag"], "etag")
    if "permissions" in data:
        _expect_object(data["permissions"], "permissions", None)
        item.permissions = {name: bool(value) for name, value in data["permissions"].items()}
    if "version_number" in data:
        item.version_number = _int(data["version_number"], "version_number")
    if "lock" in data:
        item.lock = _lock(state, data["lock"])
    if "metadata" in data:
        item.metadata = _metadata(state, item, data["metadata"])


def _free_place(state, data):
    name, parent_id = data.get("name"), str(data.get("parent_id", ROOT_ID))
    if not isinstance(name, str) or not name:
        raise ValueError("'name' must be a non-empty string")
    if state.store.find(parent_id, Folder) is None:
        raise ValueError("no parent folder with id %r" % parent_id)
    if state.store.conflict(parent_id, name) is not None:
        raise ValueError("folder %r already holds an item named %r" % (parent_id, name))
    return parent_id


def _place(state, item, name, parent_id):
    parent = state.store.find(str(parent_id), Folder)
    if parent is None:
        raise ValueError("no parent folder with id %r" % parent_id)
    if item.id == ROOT_ID or parent is item or state.store.is_within(parent, item.id):
        raise ValueError("a folder cannot move into itself")
    if not isinstance(name, str) or not name:
        raise ValueError("'name' must be a non-empty string")
    if state.store.conflict(str(parent_id), name, exclude_id=item.id) is not None:
        raise ValueError("folder %r already holds an item named %r" % (parent_id, name))
    renamed = name != item.name
    state.store.relocate(item, str(parent_id), name)
    if renamed:
        item.etag += 1
        item.modified_at = dates.now()


def _content_given(data):
    return any(key in data for key in ("content_base64", "content_text", "pattern"))


def _content(state, data):
    given = [key for key in ("content_base64", "content_text", "pattern") if key in data]
    if len(given) != 1:
        raise ValueError("give exactly one of content_base64, content_text, pattern")
    value = data[given[0]]
    if given[0] == "content_text":
        return MemoryBlob(str(value).encode("utf-8"))
    if given[0] == "content_base64":
        return MemoryBlob(base64.b64decode(value, validate=True))
    _expect_object(value, "pattern", {"size", "seed"})
    return pattern_blob(state.spool, _int(value.get("size"), "pattern.size"),
                        _int(value.get("seed", 0), "pattern.seed"))


def _lock(state, data):
    if data is None:
        return None
    _expect_object(data, "lock", {"id", "created_at", "created_by", "expires_at",
                                  "is_download_prevented"})
    created_by = data.get("created_by")
    if created_by is not None:
        _expect_object(created_by, "lock.created_by", {"id", "name", "login"})
        created_by = dict({"type": "user"}, **{k: str(v) for k, v in created_by.items()})
    expires = data.get("expires_at")
    return state.store.new_lock(
        None if expires is None else _parse_date(expires, "lock.expires_at"),
        bool(data.get("is_download_prevented", False)), created_by,
        _parse_date(data["created_at"], "lock.created_at") if "created_at" in data else None,
        str(data["id"]) if "id" in data else None)


def _metadata(state, item, data):
    _expect_object(data, "metadata", None)
    instances = {}
    for scope, templates in data.items():
        _expect_object(templates, "metadata scope", None)
        resolved = _scope(state, scope)
        for template_key, values in templates.items():
            _expect_object(values, "metadata instance", None)
            instances.setdefault(resolved, {})[template_key] = new_instance(
                item.id, resolved, template_key, values)
    return instances


def _scope(state, scope):
    if scope == "enterprise":
        return "enterprise_%s" % state.store.user.enterprise_id
    if not isinstance(scope, str) or not scope:
        raise ValueError("a metadata scope must be a non-empty string")
    return scope


def _id(data):
    return None if data.get("id") is None else str(data["id"])


def _list(data, key):
    value = data.get(key, [])
    if not isinstance(value, list):
        raise ValueError("'%s' must be a list" % key)
    return value


def _int(value, name):
    try:
        number = int(value)
    except (TypeError, ValueError):
        raise ValueError("'%s' must be an integer" % name) from None
    if isinstance(value, bool) or number < 0:
        raise ValueError("'%s' must be an integer >= 0" % name)
    return number


def _parse_date(text, name):
    try:
        return dates.parse(text)
    except ValueError:
        raise ValueError("'%s' is not an RFC 3339 date-time" % name) from None


def _date(value):
    return dates.format_date(value, "z")


def _expect_object(value, what, allowed):
    if not isinstance(value, dict):
        raise ValueError("%s must be a JSON object" % what)
    if allowed is not None and set(value) - set(allowed):
        raise ValueError("unknown %s member(s): %s"
                         % (what, ", ".join(sorted(set(value) - set(allowed)))))
