"""Items as Box shows them. With `fields` Box answers "type", "id", "etag" and exactly the known fields asked for,
metadata only as "metadata.<scope>.<template>". Members are computed only when shown: some (folder sizes, paths)
walk the tree."""

import dates
from store import FILE_PERMISSIONS, FOLDER_PERMISSIONS

MINI = {"folder": ("type", "id", "sequence_id", "etag", "name"),
        "file": ("type", "id", "file_version", "sequence_id", "etag", "sha1", "name"),
        "web_link": ("type", "id", "sequence_id", "etag", "name", "url")}
ALWAYS = ("type", "id", "etag")


def _fixed(value):
    return lambda r, item: value


COMMON_MEMBERS = {
    "type": lambda r, item: item.type, "id": lambda r, item: item.id, "sequence_id": _fixed("0"),
    "etag": lambda r, item: str(item.etag), "name": lambda r, item: item.name, "description": _fixed(""),
    "created_at": lambda r, item: r.date(item.created_at), "modified_at": lambda r, item: r.date(item.modified_at),
    "trashed_at": _fixed(None), "purged_at": _fixed(None), "created_by": lambda r, item: r.store.user.mini(),
    "modified_by": lambda r, item: r.store.user.mini(), "owned_by": lambda r, item: r.store.user.mini(),
    "shared_link": _fixed(None), "item_status": _fixed("active"), "parent": lambda r, item: r.parent_mini(item),
    "path_collection": lambda r, item: r.path_collection(item),
    "content_created_at": lambda r, item: r.date(item.created_at),
    "content_modified_at": lambda r, item: r.date(item.content_modified_at),
}
MEMBERS = {
    "folder": dict(COMMON_MEMBERS, size=lambda r, item: r.store.subtree_size(item), folder_upload_email=_fixed(None),
                   permissions=lambda r, item: _permissions(FOLDER_PERMISSIONS, item.permissions)),
    "file": dict(COMMON_MEMBERS, size=lambda r, item: item.size, sha1=lambda r, item: item.sha1,
                 version_number=lambda r, item: str(item.version_number),
                 file_version=lambda r, item: {"type": "file_version", "id": item.version_id, "sha1": item.sha1},
                 extension=lambda r, item: item.name.rpartition(".")[2] if "." in item.name else "",
                 lock=lambda r, item: r.lock(item.lock),
                 permissions=lambda r, item: _permissions(FILE_PERMISSIONS, item.permissions),
                 expiring_embed_link=lambda r, item: r.embed_link(item)),
    "web_link": dict({name: member for name, member in COMMON_MEMBERS.items() if not name.startswith("content_")},
                     url=lambda r, item: item.url),
}
# Members Box leaves out of an item's standard variant; only a `fields` query shows them.
NOT_STANDARD = ("version_number", "extension", "lock", "permissions", "expiring_embed_link")


class Renderer:
    def __init__(self, state):
        self.store, self.base_url = state.store, state.base_url

    date = staticmethod(dates.format_date)

    def item(self, item, fields=None, variant="standard"):
        members = MEMBERS[item.type]
        if fields is None:
            names = MINI[item.type] if variant == "mini" else [name for name in members if name not in NOT_STANDARD]
            return {name: members[name](self, item) for name in names}
        record = {name: members[name](self, item) for name in ALWAYS}
        for name in fields:
            if name.startswith("metadata."):
                self._add_metadata(record, item, name)
            elif name in members:
                record[name] = members[name](self, item)
        return record

    def mini(self, item):
        return self.item(item, variant="mini")

    def parent_mini(self, item):
        return None if item.parent_id is None else self.mini(self.store.items[item.parent_id])

    def path_collection(self, item):
        entries = [self.mini(folder) for folder in self.store.ancestors(item)]
        return {"total_count": len(entries), "entries": entries}

    def lock(self, lock):
        return lock and {"type": "lock", "id": lock.id, "created_by": lock.created_by,
                         "created_at": self.date(lock.created_at), "expired_at": self.date(lock.expires_at),
                         "is_download_prevented": lock.is_download_prevented, "app_type": None}

    def embed_link(self, item):
        return {"url": "%s/_preview/%s" % (self.base_url, item.id), "token_type": "bearer", "expires_in": 60,
                "restricted_to": []}

    def _add_metadata(self, record, item, name):
        _, scope, template = (name.split(".", 2) + ["", ""])[:3]
        if scope and template:
            found = record.setdefault("metadata", {}).setdefault(scope, {})
            instance = getattr(item, "metadata", {}).get(scope, {}).get(template)
            if instance is not None:
                found[template] = dict(instance)


def _permissions(names, overrides):
    return {name: bool(overrides.get(name, True)) for name in names}
