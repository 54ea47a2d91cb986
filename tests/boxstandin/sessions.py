"""Chunked upload sessions and Box's rules for their parts and commit.

Parts go straight into a sparse spool file at their offsets, so a session never holds its
content in memory; on commit that file becomes the file's content without a copy.

Refusals: a Content-Range whose total is not the file size, whose offset is not a multiple
of the part size, or whose size differs from the part size (only the last part may be
shorter) answers 416 requested_range_not_satisfiable; a missing or malformed Content-Range
or a body of another length 400 bad_request; a missing or malformed "digest: sha=<base64>"
400 bad_digest, one that does not match 412 sha1_mismatch; a part overlapping an uploaded
one 409 range_overlap (parts are immutable); a commit whose part list differs from the
uploaded parts or leaves gaps 400 invalid_parts.
"""

import base64
import binascii
import re
import secrets
import threading
from dataclasses import dataclass
from datetime import timedelta

import dates
from blobs import CHUNK_SIZE, FileBlob, remove_file, sha1_of_stream
from errors import bad_request, client_error, not_found

SESSION_LIFETIME = timedelta(days=7)
CONTENT_RANGE = re.compile(r"^\s*bytes\s+(\d+)-(\d+)/(\d+)\s*$", re.IGNORECASE)
OPEN, COMMITTED, ABORTED = "open", "committed", "aborted"


@dataclass
class Part:
    part_id: str
    offset: int
    size: int
    sha1: str

    def view(self):
        return {"part_id": self.part_id, "offset": self.offset, "size": self.size,
                "sha1": self.sha1}


class UploadSession:
    def __init__(self, spool, file_name, file_size, part_size, folder_id=None, file_id=None):
        self.id = secrets.token_hex(16).upper()
        self.file_name = file_name
        self.file_size = file_size
        self.part_size = part_size
        self.total_parts = -(-file_size // part_size)
        self.folder_id = folder_id
        self.file_id = file_id
        self.created_at = dates.now()
        self.state = OPEN
        self.parts = []
        self.lock = threading.Lock()
        self.path = spool.new_file(".session")
        with open(self.path, "r+b") as stream:
            stream.truncate(file_size)   # sparse: disk fills only as parts arrive

    @property
    def expires_at(self):
        return self.created_at + SESSION_LIFETIME

    def add_part(self, content_range, digest_header, body):
        """Check one part against the session's rules, then write it at its offset."""
        first, last = self._checked_range(content_range)
        size = last - first + 1
        if body.size != size:
            raise bad_request("The body holds %d bytes but Content-Range names %d"
                              % (body.size, size))
        _check_digest(digest_header, body.sha1, "part")
        if any(first <= p.offset + p.size - 1 and p.offset <= last for p in self.parts):
            raise client_error(409, "range_overlap",
                               "The part overlaps a part already uploaded to this session")
        self._write(first, body)
        part = Part(secrets.token_hex(4).upper(), first, size, body.sha1)
        self.parts.append(part)
        return part

    def commit(self, listed_parts, digest_header):
        """Check the commit's part list and whole-file digest; the content as a blob."""
        self._check_listed_parts(listed_parts)
        with open(self.path, "rb") as stream:
            sha1 = sha1_of_stream(stream)
        _check_digest(digest_header, sha1, "file")
        return FileBlob(self.path, self.file_size, sha1)

    def view(self):
        return {"id": self.id, "state": self.state, "file_name": self.file_name,
                "file_size": self.file_size, "folder_id": self.folder_id,
                "file_id": self.file_id, "part_size": self.part_size,
                "total_parts": self.total_parts,
                "parts": [p.view() for p in sorted(self.parts, key=lambda p: p.offset)]}

    def _checked_range(self, content_range):
        match = CONTENT_RANGE.match(content_range or "")
        if match is None:
            raise bad_request("Content-Range must be 'bytes first-last/total'")
        first, last, total = (int(text) for text in match.groups())
        if total != self.file_size:
            raise _range_error("the total %d differs from the session's file size %d"
                               % (total, self.file_size))
        if first % self.part_size:
            raise _range_error("the offset %d is not a multiple of the part size %d"
                               % (first, self.part_size))
        if last < first or last >= total:
            raise _range_error("the range %d-%d lies outside the file" % (first, last))
        size = last - first + 1
        if size > self.part_size or (last != total - 1 and size != self.part_size):
            raise _range_error("only the last part may differ from the part size %d"
                               % self.part_size)
        return first, last

    def _write(self, offset, body):
        body.file.seek(0)
        with open(self.path, "r+b") as stream:
            stream.seek(offset)
            for data in iter(lambda: body.file.read(CHUNK_SIZE), b""):
                stream.write(data)

    def _check_listed_parts(self, listed):
        if not isinstance(listed, list):
            raise bad_request("'parts' must be a list")
        uploaded = {(p.part_id, p.offset, p.size) for p in self.parts}
        given = set()
        for entry in listed:
            key = _part_key(entry)
            if key not in uploaded:
                raise bad_request("Part %r was not uploaded to this session" % (entry,),
                                  code="invalid_parts")
            given.add(key)
        if len(given) != len(listed) or given != uploaded:
            raise bad_request("The parts listed differ from the parts uploaded",
                              code="invalid_parts")
        if sum(size for _, _, size in uploaded) != self.file_size:
            raise bad_request("The uploaded parts do not cover the file", code="invalid_parts")


class SessionBook:
    def __init__(self, spool):
        self._spool = spool
        self._sessions = {}

    def create(self, file_name, file_size, part_size, folder_id=None, file_id=None):
        session = UploadSession(self._spool, file_name, file_size, part_size, folder_id, file_id)
        self._sessions[session.id] = session
        return session

    def open_session(self, session_id):
        session = self._sessions.get(session_id)
        if session is None or session.state != OPEN:
            raise not_found("Upload session not found")
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


def parse_digest(header):
    """The SHA-1 bytes of a "sha=<base64>" digest header (RFC 3230), or None if malformed."""
    for item in (header or "").split(","):
        algorithm, _, value = item.strip().partition("=")
        if algorithm.strip().lower() == "sha":
            try:
                digest = base64.b64decode(value.strip(), validate=True)
            except (binascii.Error, ValueError):
                return None
            return digest if len(digest) == 20 else None
    return None


def _check_digest(header, sha1_hex, what):
    digest = parse_digest(header)
    if digest is None:
        raise bad_request("The digest header must be sha=<base64 SHA-1 of the %s>" % what,
                          code="bad_digest")
    if digest != bytes.fromhex(sha1_hex):
        raise client_error(412, "sha1_mismatch",
                           "The digest header does not match the SHA-1 of the %s" % what)


def _part_key(entry):
    if not isinstance(entry, dict):
        raise bad_request("Each part must be an object with part_id, offset and size")
    part_id, offset, size = entry.get("part_id"), entry.get("offset"), entry.get("size")
    if not isinstance(part_id, str) or not _is_int(offset) or not _is_int(size):
        raise bad_request("Each part must be an object with part_id, offset and size")
    return part_id, offset, size


def _is_int(value):
    return isinstance(value, int) and not isinstance(value, bool)


def _range_error(reason):
    return client_error(416, "requested_range_not_satisfiable",
                        "Content-Range does not fit the session: " + reason)
