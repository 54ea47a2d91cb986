"""File content: in memory up to SPILL_THRESHOLD, else in a private spool folder, so that the benchmarks' files of
several hundred MiB are never held twice."""

import contextlib
import hashlib
import io
import os
import shutil
import tempfile

SPILL_THRESHOLD = 8 * 1024 * 1024
CHUNK_SIZE = 1024 * 1024
PATTERN_BLOCK = 65536


class SpoolDir:
    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="boxstandin-")

    def new_file(self, suffix=""):
        handle, path = tempfile.mkstemp(suffix=suffix, dir=self.path)
        os.close(handle)
        return path

    def close(self):
        shutil.rmtree(self.path, ignore_errors=True)


class Blob:
    """Immutable content with its size and SHA-1 (lower-case hex); readers that opened a file before discard() keep
    reading it."""

    def __init__(self, size, sha1, data=None, path=None):
        self.size, self.sha1, self._data, self.path = size, sha1, data, path

    @classmethod
    def of_bytes(cls, data):
        return cls(len(data), hashlib.sha1(data).hexdigest(), data=bytes(data))

    def open(self):
        return io.BytesIO(self._data) if self.path is None else open(self.path, "rb")

    def discard(self):
        if self.path is not None:
            remove_file(self.path)


class BlobWriter:
    def __init__(self, spool):
        self._spool, self._memory, self._file, self._path, self._sha1 = spool, io.BytesIO(), None, None, hashlib.sha1()
        self.size = 0

    def write(self, data):
        self._sha1.update(data)
        self.size += len(data)
        if self._file is None and self.size > SPILL_THRESHOLD:
            self._path = self._spool.new_file(".blob")
            self._file = open(self._path, "wb")
            self._file.write(self._memory.getvalue())
            self._memory = None
        (self._file or self._memory).write(data)

    def finish(self):
        if self._file is None:
            return Blob.of_bytes(self._memory.getvalue())
        self._file.close()
        return Blob(self.size, self._sha1.hexdigest(), path=self._path)


def remove_file(path):
    with contextlib.suppress(FileNotFoundError):
        os.unlink(path)


def pattern_blob(spool, size, seed):
    """Byte i is (31*i + 17*seed + (i >> 16)) mod 256: every 64 KiB block differs from its neighbours, so a part
    written at a wrong offset changes the digest."""
    base = bytes((31 * j) & 0xFF for j in range(PATTERN_BLOCK))
    writer = BlobWriter(spool)
    for block_index, start in enumerate(range(0, size, PATTERN_BLOCK)):
        shift = (17 * seed + block_index) & 0xFF
        writer.write(base[:min(PATTERN_BLOCK, size - start)].translate(bytes((v + shift) & 0xFF for v in range(256))))
    return writer.finish()
