#!/usr/bin/env python3
"""Self-test of the Box stand-in over HTTP: what the suites trust it with and no product test
would notice failing. Run: test_boxstandin.py [--openapi PATH] [unittest arguments]"""

import base64
import http.client
import json
import sys
import unittest
from urllib.parse import urlsplit

from boxstandin import default_openapi_path
from oauth_tokens import INITIAL_ACCESS_TOKEN, INITIAL_REFRESH_TOKEN
from run_with_standin import StandInProcess

OPENAPI_PATH = default_openapi_path()
FORM = {"Content-Type": "application/x-www-form-urlencoded"}


class StandInTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.process = StandInProcess(OPENAPI_PATH)
        url = urlsplit(cls.process.start())
        cls.address = (url.hostname, url.port)

    @classmethod
    def tearDownClass(cls):
        cls.process.stop()

    def setUp(self):
        self.control("POST", "reset")

    def send(self, method, target, body=b"", headers=None):
        connection = http.client.HTTPConnection(*self.address, timeout=10)
        self.addCleanup(connection.close)
        body = json.dumps(body).encode() if isinstance(body, dict) else body
        connection.request(method, target, body, headers or {})
        reply = connection.getresponse()
        reply.data = reply.read()
        return reply

    def api(self, method, target, body=b"", token=INITIAL_ACCESS_TOKEN):
        return self.send(method, target, body, {"Authorization": "Bearer " + token,
                                                "Content-Type": "application/json"})

    def control(self, method, name, payload=None):
        reply = self.send(method, "/_control/" + name, payload or b"")
        self.assertEqual(reply.status, 200, reply.data)
        return json.loads(reply.data)

    def assert_error(self, reply, status, code):
        self.assertEqual((reply.status, json.loads(reply.data)["code"]), (status, code), reply.data)

    def token(self, grant):
        form = "grant_type=%s&client_id=c&client_secret=s" % grant
        return self.send("POST", "/oauth2/token", form.encode(), FORM)

    def test_tokens_rotate_on_refresh_and_work_once(self):
        pair = json.loads(self.token("refresh_token&refresh_token=" + INITIAL_REFRESH_TOKEN).data)
        stale = self.api("GET", "/2.0/users/me")
        self.assertEqual((stale.status, stale.data), (401, b""))
        self.assertEqual(stale.getheader("WWW-Authenticate"),
                         'Bearer realm="Service", error="invalid_token"')
        self.assertEqual(self.api("GET", "/2.0/users/me", token=pair["access_token"]).status, 200)
        reused = self.token("refresh_token&refresh_token=" + INITIAL_REFRESH_TOKEN)
        self.assertEqual((reused.status, json.loads(reused.data)["error"]), (400, "invalid_grant"))
        authorize = "/api/oauth2/authorize?response_type=code&client_id=c&redirect_uri=https://x/?"
        code = self.send("GET", authorize).getheader("Location").split("code=")[1]
        self.assertEqual([self.token("authorization_code&code=" + code).status for _ in "12"],
                         [200, 400])
        self.assertEqual(self.control("GET", "tokens")["refresh_count"], 1)

    def test_what_box_refuses_is_refused(self):
        file_id = self.control("POST", "seed", {"files": [{"name": "l.txt"}]})["files"][0]
        for method, target, body, status, code in (
                ("GET", "/2.0/folders/0/items?usemarker=true&sort=date&direction=desc", b"",
                 400, "bad_request"),
                ("GET", "/2.0/folders/0/items?usemarker=true&limit=1001", b"", 400, "bad_request"),
                ("GET", "/2.0/search?query=a&limit=201", b"", 400, "bad_request"),
                ("GET", "/2.0/search?query=a&content_types=name,Comments", b"", 400, "bad_request"),
                ("PUT", "/2.0/files/%s?fields=lock" % file_id, {"lock": {}}, 400, "bad_request")):
            with self.subTest(target=target):
                self.assert_error(self.api(method, target, body), status, code)
        self.assertEqual(self.api("GET", "/2.0/folders/0/items?usemarker=true&sort=date"
                                  "&direction=DESC&limit=1000").status, 200)

    def test_journal_keeps_requests_as_sent_and_checks_them_against_the_description(self):
        self.api("GET", "/2.0/search?query=a%20b&made_up=1")
        self.api("POST", "/2.0/files/content", b"{}")
        self.api("POST", "/2.0/users/me")
        self.send("GET", "/2.0/nowhere")
        entries = self.control("GET", "journal")["entries"]
        self.assertEqual(entries[0]["request_line"], "GET /2.0/search?query=a%20b&made_up=1 HTTP/1.1")
        self.assertEqual([e["api"]["status"] for e in entries],
                         ["ok", "wrong_host", "method_not_in_api", "not_in_api"])
        self.assertEqual(base64.b64decode(entries[1]["body_base64"]), b"{}")
        later = self.control("GET", "journal?since=%d" % entries[3]["index"])["entries"]
        self.assertEqual([e["index"] for e in later], [entries[3]["index"]])


if __name__ == "__main__":
    if "--openapi" in sys.argv:
        at = sys.argv.index("--openapi")
        OPENAPI_PATH = sys.argv[at + 1]
        del sys.argv[at:at + 2]
    unittest.main()
