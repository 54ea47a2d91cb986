"""Store items for the control interface: ValueError means 400, LookupError 404."""

import base64

import dates
from api_metadata import new_instance
from blobs import Blob, pattern_blob
from render import Renderer
from store import ROOT_ID, File, Folder, WebLink

VIEW_FIELDS = ["name", "parent", "modified_at", "content_modified_at", "permissions", "size",
               "sha1", "version_number", "lock", "url"]
KINDS = {"file": File, "folder": Folder, "web_link": WebLink}
CONTENT_KEYS = ("content_base64", "content_text", "pattern")
ITEM_KEYS = {"id", "name", "parent_id", "modified_at", "content_modified_at", "etag",
             "permissions"}
KEYS = {"folder": ITEM_KEYS, "web_link": ITEM_KEYS | {"url"},
        "file": ITEM_KEYS | {"version_number", "lock", "metadata", *CONTENT_KEYS}}


def seed(state, data):
    check_keys(data, {"user", "metadata_templates", "folders", "files", "web_links"})
    user = state.store.user
    check_keys(data.get("user", {}), {"id", "name", "login", "enterprise_id"})
    for key, value in data.get("user", {}).items():
        setattr(user, key, None if value is None else str(value))
    for template in data.get("metadata_templates", []):
        state.store.templates[(template["scope"], template["template_key"])] = template["fields"]
    return {plural: [_seed_item(state, kind, item).id for item in data.get(plural, [])]
            for kind, plural in (("folder", "folders"), ("file", "files"),
                                 ("web_link", "web_links"))}


def update_item(state, data):
    item = find_item(state, data.get("type"), data.get("id"))
    changes = {key: value for key, value in data.items() if key not in ("type", "id")}
    check_keys(changes, KEYS[item.type] - {"parent_id"})
    if "name" in changes:
        _check_name_free(state, changes["name"], item.parent_id, item)
        state.store.rename(item, changes["name"])
    if any(key in changes for key in CONTENT_KEYS):
        state.store.replace_content(item, _content(state, changes))
    _apply_members(state, item, changes)
    return item_view(state, item)


def delete_item(state, data):
    item = find_item(state, data.get("type"), data.get("id"))
    if item.id == ROOT_ID:
        raise ValueError("the root folder cannot be deleted")
    state.store.delete(item)


def find_item(state, kind, item_id):
    item = state.store.find(str(item_id), KINDS[kind])
    if item is None:
        raise LookupError("no %s with id %r" % (kind, item_id))
    return item


def find_by_path(state, path):
    """The item at a slash-separated path of names from the root ("/" is the root)."""
    item = state.store.items[ROOT_ID]
    for name in filter(None, str(path).split("/")):
        item = next((c for c in state.store.children(item.id) if c.name == name), None)
        if item is None:
            raise LookupError("nothing at %r" % path)
    return item


def item_view(state, item, with_content=False):
    renderer = Renderer(state)
    view = renderer.item(item, VIEW_FIELDS)
    if isinstance(item, Folder):
        view["children"] = [renderer.mini(child) for child in state.store.children(item.id)]
    elif isinstance(item, File):
        view["metadata"] = item.metadata
        if with_content:
            with item.blob.open() as stream:
                view["content_base64"] = base64.b64encode(stream.read()).decode("ascii")
    return view


def _seed_item(state, kind, data):
    check_keys(data, KEYS[kind])
    parent_id = str(data.get("parent_id", ROOT_ID))
    if state.store.find(parent_id, Folder) is None:
        raise ValueError("no parent folder with id %r" % parent_id)
    _check_name_free(state, data.get("name"), parent_id)
    members = {"url": str(data.get("url", ""))} if kind == "web_link" else {}
    if kind == "file":
        members["blob"] = (_content(state, data) if any(key in data for key in CONTENT_KEYS)
                           else Blob.of_bytes(b""))
    item = state.store.add(KINDS[kind], data["name"], parent_id,
                           None if data.get("id") is None else str(data["id"]), **members)
    _apply_members(state, item, data)
    return item


def _apply_members(state, item, data):
    """Members that may be given when seeding and changing, applied after the item exists."""
    if "modified_at" in data:
        item.modified_at = dates.parse(data["modified_at"])
        state.store.touch()
    if "content_modified_at" in data:
        item.content_modified = dates.parse(data["content_modified_at"])
    if "permissions" in data:
        item.permissions = {name: bool(value) for name, value in data["permissions"].items()}
    for key in ("etag", "version_number"):
        if key in data:
            setattr(item, key, int(data[key]))
    if "lock" in data:
        lock = data["lock"]
        item.lock = lock and state.store.new_lock(
            None if lock.get("expires_at") is None else dates.parse(lock["expires_at"]),
            bool(lock.get("is_download_prevented", False)),
            lock.get("created_by") and dict(lock["created_by"], type="user"))
    if "metadata" in data:
        item.metadata = {}
        for scope, templates in data["metadata"].items():
            resolved = "enterprise_%s" % state.store.user.enterprise_id \
                if scope == "enterprise" else scope
            for template_key, values in templates.items():
                item.metadata.setdefault(resolved, {})[template_key] = new_instance(
                    item.id, resolved, template_key, values)


def _check_name_free(state, name, parent_id, item=None):
    if not isinstance(name, str) or not name:
        raise ValueError("'name' must be a non-empty string")
    if state.store.conflict(parent_id, name, exclude_id=item and item.id) is not None:
        raise ValueError("folder %r already holds an item named %r" % (parent_id, name))


def _content(state, data):
    if "content_text" in data:
        return Blob.of_bytes(str(data["content_text"]).encode("utf-8"))
    if "content_base64" in data:
        return Blob.of_bytes(base64.b64decode(data["content_base64"], validate=True))
    return pattern_blob(state.spool, int(data["pattern"]["size"]),
                        int(data["pattern"].get("seed", 0)))


def check_keys(data, allowed):
    # A misspelt member would otherwise script something other than the test meant.
    unknown = set(data) - set(allowed)
    if unknown:
        raise ValueError("unknown member(s): %s" % ", ".join(sorted(unknown)))
