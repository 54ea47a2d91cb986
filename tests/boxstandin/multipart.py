"""A multipart/form-data reader over a spooled body, so that large uploads stay on disk."""

import re
from collections import namedtuple

from errors import bad_request

SCAN_CHUNK = 1024 * 1024
HEADER_LIMIT = 16 * 1024
_PARAM = re.compile(r';\s*([\w-]+)\s*=\s*("(?:[^"\\]|\\.)*"|[^;]*)')
FormPart = namedtuple("FormPart", "name start length")   # start: of the content in the body


def read_parts(body, content_type):
    media, _, parameters = (content_type or "").partition(";")
    if media.strip().lower() != "multipart/form-data":
        raise bad_request("Content-Type must be multipart/form-data")
    boundary = next((_unquote(value) for name, value in _PARAM.findall(";" + parameters)
                     if name.lower() == "boundary" and _unquote(value)), None)
    if boundary is None:
        raise bad_request("The multipart Content-Type has no boundary")
    delimiter = b"--" + boundary.encode("utf-8")
    if _read_at(body.file, 0, len(delimiter)) != delimiter:
        raise bad_request("The multipart body does not start with its boundary")
    starts = [0] + [position + 2 for position in _find_all(body.file, b"\r\n" + delimiter)]
    parts = []
    for index, start in enumerate(starts):
        after = _read_at(body.file, start + len(delimiter), 2)
        if after == b"--":
            return parts
        if after != b"\r\n" or index + 1 >= len(starts):
            break
        parts.append(_part(body.file, start + len(delimiter) + 2, starts[index + 1] - 2))
    raise bad_request("The multipart body is not closed by its final boundary")


def _part(stream, header_start, content_end):
    head = _read_at(stream, header_start, min(HEADER_LIMIT, content_end - header_start))
    split = head.find(b"\r\n\r\n")
    if split < 0:
        raise bad_request("A multipart part has no header end")
    name = ""
    for line in head[:split].decode("utf-8", "replace").split("\r\n"):
        header, _, value = line.partition(":")
        if header.strip().lower() == "content-disposition":
            name = next((_unquote(v) for key, v in _PARAM.findall(value) if key.lower() == "name"), "")
    start = header_start + split + 4
    return FormPart(name, start, content_end - start)


def _unquote(value):
    value = value.strip()
    return value[1:-1] if len(value) >= 2 and value[0] == value[-1] == '"' else value


def _find_all(stream, needle):
    found, offset, carry = [], 0, b""
    stream.seek(0)
    for chunk in iter(lambda: stream.read(SCAN_CHUNK), b""):
        window, base = carry + chunk, offset - len(carry)
        position = window.find(needle)
        while position >= 0:
            found.append(base + position)
            position = window.find(needle, position + len(needle))
        carry = window[-(len(needle) - 1):]
        offset += len(chunk)
    return sorted(set(found))


def _read_at(stream, offset, length):
    stream.seek(offset)
    return stream.read(length)
