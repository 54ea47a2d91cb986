"""The in-memory Box account. Callers hold the stand-in's state lock; the store takes none."""

import itertools
from dataclasses import dataclass, field
from typing import Dict, Optional

import dates
from errors import client_error, not_found

ROOT_ID = "0"
FOLDER_PERMISSIONS = ("can_delete", "can_download", "can_invite_collaborator", "can_rename",
                      "can_set_share_access", "can_share", "can_upload")
FILE_PERMISSIONS = FOLDER_PERMISSIONS + ("can_annotate", "can_comment", "can_preview",
                                         "can_view_annotations_all", "can_view_annotations_self")


@dataclass
class User:
    id: str = "11446498"
    name: str = "Test User"
    login: str = "test.user@example.com"
    enterprise_id: Optional[str] = "1234567"

    def mini(self):
        return {"type": "user", "id": self.id, "name": self.name, "login": self.login}


@dataclass
class Lock:
    id: str
    created_at: object
    created_by: dict
    expires_at: object = None
    is_download_prevented: bool = False


@dataclass
class Item:
    id: str
    name: str
    parent_id: Optional[str]
    created_at: object
    modified_at: object
    etag: int = 0
    permissions: Dict[str, bool] = field(default_factory=dict)
    content_modified: object = None

    @property
    def content_modified_at(self):
        return self.content_modified or self.modified_at


@dataclass
class Folder(Item):
    type = "folder"


@dataclass
class File(Item):
    type = "file"
    blob: object = None
    version_number: int = 1
    version_id: str = ""
    lock: Optional[Lock] = None
    metadata: Dict[str, Dict[str, dict]] = field(default_factory=dict)

    @property
    def size(self):
        return self.blob.size

    @property
    def sha1(self):
        return self.blob.sha1


@dataclass
class WebLink(Item):
    type = "web_link"
    url: str = ""


class Store:
    def __init__(self):
        self.user = User()
        self.items = {}
        # parent id -> {id: item} and parent id -> {case-folded name: item}: listings and
        # name checks must not scan the whole account.
        self._children = {}
        self._names = {}
        # Bumped by every change of what listings sort by; a cached order of an older one is stale.
        self.generation = 0
        self._orders = {}
        self.templates = {}
        self._ids = itertools.count(100001)
        root_time = dates.now()
        self._add(Folder(ROOT_ID, "All Files", None, root_time, root_time))

    def close(self):
        for item in self.items.values():
            if isinstance(item, File):
                item.blob.discard()

    def new_id(self, wanted=None):
        if wanted is None:
            while True:
                candidate = str(next(self._ids))
                if candidate not in self.items:
                    return candidate
        wanted = str(wanted)
        if not wanted.isdigit() or wanted in self.items:
            raise ValueError("id %r is not a free decimal id" % wanted)
        return wanted

    def find(self, item_id, kind):
        item = self.items.get(item_id)
        return item if isinstance(item, kind) else None

    def folder(self, folder_id):
        return self.find(folder_id, Folder) or _raise(not_found())

    def file(self, file_id):
        return self.find(file_id, File) or _raise(not_found())

    def children(self, folder_id):
        return list(self._children.get(folder_id, {}).values())

    def ordered_children(self, folder_id, order, make):
        """make(children) sorted, kept until the store changes: a page of a large folder must
        cost the stand-in no more than a page of a small one."""
        cached = self._orders.get((folder_id, order))
        if cached is None or cached[0] != self.generation:
            cached = (self.generation, make(self.children(folder_id)))
            self._orders[(folder_id, order)] = cached
        return cached[1]

    def touch(self):
        self.generation += 1

    def ancestors(self, item):
        """The folders from the root down to the item's parent."""
        chain, parent_id = [], item.parent_id
        while parent_id is not None:
            parent = self.items[parent_id]
            chain.append(parent)
            parent_id = parent.parent_id
        return list(reversed(chain))

    def is_within(self, item, folder_id):
        return any(folder.id == folder_id for folder in self.ancestors(item))

    def subtree_size(self, folder):
        return sum(child.size if isinstance(child, File) else self.subtree_size(child)
                   for child in self.children(folder.id) if not isinstance(child, WebLink))

    def conflict(self, parent_id, name, exclude_id=None):
        item = self._names.get(parent_id, {}).get(name.casefold())
        return None if item is None or item.id == exclude_id else item

    def add(self, kind, name, parent_id, item_id=None, **members):
        item_id, now = self.new_id(item_id), dates.now()
        if kind is File:
            members["version_id"] = self.new_id()
        return self._add(kind(item_id, name, parent_id, now, now, **members))

    def replace_content(self, target, blob, content_modified=None):
        old = target.blob
        target.blob = blob
        target.version_number += 1
        target.version_id = self.new_id()
        target.etag += 1
        target.modified_at = dates.now()
        self.touch()
        target.content_modified = content_modified or target.modified_at
        if old is not None and old is not blob:
            old.discard()

    def set_name(self, item, name):
        """Callers checked that the name is free."""
        self._unindex(item)
        item.name = name
        self._index(item)

    def rename(self, item, name):
        """A rename as a user makes it: a new etag and modification time."""
        if name != item.name:
            self.set_name(item, name)
            item.etag += 1
            item.modified_at = dates.now()
            self.touch()

    def delete(self, item):
        for child in self.children(item.id):
            self.delete(child)
        if isinstance(item, File):
            item.blob.discard()
        del self.items[item.id]
        self._children.pop(item.id, None)
        self._names.pop(item.id, None)
        self._unindex(item)

    def new_lock(self, expires_at=None, is_download_prevented=False, created_by=None):
        return Lock(self.new_id(), dates.now(), created_by or self.user.mini(), expires_at,
                    is_download_prevented)

    def _add(self, item):
        self.items[item.id] = item
        self._index(item)
        return item

    def _index(self, item):
        self.touch()
        if item.parent_id is not None:
            self._children.setdefault(item.parent_id, {})[item.id] = item
            self._names.setdefault(item.parent_id, {})[item.name.casefold()] = item

    def _unindex(self, item):
        self.touch()
        if item.parent_id is not None:
            self._children[item.parent_id].pop(item.id, None)
            names = self._names[item.parent_id]
            if names.get(item.name.casefold()) is item:
                del names[item.name.casefold()]


def check_name(name):
    """Box's rules for item names: 400 for a name it would refuse."""
    if not isinstance(name, str) or not name:
        raise client_error(400, "bad_request", "A name is required")
    if len(name) > 255:
        raise client_error(400, "item_name_too_long", "Item name too long")
    if "/" in name or "\\" in name or name in (".", "..") or name != name.strip():
        raise client_error(400, "item_name_invalid", "Item name invalid")


def _raise(error):
    raise error
