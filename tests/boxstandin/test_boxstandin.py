#!/usr/bin/env python3
"""Self-test of the Box stand-in over HTTP: what the suites trust it with and no product test would notice failing.
Run: test_boxstandin.py --openapi PATH [unittest arguments]"""

import hashlib
import http.client
import json
import sys
import time
import unittest
from urllib.parse import urlsplit

from oauth_tokens import INITIAL_ACCESS_TOKEN
from run_with_standin import StandInProcess


class StandInTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        process = StandInProcess(OPENAPI_PATH)
        url = urlsplit(process.start())
        cls.addClassCleanup(process.stop)
        cls.address = (url.hostname, url.port)

    def setUp(self):
        self.send("POST", "/_control/reset")

    def send(self, method, target, body=b"", headers=()):
        connection = http.client.HTTPConnection(*self.address, timeout=10)
        self.addCleanup(connection.close)
        body = json.dumps(body).encode() if isinstance(body, dict) else body
        connection.request(method, target, body, dict({"Authorization": "Bearer " + INITIAL_ACCESS_TOKEN,
                                                       "Content-Type": "application/json"}, **dict(headers)))
        reply = connection.getresponse()
        return reply.status, json.loads(reply.read() or "null")

    def upload(self, target, name, content, content_md5):
        form = (b"--B\r\nContent-Disposition: form-data; name=\"attributes\"\r\n\r\n" +
                json.dumps({"name": name, "parent": {"id": "0"}}).encode() +
                b"\r\n--B\r\nContent-Disposition: form-data; name=\"file\"; filename=\"f\"\r\n\r\n" + content +
                b"\r\n--B--\r\n")
        return self.send("POST", target, form, {"Content-Type": "multipart/form-data; boundary=B",
                                                "content-md5": content_md5})

    def test_what_box_refuses_is_refused(self):
        file_id = self.send("POST", "/_control/seed", {"files": [{"name": "l.txt"}]})[1]["files"][0]
        for method, target, body in (
                ("GET", "/2.0/folders/0/items?usemarker=true&sort=date&direction=desc", b""),
                ("GET", "/2.0/folders/0/items?usemarker=true&limit=1001", b""),
                ("GET", "/2.0/search?query=a&limit=201", b""),
                ("GET", "/2.0/search?query=a&content_types=name,Comments", b""),
                ("PUT", "/2.0/files/%s?fields=lock" % file_id, {"lock": {}})):
            with self.subTest(target=target):
                status, error = self.send(method, target, body)
                self.assertEqual((status, error["code"]), (400, "bad_request"))
        self.assertEqual(self.send("GET", "/2.0/folders/0/items?usemarker=true&sort=date&direction=DESC&limit=1000")[0],
                         200)

    def test_uploads_whose_bytes_differ_from_their_content_md5_are_refused(self):
        content = b"the file's own bytes"
        sha1 = hashlib.sha1(content).hexdigest()
        status, reply = self.upload("/api/2.0/files/content", "a.txt", content, sha1.upper())
        self.assertEqual(status, 201)
        file_id = reply["entries"][0]["id"]
        other = hashlib.sha1(b"other bytes").hexdigest()
        for target in ("/api/2.0/files/content", "/api/2.0/files/%s/content" % file_id):
            with self.subTest(target=target):
                status, error = self.upload(target, "b.txt", b"other bytes", sha1)
                self.assertEqual((status, error["code"]), (400, "bad_digest"))
        self.assertEqual(self.upload("/api/2.0/files/%s/content" % file_id, "a.txt", b"other bytes", other)[0], 200)
        children = self.send("GET", "/_control/item?type=folder&id=0")[1]["children"]
        self.assertEqual([child["name"] for child in children], ["a.txt"])
        self.assertEqual(self.send("GET", "/_control/item?type=file&id=" + file_id)[1]["sha1"], other)

    def test_journal_checks_requests_against_the_description(self):
        for method, target in (("GET", "/2.0/search?query=a&x=1"), ("POST", "/2.0/files/content"),
                               ("POST", "/2.0/users/me"), ("GET", "/2.0/nowhere")):
            self.send(method, target, b"{}")
        entries = self.send("GET", "/_control/journal")[1]["entries"]
        self.assertEqual([e["api"]["status"] for e in entries],
                         ["ok", "wrong_host", "method_not_in_api", "not_in_api"])

    def test_settle_ends_what_a_case_left_held_without_it_landing(self):
        self.send("POST", "/_control/faults", {"method": "POST", "path": "/2.0/folders", "replies": [
            {"action": "pass", "delay_ms": 60000}, {"action": "hang"}]})
        held = []
        for name in ("Delayed", "Hung"):
            connection = http.client.HTTPConnection(*self.address, timeout=10)
            self.addCleanup(connection.close)
            connection.request("POST", "/2.0/folders", json.dumps({"name": name, "parent": {"id": "0"}}),
                               {"Authorization": "Bearer " + INITIAL_ACCESS_TOKEN})
            held.append(connection)
        while len(self.send("GET", "/_control/journal")[1]["entries"]) < 2:
            time.sleep(0.01)

        started = time.monotonic()
        self.assertEqual(self.send("POST", "/_control/settle")[1], {"in_flight": 2, "still_in_flight": 0})
        self.assertLess(time.monotonic() - started, 5)
        for connection in held:
            self.assertRaises(http.client.RemoteDisconnected, connection.getresponse)
        self.assertEqual(self.send("GET", "/_control/item?path=/Delayed")[0], 404)
        # Requests after it are answered as ever.
        self.assertEqual(self.send("POST", "/2.0/folders", {"name": "Later", "parent": {"id": "0"}})[0], 201)
        self.assertEqual(self.send("POST", "/_control/settle")[1], {"in_flight": 0, "still_in_flight": 0})


if __name__ == "__main__":
    OPENAPI_PATH = sys.argv.pop(sys.argv.index("--openapi") + 1)
    sys.argv.remove("--openapi")
    unittest.main()
