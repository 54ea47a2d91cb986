"""Chunked upload sessions and Box's rules for parts and commit. Parts go straight into a sparse spool file, which
becomes the file's content on commit."""

import base64
import binascii
import hashlib
import re
import secrets
import threading
from collections import namedtuple
from datetime import timedelta

import dates
from blobs import CHUNK_SIZE, Blob, remove_file
from errors import bad_request, client_error, not_found

CONTENT_RANGE = re.compile(r"^\s*bytes\s+(\d+)-(\d+)/(\d+)\s*$", re.IGNORECASE)
OPEN, COMMITTED, ABORTED = "open", "committed", "aborted"
Part = namedtuple("Part", "part_id offset size sha1")


class UploadSession:
    def __init__(self, spool, file_name, file_size, part_size, folder_id=None, file_id=None):
        self.id = secrets.token_hex(16).upper()
        self.file_name, self.file_size, self.part_size = file_name, file_size, part_size
        self.total_parts = -(-file_size // part_size)
        self.folder_id, self.file_id = folder_id, file_id
        self.expires_at = dates.now() + timedelta(days=7)
        self.state, self.parts, self.lock = OPEN, [], threading.Lock()
        self.path = spool.new_file(".session")
        with open(self.path, "r+b") as stream:
            stream.truncate(file_size)   # sparse: disk fills only as parts arrive

    def add_part(self, content_range, digest_header, body):
        first, last = self._checked_range(content_range)
        size = last - first + 1
        if body.size != size:
            raise bad_request("The body holds %d bytes but Content-Range names %d" % (body.size, size))
        _check_digest(digest_header, body.sha1, "part")
        if any(first <= p.offset + p.size - 1 and p.offset <= last for p in self.parts):
            raise client_error(409, "range_overlap", "The part overlaps a part already uploaded to this session")
        body.file.seek(0)
        with open(self.path, "r+b") as stream:
            stream.seek(first)
            for data in iter(lambda: body.file.read(CHUNK_SIZE), b""):
                stream.write(data)
        self.parts.append(Part(secrets.token_hex(4).upper(), first, size, body.sha1))
        return self.parts[-1]

    def commit(self, listed_parts, digest_header):
        self._check_listed_parts(listed_parts)
        digest = hashlib.sha1()
        with open(self.path, "rb") as stream:
            for data in iter(lambda: stream.read(CHUNK_SIZE), b""):
                digest.update(data)
        _check_digest(digest_header, digest.hexdigest(), "file")
        return Blob(self.file_size, digest.hexdigest(), path=self.path)

    def view(self):
        view = {key: value for key, value in vars(self).items() if key not in ("lock", "path", "expires_at", "parts")}
        return dict(view, parts=[p._asdict() for p in sorted(self.parts, key=lambda p: p.offset)])

    def _checked_range(self, content_range):
        match = CONTENT_RANGE.match(content_range or "")
        if match is None:
            raise bad_request("Content-Range must be 'bytes first-last/total'")
        first, last, total = (int(text) for text in match.groups())
        size = last - first + 1
        for refused, reason in (
                (total != self.file_size, "the total differs from the session's file size"),
                (first % self.part_size, "the offset is not a multiple of the part size"),
                (last < first or last >= total, "the range lies outside the file"),
                (size > self.part_size or (last != total - 1 and size != self.part_size),
                 "only the last part may differ from the part size")):
            if refused:
                raise client_error(416, "requested_range_not_satisfiable",
                                   "Content-Range %s does not fit the session: %s" % (content_range, reason))
        return first, last

    def _check_listed_parts(self, listed):
        if not isinstance(listed, list):
            raise bad_request("'parts' must be a list")
        uploaded = {(p.part_id, p.offset, p.size) for p in self.parts}
        given = [(e.get("part_id"), e.get("offset"), e.get("size")) if isinstance(e, dict) else None for e in listed]
        if len(set(given)) != len(listed) or set(given) != uploaded:
            raise bad_request("The parts listed differ from the parts uploaded", code="invalid_parts")
        if sum(size for _, _, size in uploaded) != self.file_size:
            raise bad_request("The uploaded parts do not cover the file", code="invalid_parts")


class SessionBook:
    def __init__(self, spool):
        self._spool, self._sessions = spool, {}

    def create(self, file_name, file_size, part_size, folder_id=None, file_id=None):
        session = UploadSession(self._spool, file_name, file_size, part_size, folder_id, file_id)
        self._sessions[session.id] = session
        return session

    def open_session(self, session_id):
        session = self._sessions.get(session_id)
        check_open(session)
        return session

    def finish(self, session, state, keep_file=False):
        session.state = state
        if not keep_file:
            remove_file(session.path)

    def view(self):
        return [session.view() for session in self._sessions.values()]

    def close(self):
        for session in self._sessions.values():
            if session.state == OPEN:
                self.finish(session, ABORTED)


def check_open(session):
    if session is None or session.state != OPEN:
        raise not_found("Upload session not found")


def _check_digest(header, sha1_hex, what):
    """Box wants "sha=<base64 SHA-1>" (RFC 3230)."""
    algorithm, _, value = (header or "").strip().partition("=")
    try:
        digest = base64.b64decode(value.strip(), validate=True)
    except (binascii.Error, ValueError):
        digest = b""
    if algorithm.strip().lower() != "sha" or len(digest) != 20:
        raise bad_request("The digest header must be sha=<base64 SHA-1 of the %s>" % what, code="bad_digest")
    if digest != bytes.fromhex(sha1_hex):
        raise client_error(412, "sha1_mismatch", "The digest header does not match the SHA-1 of the %s" % what)
