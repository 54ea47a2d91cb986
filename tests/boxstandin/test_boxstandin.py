#!/usr/bin/env python3
"""Self-test of the Box stand-in over real HTTP on 127.0.0.1.

    test_boxstandin.py [--openapi PATH] [unittest arguments]
or  python3 -m unittest discover -s tests/boxstandin   (API description from BOX_OPENAPI)
"""

import base64
import hashlib
import http.client
import json
import os
import socket
import subprocess
import sys
import threading
import time
import unittest
from urllib.parse import quote, urlsplit

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import boxstandin  # noqa: E402
from oauth_tokens import INITIAL_ACCESS_TOKEN, INITIAL_REFRESH_TOKEN  # noqa: E402

OPENAPI_PATH = boxstandin.default_openapi_path()
BOUNDARY = "----DavEdovuzeroUploadFile75840BFS674RW896E4F9"
AUTH_REQUIRED = 'Bearer realm="Service", error="invalid_token"'


class Reply:
    def __init__(self, response):
        self.status = response.status
        self.headers = response.getheaders()
        self.body = response.read()

    def header(self, name):
        return next((v for k, v in self.headers if k.lower() == name.lower()), None)

    def json(self):
        return json.loads(self.body)


class Client:
    """Speaks HTTP to the stand-in; one kept-alive connection unless told otherwise."""

    def __init__(self, url):
        parts = urlsplit(url)
        self.host, self.port = parts.hostname, parts.port
        self.token = INITIAL_ACCESS_TOKEN
        self.connection = self.connect()

    def connect(self):
        return http.client.HTTPConnection(self.host, self.port, timeout=10)

    def send(self, method, target, body=b"", headers=None, connection=None):
        connection = connection or self.connection
        if isinstance(body, (dict, list)):
            body = json.dumps(body).encode("utf-8")
        connection.request(method, target, body=body, headers=headers or {})
        return Reply(connection.getresponse())

    def api(self, method, target, body=b"", headers=None, token=None):
        headers = dict(headers or {})
        headers.setdefault("Authorization", "Bearer " + (token or self.token))
        headers.setdefault("Content-Type", "application/json")
        return self.send(method, target, body, headers)

    def control(self, method, name, payload=None):
        reply = self.send(method, "/_control/" + name,
                          json.dumps(payload or {}).encode() if method == "POST" else b"",
                          {"Content-Type": "application/json"})
        if reply.status != 200:
            raise AssertionError("control %s %s: %d %s" % (method, name, reply.status, reply.body))
        return reply.json()

    def close(self):
        self.connection.close()


def wait_until(condition, timeout=5.0):
    """Poll for a condition that no event announces; fail after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError("condition not met within %s s" % timeout)
        time.sleep(0.01)


def digest_header(data):
    return "sha=" + base64.b64encode(hashlib.sha1(data).digest()).decode("ascii")


def multipart_body(name, parent_id, content):
    """The form the product sends: attributes first, then the file."""
    attributes = json.dumps({"name": name, "parent": {"id": parent_id}}, separators=(",", ":"))
    prefix = ("--%s\r\nContent-Disposition: form-data; name=\"attributes\"\r\n\r\n%s\n\r\n"
              "--%s\r\nContent-Disposition: form-data; name=\"file\"; filename=\"%s\"\r\n"
              "Content-Type: application/octet-stream\r\n\r\n"
              % (BOUNDARY, attributes, BOUNDARY, name)).encode("utf-8")
    return prefix + content + ("\r\n--%s--\r\n" % BOUNDARY).encode("ascii")


MULTIPART_HEADERS = {"Content-Type": "multipart/form-data; boundary=" + BOUNDARY}


STANDIN = None


def setUpModule():
    global STANDIN
    STANDIN = boxstandin.StandIn(OPENAPI_PATH)
    STANDIN.start()


def tearDownModule():
    STANDIN.stop()


class StandInTest(unittest.TestCase):
    """Each test starts from a reset stand-in, shared by the module for speed."""

    def setUp(self):
        self.standin = STANDIN
        self.client = Client(self.standin.url)
        self.addCleanup(self.client.close)
        self.client.control("POST", "reset")

    def seed(self, **data):
        return self.client.control("POST", "seed", data)

    def item(self, kind, item_id):
        return self.client.control("GET", "item?type=%s&id=%s" % (kind, item_id))

    def fault(self, **rule):
        return self.client.control("POST", "faults", rule)["id"]

    def journal(self, **filters):
        query = "&".join("%s=%s" % (k, quote(str(v), safe="")) for k, v in filters.items())
        return self.client.control("GET", "journal?" + query)

    def assert_client_error(self, reply, status, code):
        self.assertEqual(reply.status, status, reply.body)
        body = reply.json()
        self.assertEqual((body["type"], body["status"], body["code"]), ("error", status, code))


class TokenTest(StandInTest):
    def refresh(self, refresh_token):
        form = "grant_type=refresh_token&refresh_token=%s&client_id=c&client_secret=s" % (
            refresh_token)
        return self.client.send("POST", "/oauth2/token", form.encode(),
                                {"Content-Type": "application/x-www-form-urlencoded"})

    def test_refresh_rotates_both_tokens_and_rejects_reuse(self):
        reply = self.refresh(INITIAL_REFRESH_TOKEN)
        self.assertEqual(reply.status, 200)
        pair = reply.json()
        self.assertNotIn(pair["access_token"], (INITIAL_ACCESS_TOKEN, ""))
        self.assertNotIn(pair["refresh_token"], (INITIAL_REFRESH_TOKEN, ""))
        self.assertEqual(self.client.api("GET", "/2.0/users/me").status, 401)
        self.assertEqual(
            self.client.api("GET", "/2.0/users/me", token=pair["access_token"]).status, 200)
        for stale in (INITIAL_REFRESH_TOKEN, ""):
            reused = self.refresh(stale)
            self.assertEqual(reused.status, 400)
            self.assertEqual(reused.json()["error"], "invalid_grant")
        self.assertEqual(self.client.control("GET", "tokens")["refresh_count"], 1)

    def test_authorize_page_redirects_with_a_code_that_buys_tokens_once(self):
        reply = self.client.send("GET", "/api/oauth2/authorize?response_type=code&client_id=c"
                                 "&redirect_uri=https%3A%2F%2Fexample.test%2Fback.htm%3F&state=x")
        self.assertEqual(reply.status, 302)
        location = reply.header("Location")
        self.assertTrue(location.startswith("https://example.test/back.htm?code="), location)
        self.assertTrue(location.endswith("&state=x"))
        code = location.split("code=")[1].split("&")[0]
        form = ("grant_type=authorization_code&code=%s&client_id=c&client_secret=s" % code).encode()
        headers = {"Content-Type": "application/x-www-form-urlencoded"}
        self.assertEqual(self.client.send("POST", "/oauth2/token", form, headers).status, 200)
        again = self.client.send("POST", "/oauth2/token", form, headers)
        self.assertEqual((again.status, again.json()["error"]), (400, "invalid_grant"))

    def test_unknown_and_expired_tokens_get_401_with_challenge_and_no_body(self):
        self.client.control("POST", "tokens", {"access_expired": True})
        for token in ("nonsense", INITIAL_ACCESS_TOKEN):
            reply = self.client.api("GET", "/2.0/folders/0", token=token)
            self.assertEqual((reply.status, reply.body), (401, b""))
            self.assertEqual(reply.header("WWW-Authenticate"), AUTH_REQUIRED)
            self.assertEqual(reply.header("Content-Length"), "0")


class ListingTest(StandInTest):
    def seed_folder(self):
        old, new = "2020-01-01T00:00:00Z", "2021-01-01T00:00:00+02:00"
        return self.seed(
            folders=[{"name": "Old", "modified_at": old}, {"name": "New", "modified_at": new}],
            files=[{"name": "f%d.txt" % i, "content_text": "x" * i,
                    "modified_at": "2019-0%d-01T00:00:00Z" % (i + 1)} for i in range(5)],
            web_links=[{"name": "link", "url": "https://example.test"}])

    def page_through(self, limit):
        names, marker, pages = [], None, []
        while True:
            target = "/2.0/folders/0/items?usemarker=true&limit=%d&fields=name,etag&sort=date" \
                     "&direction=desc" % limit + ("&marker=" + marker if marker else "")
            page = self.client.api("GET", target).json()
            pages.append(page)
            names += [entry["name"] for entry in page["entries"]]
            marker = page.get("next_marker")
            if not marker:
                return names, pages

    def test_marker_paging_ends_in_each_style(self):
        self.seed_folder()
        expected = ["New", "Old", "f4.txt", "f3.txt", "f2.txt", "f1.txt", "f0.txt", "link"]
        for style, check in (("null", lambda p: p["next_marker"] is None),
                             ("empty", lambda p: p["next_marker"] == ""),
                             ("absent", lambda p: "next_marker" not in p)):
            with self.subTest(style=style):
                self.client.control("POST", "switches", {"marker_end": style})
                names, pages = self.page_through(3)
                self.assertEqual(names, expected)
                self.assertEqual(len(pages), 3)
                self.assertTrue(check(pages[-1]))
                self.assertTrue(all("total_count" not in page for page in pages))

    def test_limit_is_clamped_and_bad_markers_refused(self):
        self.seed_folder()
        page = self.client.api("GET", "/2.0/folders/0/items?usemarker=true&limit=5000").json()
        self.assertEqual(page["limit"], 1000)
        self.assert_client_error(
            self.client.api("GET", "/2.0/folders/0/items?usemarker=true&marker=zz"), 400,
            "bad_request")
        self.assert_client_error(self.client.api("GET", "/2.0/folders/999/items"), 404,
                                 "not_found")

    def test_fields_select_members_and_metadata(self):
        ids = self.seed(files=[{"name": "m.eml", "metadata": {"enterprise": {"mail": {
            "subject": "Hi"}}}, "lock": {"expires_at": None}}])["files"]
        fields = "name,version_number,lock,metadata.enterprise_1234567.mail,nonsense"
        entry = self.client.api("GET", "/2.0/folders/0/items?fields=" + fields).json()["entries"][0]
        self.assertEqual(set(entry), {"type", "id", "etag", "name", "version_number", "lock",
                                      "metadata"})
        self.assertEqual(entry["id"], ids[0])
        self.assertEqual(entry["version_number"], "1")
        self.assertEqual(entry["metadata"]["enterprise_1234567"]["mail"]["subject"], "Hi")
        self.assertIsNone(entry["lock"]["expires_at"])
        self.assertEqual(self.journal()["entries"][-1]["unknown_fields"], ["nonsense"])


class FolderTest(StandInTest):
    def test_create_rename_and_delete(self):
        created = self.client.api("POST", "/2.0/folders",
                                  b'{"name":"A \\"q\\"","parent":{"id":"0"}}\n')
        self.assertEqual(created.status, 201, created.body)
        folder = created.json()
        self.assertEqual(folder["name"], 'A "q"')
        self.assert_client_error(self.client.api("POST", "/2.0/folders", {
            "name": 'a "Q"', "parent": {"id": "0"}}), 409, "item_name_in_use")
        self.assert_client_error(self.client.api("POST", "/2.0/folders", {
            "name": "B", "parent": {"id": "777"}}), 404, "not_found")
        renamed = self.client.api("PUT", "/2.0/folders/" + folder["id"], {"name": "C"}).json()
        self.assertEqual((renamed["name"], renamed["etag"]), ("C", "1"))
        self.seed(files=[{"name": "inner.txt", "parent_id": folder["id"]}])
        target = "/2.0/folders/%s" % folder["id"]
        self.assert_client_error(self.client.api("DELETE", target), 400, "folder_not_empty")
        deleted = self.client.api("DELETE", target + "?recursive=true")
        self.assertEqual((deleted.status, deleted.header("Content-Length")), (204, None))
        self.assert_client_error(self.client.api("GET", target + "?fields=name"), 404,
                                 "not_found")

    def test_path_collection_and_unknown_routes(self):
        ids = self.seed(folders=[{"name": "A", "id": "500"}, {"name": "B", "parent_id": "500"}])
        folder = self.client.api("GET", "/2.0/folders/%s?fields=name,path_collection"
                                 % ids["folders"][1]).json()
        self.assertEqual([e["name"] for e in folder["path_collection"]["entries"]],
                         ["All Files", "A"])
        self.assert_client_error(self.client.api("PATCH", "/2.0/folders/500"), 405,
                                 "method_not_allowed")
        self.assert_client_error(self.client.api("GET", "/2.0/nowhere"), 404, "not_found")


class UploadTest(StandInTest):
    def test_multipart_upload_stores_the_exact_bytes_and_versions_them(self):
        content = bytes(range(256)) * 40 + b"\r\n--tail"
        reply = self.client.api("POST", "/api/2.0/files/content",
                                multipart_body("a.bin", "0", content), MULTIPART_HEADERS)
        self.assertEqual(reply.status, 201, reply.body)
        file_id = reply.json()["entries"][0]["id"]
        stored = self.client.control("GET", "item?type=file&id=%s&content=1" % file_id)
        self.assertEqual(base64.b64decode(stored["content_base64"]), content)
        self.assertEqual(stored["sha1"], hashlib.sha1(content).hexdigest())
        version = self.client.api("POST", "/api/2.0/files/%s/content" % file_id,
                                  multipart_body("a.bin", "0", b"v2"), MULTIPART_HEADERS)
        self.assertEqual(version.status, 200, version.body)
        stored = self.item("file", file_id)
        self.assertEqual((stored["size"], stored["version_number"], stored["etag"]),
                         (2, "2", "1"))
        clash = self.client.api("POST", "/api/2.0/files/content",
                                multipart_body("A.BIN", "0", b"x"), MULTIPART_HEADERS)
        self.assert_client_error(clash, 409, "item_name_in_use")
        self.assertEqual(clash.json()["context_info"]["conflicts"][0]["id"], file_id)

    def test_form_with_file_before_attributes_is_refused(self):
        body = multipart_body("a.bin", "0", b"x").replace(b'name="attributes"', b'name="first"')
        body = body.replace(b'name="file"', b'name="attributes"').replace(b'name="first"',
                                                                          b'name="file"')
        reply = self.client.api("POST", "/api/2.0/files/content", body, MULTIPART_HEADERS)
        self.assert_client_error(reply, 400, "metadata_after_file_contents")

    def test_preflight_reports_conflicts_and_storage_limit(self):
        self.seed(user={"space_amount": 100, "max_upload_size": 60},
                  files=[{"name": "taken.txt"}])
        body = {"name": "new.txt", "parent": {"id": "0"}, "file_size": 10}
        ok = self.client.api("OPTIONS", "/2.0/files/content", body)
        self.assertEqual(ok.status, 200)
        self.assertTrue(ok.json()["upload_url"].startswith(self.standin.url + "/api/2.0/"))
        taken = self.client.api("OPTIONS", "/2.0/files/content", dict(body, name="taken.txt"))
        self.assert_client_error(taken, 409, "item_name_in_use")
        too_big = self.client.api("OPTIONS", "/2.0/files/content", dict(body, size=61))
        self.assert_client_error(too_big, 403, "file_size_limit_exceeded")
        self.seed(files=[{"name": "fill.bin", "content_text": "x" * 50}])
        no_room = self.client.api("OPTIONS", "/2.0/files/content", dict(body, size=51))
        self.assert_client_error(no_room, 403, "storage_limit_exceeded")
        self.assertIn("file_size", self.journal()["entries"][0]["unknown_body_members"])


class ChunkedUploadTest(StandInTest):
    PART = 1024
    CONTENT = bytes((i * 7) & 0xFF for i in range(2500))

    def setUp(self):
        super().setUp()
        self.client.control("POST", "switches", {"part_size": self.PART})

    def open_session(self):
        reply = self.client.api("POST", "/api/2.0/files/upload_sessions",
                                {"file_name": "big.bin", "file_size": len(self.CONTENT),
                                 "folder_id": "0"})
        self.assertEqual(reply.status, 201, reply.body)
        session = reply.json()
        self.assertEqual((session["part_size"], session["total_parts"]), (self.PART, 3))
        return session, urlsplit(session["session_endpoints"]["upload_part"]).path

    def put_part(self, path, first, last, data=None, digest=None, total=None):
        data = self.CONTENT[first:last + 1] if data is None else data
        headers = {"Content-Range": "bytes %d-%d/%d" % (first, last, total or len(self.CONTENT)),
                   "Content-Type": "application/octet-stream",
                   "digest": digest or digest_header(data)}
        return self.client.api("PUT", path, data, headers)

    def commit(self, path, parts, data=None):
        return self.client.api("POST", path + "/commit", {"parts": parts},
                               {"digest": digest_header(data or self.CONTENT)})

    def test_part_rules_are_enforced(self):
        _, path = self.open_session()
        cases = [("offset not a multiple of the part size", (10, 1033), 416),
                 ("short part that is not the last", (0, 99), 416),
                 ("last part longer than the part size", (1024, 2499), 416),
                 ("total differs from the file size", (0, 1023, None, None, 9999), 416),
                 ("digest of other bytes", (0, 1023, None, digest_header(b"other")), 412),
                 ("malformed digest", (0, 1023, None, "sha=abc"), 400),
                 ("body shorter than the range", (0, 1023, b"x" * 10), 400)]
        for label, arguments, status in cases:
            with self.subTest(label):
                self.assertEqual(self.put_part(path, *arguments).status, status)
        self.assertEqual(self.put_part(path, 0, 1023).status, 200)
        self.assertEqual(self.put_part(path, 0, 1023).status, 409)
        sessions = self.client.control("GET", "upload_sessions")["sessions"]
        self.assertEqual(len(sessions[0]["parts"]), 1)

    def test_commit_checks_parts_and_digest_then_creates_the_file(self):
        _, path = self.open_session()
        parts = [self.put_part(path, first, min(first + self.PART, 2500) - 1).json()["part"]
                 for first in (2048, 0, 1024)]
        self.assertEqual(parts[0]["sha1"], hashlib.sha1(self.CONTENT[2048:]).hexdigest())
        listed = [{k: p[k] for k in ("offset", "part_id", "size")} for p in parts]
        self.assertEqual(self.commit(path, listed[:2]).status, 400)
        self.assertEqual(self.commit(path, listed, data=b"not the file").status, 412)
        self.fault(method="POST", path=path + "/commit", status=202,
                   headers={"Retry-After": "1"})
        pending = self.commit(path, listed)
        self.assertEqual((pending.status, pending.header("Retry-After")), (202, "1"))
        done = self.commit(path, listed)
        self.assertEqual(done.status, 201, done.body)
        stored = self.item("file", done.json()["entries"][0]["id"])
        self.assertEqual(stored["sha1"], hashlib.sha1(self.CONTENT).hexdigest())
        self.assertEqual(self.commit(path, listed).status, 404)

    def test_version_session_replaces_content_and_abort_discards(self):
        file_id = self.seed(files=[{"name": "v.bin", "content_text": "old"}])["files"][0]
        reply = self.client.api("POST", "/api/2.0/files/%s/upload_sessions" % file_id,
                                {"file_size": len(self.CONTENT)})
        self.assertEqual(reply.status, 201, reply.body)
        path = urlsplit(reply.json()["session_endpoints"]["upload_part"]).path
        parts = [self.put_part(path, first, min(first + self.PART, 2500) - 1).json()["part"]
                 for first in (0, 1024, 2048)]
        self.assertEqual(self.commit(path, parts).status, 201)
        stored = self.item("file", file_id)
        self.assertEqual((stored["version_number"], stored["name"], stored["size"]),
                         ("2", "v.bin", len(self.CONTENT)))
        _, aborted = self.open_session()
        self.assertEqual(self.client.api("DELETE", aborted).status, 204)
        self.assertEqual(self.put_part(aborted, 0, 1023).status, 404)
        states = [s["state"] for s in self.client.control("GET", "upload_sessions")["sessions"]]
        self.assertEqual(states, ["committed", "aborted"])

    def test_sizes_beyond_32_bits_are_accepted(self):
        reply = self.client.api("POST", "/api/2.0/files/upload_sessions",
                                {"file_name": "huge.bin", "file_size": 5 * 2 ** 30,
                                 "folder_id": "0"})
        self.assertEqual(reply.status, 201, reply.body)
        path = urlsplit(reply.json()["session_endpoints"]["upload_part"]).path
        last_first = (5 * 2 ** 30 // self.PART - 1) * self.PART
        data = b"z" * self.PART
        self.assertEqual(self.put_part(path, last_first, last_first + self.PART - 1, data,
                                       total=5 * 2 ** 30).status, 200)
        self.client.api("DELETE", path)


class FaultTest(StandInTest):
    def test_fail_n_times_then_pass(self):
        self.fault(method="GET", path="/2.0/folders/*", status=503,
                   headers={"Retry-After": "7"}, error={"code": "unavailable", "message": "x"},
                   times=2)
        replies = [self.client.api("GET", "/2.0/folders/0") for _ in range(3)]
        self.assertEqual([r.status for r in replies], [503, 503, 200])
        self.assertEqual(replies[0].header("Retry-After"), "7")
        self.assertEqual(replies[0].json()["code"], "unavailable")
        self.assertEqual([e["fault"] is not None for e in self.journal()["entries"]],
                         [True, True, False])

    def test_reply_queue_with_bodies_in_order(self):
        self.fault(method="*", path="/2.0/users/me", replies=[
            {"status": 200, "text": "<html>", "content_type": "text/html"},
            {"status": 200, "json": []}, {"status": 500}])
        bodies = [self.client.api("GET", "/2.0/users/me") for _ in range(4)]
        self.assertEqual([(r.status, r.body) for r in bodies[:3]],
                         [(200, b"<html>"), (200, b"[]"), (500, b"")])
        self.assertEqual(bodies[3].json()["type"], "user")

    def test_delay_then_pass(self):
        self.fault(path="/2.0/users/me", action="pass", delay_ms=200)
        started = time.monotonic()
        self.assertEqual(self.client.api("GET", "/2.0/users/me").status, 200)
        self.assertGreaterEqual(time.monotonic() - started, 0.2)

    def test_close_truncate_and_hang_end_the_connection(self):
        self.fault(path="/2.0/users/me", action="close")
        self.fault(path="/2.0/folders/0", json={"long": "x" * 100}, truncate_at=10)
        self.fault(path="/2.0/files/1", action="hang", hang_ms=100)
        with self.assertRaises((http.client.RemoteDisconnected, ConnectionError)):
            self.client.api("GET", "/2.0/users/me")
        self.client.connection = self.client.connect()
        with self.assertRaises(http.client.IncompleteRead):
            self.client.api("GET", "/2.0/folders/0")
        self.client.connection = self.client.connect()
        with self.assertRaises((http.client.RemoteDisconnected, ConnectionError)):
            self.client.api("GET", "/2.0/files/1")
        self.client.connection = self.client.connect()
        self.assertEqual(self.client.api("GET", "/2.0/users/me").status, 200)


class JournalTest(StandInTest):
    def test_raw_line_headers_body_and_route_checks(self):
        self.client.api("GET", "/2.0/search?query=a%20b+c&limit=5&made_up=1")
        self.client.api("POST", "/2.0/files/content", b"{}", {"X-First": "1"})
        self.client.api("OPTIONS", "/2.0/files/5/content", b'{"size":1}')
        self.client.send("GET", "/2.0/nowhere")
        entries = self.journal()["entries"]
        self.assertEqual(entries[0]["request_line"],
                         "GET /2.0/search?query=a%20b+c&limit=5&made_up=1 HTTP/1.1")
        self.assertEqual(entries[0]["unknown_query"], ["made_up"])
        self.assertEqual([e["api"]["status"] for e in entries],
                         ["ok", "wrong_host", "method_not_in_api", "not_in_api"])
        self.assertEqual(entries[1]["route"], "unmatched")
        names = [name for name, _ in entries[1]["headers"]]
        self.assertLess(names.index("X-First"), names.index("Authorization"))
        self.assertEqual(base64.b64decode(entries[1]["body_base64"]), b"{}")
        self.assertEqual(entries[2]["route"], "OPTIONS /2.0/files/{file_id}/content")
        later = self.journal(since=entries[3]["index"])
        self.assertEqual([e["index"] for e in later["entries"]], [entries[3]["index"]])
        self.assertEqual(later["counts"]["GET /2.0/search"], 1)

    def test_large_bodies_are_kept_as_digest_and_size(self):
        body = b"{" + b" " * 70000 + b"}"
        self.client.api("POST", "/2.0/folders", body)
        entry = self.journal()["entries"][0]
        self.assertEqual((entry["body_size"], entry["body_sha1"]),
                         (len(body), hashlib.sha1(body).hexdigest()))
        self.assertNotIn("body_base64", entry)

    def test_download_blob_route_is_marked_as_stand_in_only(self):
        ids = self.seed(files=[{"name": "d.bin", "content_text": "payload"}])["files"]
        redirect = self.client.api("GET", "/2.0/files/%s/content" % ids[0])
        self.assertEqual(redirect.status, 302)
        blob = self.client.send("GET", urlsplit(redirect.header("Location")).path)
        self.assertEqual((blob.status, blob.body), (200, b"payload"))
        self.assertEqual(self.journal()["entries"][1]["api"]["status"], "standin")


class SearchTest(StandInTest):
    def setUp(self):
        super().setUp()
        folder = self.seed(folders=[{"name": "Reports"}])["folders"][0]
        self.seed(files=[
            {"name": "report 2020.pdf", "parent_id": folder, "content_text": "x" * 10,
             "modified_at": "2020-06-01T00:00:00Z",
             "metadata": {"enterprise": {"fp": {"fingerprint": "ABC123"}}}},
            {"name": "report 2021.docx", "content_text": "x" * 1000,
             "modified_at": "2021-06-01T00:00:00Z",
             "metadata": {"enterprise": {"mail": {"hasattachments": 1, "from": "ann"}}}}])
        self.folder = folder

    def names(self, query):
        reply = self.client.api("GET", "/2.0/search?" + query)
        self.assertEqual(reply.status, 200, reply.body)
        return sorted(entry["name"] for entry in reply.json()["entries"])

    def test_filters(self):
        both = ["report 2020.pdf", "report 2021.docx"]
        cases = [("query=report&type=file", both),
                 ("query=report&type=folder", ["Reports"]),
                 ("query=report&ancestor_folder_ids=" + self.folder, ["report 2020.pdf"]),
                 ("query=report&file_extensions=docx,txt", ["report 2021.docx"]),
                 ("query=report&size_range=100,", ["report 2021.docx"]),
                 ("query=report&size_range=,100&type=file", ["report 2020.pdf"]),
                 ("query=report&type=file&updated_at_range=2021-01-01T00:00:00Z,",
                  ["report 2021.docx"]),
                 ("query=report&updated_at_range=,2020-12-31T00:00:00-01:00",
                  ["report 2020.pdf"]),
                 ("query=ABC123&limit=1", ["report 2020.pdf"]),
                 ('query=&mdfilters=[{"scope":"enterprise","templateKey":"mail","filters":'
                  '{"hasattachments":{"gt":1,"lt":1},"from":"ann"}}]', ["report 2021.docx"])]
        for query, expected in cases:
            with self.subTest(query):
                self.assertEqual(self.names(query), expected)

    def test_limits_and_offsets(self):
        page = self.client.api("GET", "/2.0/search?query=report&limit=500").json()
        self.assertEqual((page["limit"], page["total_count"], page["offset"]), (200, 3, 0))
        self.assert_client_error(
            self.client.api("GET", "/2.0/search?query=report&offset=10001"), 400, "bad_request")
        self.assertEqual(self.client.api("GET", "/2.0/search?query=x&offset=10000").status, 200)
        self.assert_client_error(self.client.api("GET", "/2.0/search?type=file"), 400,
                                 "bad_request")


class LockTest(StandInTest):
    LOCK = {"lock": {"expires_at": "2030-12-31T23:59:59-00:00", "is_download_prevented": True}}

    def test_lock_and_unlock_with_and_without_etag_bump(self):
        file_id = self.seed(files=[{"name": "l.txt"}])["files"][0]
        target = "/2.0/files/%s?fields=lock" % file_id
        for bump, etags in ((False, ["0", "0"]), (True, ["1", "2"])):
            with self.subTest(bump=bump):
                self.client.control("POST", "switches", {"etag_bump_on_lock": bump})
                locked = self.client.api("PUT", target, self.LOCK).json()
                self.assertTrue(locked["lock"]["is_download_prevented"])
                self.assertEqual(locked["lock"]["created_by"]["type"], "user")
                self.assertIsNotNone(self.client.api("GET", target).json()["lock"])
                unlocked = self.client.api("PUT", target, {"lock": None}).json()
                self.assertIsNone(unlocked["lock"])
                self.assertEqual([locked["etag"], unlocked["etag"]], etags)
                self.client.control("POST", "item", {"type": "file", "id": file_id, "etag": 0})

    def test_lock_expiry_is_shown_in_the_chosen_date_style(self):
        file_id = self.seed(files=[{"name": "l.txt"}])["files"][0]
        lock = self.client.api("PUT", "/2.0/files/%s?fields=lock" % file_id, self.LOCK).json()
        self.assertEqual(lock["lock"]["expires_at"], "2030-12-31T15:59:59-08:00")
        self.client.control("POST", "switches", {"date_style": "z"})
        lock = self.client.api("GET", "/2.0/files/%s?fields=lock" % file_id).json()
        self.assertEqual(lock["lock"]["expires_at"], "2030-12-31T23:59:59Z")

    def test_another_users_lock_blocks_changes_until_it_expires(self):
        other = {"id": "99", "name": "Other", "login": "other@example.test"}
        file_id = self.seed(files=[{"name": "l.txt", "lock": {
            "created_by": other, "expires_at": "2100-01-01T00:00:00Z"}}])["files"][0]
        self.assert_client_error(self.client.api("PUT", "/2.0/files/%s" % file_id,
                                                 {"name": "m.txt"}), 403,
                                 "access_denied_item_locked")
        self.client.control("POST", "item", {"type": "file", "id": file_id, "lock": {
            "created_by": other, "expires_at": "2000-01-01T00:00:00Z"}})
        expired = self.client.api("GET", "/2.0/files/%s?fields=lock" % file_id).json()
        self.assertIsNotNone(expired["lock"])
        self.assertEqual(self.client.api("DELETE", "/2.0/files/%s" % file_id).status, 204)


class MetadataTest(StandInTest):
    def test_create_conflict_and_schema_validation(self):
        file_id = self.seed(files=[{"name": "m.eml"}], metadata_templates=[
            {"scope": "enterprise", "template_key": "mail",
             "fields": {"subject": "string", "received": "date", "hasattachments": "float"}}]
        )["files"][0]
        target = "/2.0/files/%s/metadata/enterprise_1234567/mail" % file_id
        good = {"subject": "Hi", "received": "2024-01-02T03:04:05.000Z", "hasattachments": 0}
        created = self.client.api("POST", target, good)
        self.assertEqual(created.status, 201, created.body)
        self.assertEqual((created.json()["$template"], created.json()["subject"]), ("mail", "Hi"))
        duplicate = self.client.api("POST", target, good)
        self.assertEqual(duplicate.status, 409)
        self.assertEqual(duplicate.json()["code"], "tuple_already_exists")
        self.assertNotIn("type", duplicate.json())
        for bad in ({"subject": 5}, {"unknown": "x"}, {"received": "yesterday"}, []):
            with self.subTest(bad=bad):
                reply = self.client.api("POST", target, bad)
                self.assertEqual(reply.status, 400)
                self.assertEqual(reply.json()["code"], "schema_validation_failed")
        other_enterprise = self.client.api("POST", target.replace("1234567", "1"), good)
        self.assertEqual(other_enterprise.status, 404)


class DownloadTest(StandInTest):
    def test_modes(self):
        file_id = self.seed(files=[{"name": "d.bin", "pattern": {"size": 200000, "seed": 5}}]
                            )["files"][0]
        expected = bytes((31 * i + 17 * 5 + (i >> 16)) & 0xFF for i in range(200000))
        self.assertEqual(self.item("file", file_id)["sha1"], hashlib.sha1(expected).hexdigest())
        self.client.control("POST", "switches", {"download_mode": "direct"})
        direct = self.client.api("GET", "/2.0/files/%s/content" % file_id)
        self.assertEqual((direct.status, direct.body), (200, expected))
        self.client.control("POST", "switches", {"download_mode": "not_ready",
                                                 "download_retry_after": 3})
        pending = self.client.api("GET", "/2.0/files/%s/content" % file_id)
        self.assertEqual((pending.status, pending.header("Retry-After")), (202, "3"))
        self.assert_client_error(self.client.api("GET", "/2.0/files/4242/content"), 404,
                                 "not_found")


class HttpTest(StandInTest):
    def raw_exchange(self, data):
        with socket.create_connection((self.client.host, self.client.port), timeout=5) as sock:
            sock.sendall(data)
            received = b""
            while True:
                chunk = sock.recv(65536)
                if not chunk:
                    return received
                received += chunk

    def test_keep_alive_serves_many_requests_on_one_connection(self):
        for _ in range(5):
            self.assertEqual(self.client.api("GET", "/2.0/users/me").status, 200)
        self.assertEqual(self.client.connection.sock.getpeername()[1], self.client.port)

    def test_expect_continue_and_raw_spaces(self):
        reply = self.raw_exchange(
            b"POST /2.0/folders HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer "
            + INITIAL_ACCESS_TOKEN.encode() + b"\r\nExpect: 100-continue\r\n"
            b"Content-Length: 35\r\nConnection: close\r\n\r\n"
            b'{"name":"N","parent":{"id":"0"}}\n  ')
        self.assertTrue(reply.startswith(b"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201"), reply)
        spaced = (b"GET /2.0/search?query=a b HTTP/1.1\r\nConnection: close\r\n"
                  b"Authorization: Bearer " + INITIAL_ACCESS_TOKEN.encode() + b"\r\n\r\n")
        self.assertTrue(self.raw_exchange(spaced).startswith(b"HTTP/1.1 200 "))
        self.assertEqual(self.journal()["entries"][-1]["request_line"],
                         "GET /2.0/search?query=a b HTTP/1.1")
        self.client.control("POST", "switches", {"strict": True})
        self.assertTrue(self.raw_exchange(spaced).startswith(b"HTTP/1.1 400 "))

    def test_malformed_requests_get_400_and_the_server_lives_on(self):
        for garbage in (b"NONSENSE\r\n\r\n", b"GET / HTTP/9.9\r\n\r\n",
                        b"POST /2.0/folders HTTP/1.1\r\nContent-Length: x\r\n\r\n"):
            with self.subTest(garbage=garbage):
                self.assertTrue(self.raw_exchange(garbage).startswith(b"HTTP/1.1 400 "))
        self.assert_client_error(self.client.api("POST", "/2.0/folders", b"{nope"), 400,
                                 "bad_request")
        self.assertEqual(self.client.api("GET", "/2.0/users/me").status, 200)


class ControlTest(StandInTest):
    def test_items_can_be_found_changed_and_deleted(self):
        ids = self.seed(folders=[{"name": "A"}])["folders"]
        self.seed(files=[{"name": "f.txt", "parent_id": ids[0], "content_text": "one"}])
        found = self.client.control("GET", "item?path=/A/f.txt")
        changed = self.client.control("POST", "item", {"type": "file", "id": found["id"],
                                                       "content_text": "two!"})
        self.assertEqual((changed["version_number"], changed["etag"], changed["size"]),
                         ("2", "1", 4))
        self.client.control("POST", "item/delete", {"type": "folder", "id": ids[0]})
        self.assertEqual(self.client.send("GET", "/_control/item?path=/A/f.txt").status, 404)

    def test_malformed_calls_answer_400(self):
        calls = [("seed", {"files": [{"name": "x", "parent_id": "999"}]}),
                 ("seed", {"folders": [{"name": "x", "bogus": 1}]}),
                 ("switches", {"marker_end": "never"}),
                 ("faults", {"path": "no-slash"}),
                 ("faults", {"path": "/x", "action": "explode"}),
                 ("tokens", {"access_expired": "yes"})]
        for name, payload in calls:
            with self.subTest(name=name, payload=payload):
                reply = self.client.send("POST", "/_control/" + name, json.dumps(payload).encode())
                self.assertEqual(reply.status, 400, reply.body)
                self.assertIn("error", reply.json())
        self.assertEqual(self.client.control("GET", "switches")["marker_end"], "null")

    def test_large_content_spills_to_disk_and_downloads_intact(self):
        size = 9 * 1024 * 1024
        file_id = self.seed(files=[{"name": "big.bin", "pattern": {"size": size, "seed": 2}}]
                            )["files"][0]
        redirect = self.client.api("GET", "/2.0/files/%s/content" % file_id)
        download = self.client.send("GET", urlsplit(redirect.header("Location")).path)
        self.assertEqual(len(download.body), size)
        self.assertEqual(hashlib.sha1(download.body).hexdigest(),
                         self.item("file", file_id)["sha1"])
        self.client.control("POST", "item", {"type": "file", "id": file_id, "content_text": "x"})
        stale = self.client.send("GET", urlsplit(redirect.header("Location")).path)
        self.assertEqual(stale.status, 404)

    def test_enterprise_switch_and_authorize_denial(self):
        self.client.control("POST", "switches", {"enterprise_null": True, "authorize": "deny"})
        me = self.client.api("GET", "/2.0/users/me?fields=id,name,login,enterprise").json()
        self.assertIsNone(me["enterprise"])
        file_id = self.seed(files=[{"name": "m.eml"}])["files"][0]
        reply = self.client.api("POST", "/2.0/files/%s/metadata/enterprise_1234567/mail"
                                % file_id, {"subject": "s"})
        self.assert_client_error(reply, 404, "instance_tuple_not_found")
        denied = self.client.send("GET", "/api/oauth2/authorize?response_type=code&client_id=c"
                                  "&redirect_uri=https%3A%2F%2Fexample.test%2F")
        self.assertTrue(denied.header("Location").startswith(
            "https://example.test/?error=access_denied"))


class ShutdownTest(unittest.TestCase):
    def test_stop_releases_a_request_held_by_a_hang_fault(self):
        standin = boxstandin.StandIn(OPENAPI_PATH)
        standin.start()
        client = Client(standin.url)
        client.control("POST", "faults", {"path": "/2.0/users/me", "action": "hang"})
        outcome = []

        def held_request():
            try:
                client.api("GET", "/2.0/users/me")
                outcome.append("answered")
            except (http.client.HTTPException, OSError):
                outcome.append("dropped")
        worker = threading.Thread(target=held_request)
        worker.start()
        wait_until(lambda: standin.state.journal.entries())
        standin.stop()
        worker.join(5)
        self.assertEqual(outcome, ["dropped"])
        self.assertFalse(os.path.exists(standin.state.spool.path))


class LauncherTest(unittest.TestCase):
    def test_runs_the_command_with_the_address_and_returns_its_exit_code(self):
        probe = ("import os, sys, urllib.request; "
                 "url = os.environ['BOX_STANDIN_URL']; "
                 "assert urllib.request.urlopen(url + '/_control/ping').status == 200; "
                 "sys.exit(3)")
        launcher = os.path.join(os.path.dirname(os.path.abspath(__file__)), "run_with_standin.py")
        result = subprocess.run([sys.executable, launcher, "--openapi", OPENAPI_PATH, "--",
                                 sys.executable, "-c", probe], timeout=60)
        self.assertEqual(result.returncode, 3)


def _take_openapi_argument(argv):
    """Remove "--openapi PATH" from argv, leaving the rest to unittest."""
    global OPENAPI_PATH
    if "--openapi" in argv:
        position = argv.index("--openapi")
        OPENAPI_PATH = argv[position + 1]
        del argv[position:position + 2]
    return argv


if __name__ == "__main__":
    unittest.main(argv=_take_openapi_argument(list(sys.argv)))
