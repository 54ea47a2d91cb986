"""File content: small content lives in memory, large content in files of a private spool folder.

Benchmarks upload files of several hundred MiB, so content is never held twice: a writer keeps
bytes in memory only up to SPILL_THRESHOLD and then moves them to a spool file; an upload
session writes its parts straight into a sparse spool file that becomes the content on commit.
"""

import hashlib
import io
import os
import shutil
import tempfile

SPILL_THRESHOLD = 8 * 1024 * 1024
CHUNK_SIZE = 1024 * 1024
PATTERN_BLOCK = 65536


class SpoolDir:
    """A private folder for spool files, removed with everything in it by close()."""

    def __init__(self, parent=None):
        self.path = tempfile.mkdtemp(prefix="boxstandin-", dir=parent)

    def new_file(self, suffix=""):
        handle, path = tempfile.mkstemp(suffix=suffix, dir=self.path)
        os.close(handle)
        return path

    def close(self):
        shutil.rmtree(self.path, ignore_errors=True)


class Blob:
    """Immutable content with its size and SHA-1 (lower-case hex)."""

    def __init__(self, size, sha1):
        self.size = size
        self.sha1 = sha1

    def open(self):
        raise NotImplementedError

    def read_all(self):
        with self.open() as stream:
            return stream.read()

    def discard(self):
        """Release the storage; readers that opened the content before keep reading it."""


class MemoryBlob(Blob):
    def __init__(self, data):
        super().__init__(len(data), hashlib.sha1(data).hexdigest())
        self._data = bytes(data)

    def open(self):
        return io.BytesIO(self._data)


class FileBlob(Blob):
    def __init__(self, path, size, sha1):
        super().__init__(size, sha1)
        self.path = path

    def open(self):
        return open(self.path, "rb")

    def discard(self):
        remove_file(self.path)


class BlobWriter:
    """Collects content chunk by chunk, hashing it on the way, and spills it when it grows."""

    def __init__(self, spool):
        self._spool = spool
        self._memory = io.BytesIO()
        self._file = None
        self._path = None
        self._sha1 = hashlib.sha1()
        self.size = 0

    def write(self, data):
        self._sha1.update(data)
        self.size += len(data)
        if self._file is None and self.size > SPILL_THRESHOLD:
            self._spill()
        (self._file or self._memory).write(data)

    def finish(self):
        if self._file is None:
            return MemoryBlob(self._memory.getvalue())
        self._file.close()
        return FileBlob(self._path, self.size, self._sha1.hexdigest())

    def _spill(self):
        self._path = self._spool.new_file(".blob")
        self._file = open(self._path, "wb")
        self._file.write(self._memory.getvalue())
        self._memory = None


def remove_file(path):
    try:
        os.unlink(path)
    except FileNotFoundError:
        pass


def copy_into(writer, stream, length):
    """Copy `length` bytes of `stream` from its current position; False when it ends early."""
    remaining = length
    while remaining > 0:
        data = stream.read(min(CHUNK_SIZE, remaining))
        if not data:
            return False
        writer.write(data)
        remaining -= len(data)
    return True


def pattern_blob(spool, size, seed):
    """Content of `size` bytes where byte i is (31*i + 17*seed + (i >> 16)) mod 256.

    Tests in any language can rebuild it, and every 64 KiB block differs from its neighbours,
    so a part written at a wrong offset changes the digest. Each block is the base block
    shifted by a per-block constant, which keeps generating a GiB fast.
    """
    base = bytes((31 * j) & 0xFF for j in range(PATTERN_BLOCK))
    writer = BlobWriter(spool)
    for block_index, start in enumerate(range(0, size, PATTERN_BLOCK)):
        shift = (17 * seed + block_index) & 0xFF
        table = bytes((value + shift) & 0xFF for value in range(256))
        writer.write(base[:min(PATTERN_BLOCK, size - start)].translate(table))
    return writer.finish()


def sha1_of_stream(stream):
    digest = hashlib.sha1()
    for data in iter(lambda: stream.read(CHUNK_SIZE), b""):
        digest.update(data)
    return digest.hexdigest()
