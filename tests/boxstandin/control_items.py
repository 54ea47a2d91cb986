"""Seeding, changing, deleting and showing store items for the control interface.

Every function raises ValueError for a malformed request and LookupError for a missing item;
the control interface turns them into 400 and 404.
"""

import base64

import dates
from api_metadata import check_template_fields, new_instance
from blobs import Blob, pattern_blob
from store import ROOT_ID, File, Folder, WebLink

CONTENT_VIEW_LIMIT = 16 * 1024 * 1024
KINDS = {"file": File, "folder": Folder, "web_link": WebLink}
CONTENT_KEYS = ("content_base64", "content_text", "pattern")
ITEM_KEYS = {"id", "name", "parent_id", "created_at", "modified_at", "etag", "permissions"}
KEYS = {"folder": ITEM_KEYS | {"content_modified_at"}, "web_link": ITEM_KEYS | {"url"},
        "file": ITEM_KEYS | {"content_modified_at", "version_number", "lock", "metadata",
                             *CONTENT_KEYS}}


def seed(state, data):
    _expect_object(data, "seed", {"user", "metadata_templates", "folders", "files", "web_links"})
    if "user" in data:
        _seed_user(state.store.user, data["user"])
    for template in _list(data, "metadata_templates"):
        _expect_object(template, "metadata template", {"scope", "template_key", "fields"})
        key = template.get("template_key")
        if not isinstance(key, str) or not key:
            raise ValueError("'template_key' must be a non-empty string")
        state.store.templates[(_scope(state, template.get("scope")), key)] = \
            check_template_fields(template.get("fields"))
    return {plural: [_seed_item(state, kind, item).id for item in _list(data, plural)]
            for kind, plural in (("folder", "folders"), ("file", "files"),
                                 ("web_link", "web_links"))}


def update_item(state, data):
    _expect_object(data, "item", None)
    item = find_item(state, data.get("type"), data.get("id"))
    _expect_object(data, "item", KEYS[item.type] | {"type"})
    changes = {key: value for key, value in data.items() if key not in ("type", "id")}
    if "name" in changes or "parent_id" in changes:
        _place(state, item, changes.get("name", item.name),
               str(changes.get("parent_id", item.parent_id)))
    if isinstance(item, File) and any(key in changes for key in CONTENT_KEYS):
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
    names = [folder.name for folder in store.ancestors(item)[1:]]
    view = {"type": item.type, "id": item.id, "name": item.name, "parent_id": item.parent_id,
            "path": "/" + "/".join(names + ([item.name] if item.id != ROOT_ID else [])),
            "etag": str(item.etag), "created_at": _date(item.created_at),
            "modified_at": _date(item.modified_at),
            "content_modified_at": _date(item.content_modified_at),
            "permissions": dict(item.permissions)}
    if isinstance(item, Folder):
        view["children"] = [{"type": c.type, "id": c.id, "name": c.name}
                            for c in store.children(item.id)]
    elif isinstance(item, WebLink):
        view["url"] = item.url
    else:
        lock = item.lock
        view.update({"size": item.size, "sha1": item.sha1,
                     "version_number": str(item.version_number), "metadata": item.metadata,
                     "lock": lock and {"id": lock.id, "created_at": _date(lock.created_at),
                                       "created_by": lock.created_by,
                                       "expires_at": _date(lock.expires_at),
                                       "is_download_prevented": lock.is_download_prevented}})
        if with_content:
            if item.size > CONTENT_VIEW_LIMIT:
                raise ValueError("content above %d bytes is not shown; compare sha1 instead"
                                 % CONTENT_VIEW_LIMIT)
            with item.blob.open() as stream:
                view["content_base64"] = base64.b64encode(stream.read()).decode("ascii")
    return view


def _seed_user(user, data):
    _expect_object(data, "user", {"id", "name", "login", "enterprise_id", "space_amount"})
    for key in ("id", "name", "login"):
        if key in data:
            setattr(user, key, str(data[key]))
    if "enterprise_id" in data:
        user.enterprise_id = None if data["enterprise_id"] is None else str(data["enterprise_id"])
    if "space_amount" in data:
        user.space_amount = _int(data["space_amount"], "space_amount")


def _seed_item(state, kind, data):
    _expect_object(data, kind, KEYS[kind])
    name, parent_id = data.get("name"), str(data.get("parent_id", ROOT_ID))
    _check_place(state, name, parent_id)
    members = {"url": str(data.get("url", ""))} if kind == "web_link" else {}
    if kind == "file":
        members["blob"] = (_content(state, data) if any(key in data for key in CONTENT_KEYS)
                           else Blob.of_bytes(b""))
    item = state.store.add(KINDS[kind], name, parent_id,
                           None if data.get("id") is None else str(data["id"]), **members)
    _apply_common(state, item, data)
    return item


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
        _expect_object(data["metadata"], "metadata", None)
        item.metadata = {}
        for scope, templates in data["metadata"].items():
            _expect_object(templates, "metadata scope", None)
            resolved = _scope(state, scope)
            for template_key, values in templates.items():
                _expect_object(values, "metadata instance", None)
                item.metadata.setdefault(resolved, {})[template_key] = new_instance(
                    item.id, resolved, template_key, values)


def _check_place(state, name, parent_id, item=None):
    parent = state.store.find(parent_id, Folder)
    if parent is None:
        raise ValueError("no parent folder with id %r" % parent_id)
    if item and (item.id == ROOT_ID or parent is item or state.store.is_within(parent, item.id)):
        raise ValueError("a folder cannot move into itself")
    if not isinstance(name, str) or not name:
        raise ValueError("'name' must be a non-empty string")
    if state.store.conflict(parent_id, name, exclude_id=item and item.id) is not None:
        raise ValueError("folder %r already holds an item named %r" % (parent_id, name))


def _place(state, item, name, parent_id):
    _check_place(state, name, parent_id, item)
    if name != item.name:
        item.etag += 1
        item.modified_at = dates.now()
    state.store.relocate(item, parent_id, name)


def _content(state, data):
    given = [key for key in CONTENT_KEYS if key in data]
    if len(given) != 1:
        raise ValueError("give exactly one of %s" % ", ".join(CONTENT_KEYS))
    value = data[given[0]]
    if given[0] == "content_text":
        return Blob.of_bytes(str(value).encode("utf-8"))
    if given[0] == "content_base64":
        return Blob.of_bytes(base64.b64decode(value, validate=True))
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


def _scope(state, scope):
    if scope == "enterprise":
        return "enterprise_%s" % state.store.user.enterprise_id
    if not isinstance(scope, str) or not scope:
        raise ValueError("a metadata scope must be a non-empty string")
    return scope


def _list(data, key):
    value = data.get(key, [])
    if not isinstance(value, list):
        raise ValueError("'%s' must be a list" % key)
    return value


def _int(value, name):
    try:
        number = None if isinstance(value, bool) else int(value)
    except (TypeError, ValueError):
        number = None
    if number is None or number < 0:
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
