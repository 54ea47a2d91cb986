#!/usr/bin/env python3
"""Self-test of the Box stand-in over real HTTP on 127.0.0.1: the contracts the C++ suites rely
on (tokens, faults, the journal, the control interface) and its strictness, which is Box's.

    test_boxstandin.py [--openapi PATH] [unittest arguments]
or  python3 -m unittest discover -s tests/boxstandin   (API description from BOX_OPENAPI)
"""

import base64
import http.client
import json
import os
import sys
import threading
import time
import unittest
from urllib.parse import quote, urlsplit

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import boxstandin  # noqa: E402
from oauth_tokens import INITIAL_ACCESS_TOKEN, INITIAL_REFRESH_TOKEN  # noqa: E402

OPENAPI_PATH = boxstandin.default_openapi_path()
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

    def send(self, method, target, body=b"", headers=None):
        if isinstance(body, (dict, list)):
            body = json.dumps(body).encode("utf-8")
        self.connection.request(method, target, body=body, headers=headers or {})
        return Reply(self.connection.getresponse())

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


def wait_until(condition, timeout=5.0):
    """Poll for a condition that no event announces; fail after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError("condition not met within %s s" % timeout)
        time.sleep(0.01)


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
        self.addCleanup(self.client.connection.close)
        self.client.control("POST", "reset")

    def seed(self, **data):
        return self.client.control("POST", "seed", data)

    def fault(self, **rule):
        return self.client.control("POST", "faults", rule)["id"]

    def journal(self, **filters):
        query = "&".join("%s=%s" % (k, quote(str(v), safe="")) for k, v in filters.items())
        return self.client.control("GET", "journal?" + query)

    def assert_client_error(self, reply, status, code):
        self.assertEqual(reply.status, status, reply.body)
        body = reply.json()
        self.assertEqual((body["type"], body["status"], body["code"]), ("error", status, code))


FORM = {"Content-Type": "application/x-www-form-urlencoded"}


class TokenTest(StandInTest):
    def refresh(self, refresh_token, client="&client_id=c&client_secret=s", headers=FORM):
        form = "grant_type=refresh_token&refresh_token=%s%s" % (refresh_token, client)
        return self.client.send("POST", "/oauth2/token", form.encode(), headers)

    def test_refresh_rotates_both_tokens_and_rejects_reuse(self):
        pair = self.refresh(INITIAL_REFRESH_TOKEN).json()
        self.assertNotIn(pair["access_token"], (INITIAL_ACCESS_TOKEN, ""))
        self.assertEqual(self.client.api("GET", "/2.0/users/me").status, 401)
        self.assertEqual(
            self.client.api("GET", "/2.0/users/me", token=pair["access_token"]).status, 200)
        reused = self.refresh(INITIAL_REFRESH_TOKEN)
        self.assertEqual((reused.status, reused.json()["error"]), (400, "invalid_grant"))
        self.assertEqual(self.client.control("GET", "tokens")["refresh_count"], 1)

    def test_token_requests_need_the_form_and_the_client(self):
        self.assertEqual(self.refresh(INITIAL_REFRESH_TOKEN, client="").json()["error"],
                         "invalid_client")
        refused = self.refresh(INITIAL_REFRESH_TOKEN, headers={"Content-Type": "text/plain"})
        self.assertEqual((refused.status, refused.json()["error"]), (400, "invalid_request"))

    def test_authorize_page_needs_the_client_and_gives_a_code_that_buys_tokens_once(self):
        target = "/api/oauth2/authorize?response_type=code&redirect_uri=https%3A%2F%2Fx.test%2F%3F"
        self.assertEqual(self.client.send("GET", target).status, 400)
        location = self.client.send("GET", target + "&client_id=c").header("Location")
        self.assertTrue(location.startswith("https://x.test/?code="), location)
        form = ("grant_type=authorization_code&code=%s&client_id=c&client_secret=s"
                % location.split("code=")[1]).encode()
        self.assertEqual(self.client.send("POST", "/oauth2/token", form, FORM).status, 200)
        self.assertEqual(self.client.send("POST", "/oauth2/token", form, FORM).status, 400)

    def test_expired_tokens_get_401_with_challenge_and_no_body(self):
        self.client.control("POST", "tokens", {"access_expired": True})
        reply = self.client.api("GET", "/2.0/folders/0")
        self.assertEqual((reply.status, reply.body), (401, b""))
        self.assertEqual(reply.header("WWW-Authenticate"), AUTH_REQUIRED)


class StrictnessTest(StandInTest):
    """What Box's API description refuses is refused here too, not quietly mended."""

    def test_query_values_outside_the_description_are_refused(self):
        for target in ("/2.0/folders/0/items?sort=date&direction=desc",
                       "/2.0/folders/0/items?limit=1001",
                       "/2.0/search?query=a&limit=201",
                       "/2.0/search?query=a&content_types=name,Comments"):
            with self.subTest(target=target):
                self.assert_client_error(self.client.api("GET", target), 400, "bad_request")
        self.assertEqual(self.client.api("GET", "/2.0/folders/0/items?sort=date&direction=DESC"
                                         "&limit=1000").status, 200)

    def test_a_lock_needs_its_access(self):
        file_id = self.seed(files=[{"name": "l.txt"}])["files"][0]
        path = "/2.0/files/%s?fields=lock" % file_id
        self.assert_client_error(self.client.api("PUT", path, {"lock": {}}), 400, "bad_request")
        locked = self.client.api("PUT", path, {"lock": {"access": "lock"}})
        self.assertEqual(locked.json()["lock"]["type"], "lock")

    def test_preflight_size_is_read_from_size_only(self):
        self.seed(user={"space_amount": 10})
        self.assertEqual(self.client.api("OPTIONS", "/2.0/files/content",
                                         {"name": "a", "parent": {"id": "0"}, "file_size": 99}).status, 200)
        refused = self.client.api("OPTIONS", "/2.0/files/content",
                                  {"name": "a", "parent": {"id": "0"}, "size": 99})
        self.assert_client_error(refused, 403, "storage_limit_exceeded")
        self.assertEqual(self.journal()["entries"][0]["unknown_body_members"], ["file_size"])


class FaultTest(StandInTest):
    def test_reply_queue_then_normal_service(self):
        self.fault(method="*", path="/2.0/users/me", replies=[
            {"status": 503, "headers": {"Retry-After": "7"}, "times": 2},
            {"status": 200, "text": "<html>", "content_type": "text/html"}])
        replies = [self.client.api("GET", "/2.0/users/me") for _ in range(4)]
        self.assertEqual([r.status for r in replies], [503, 503, 200, 200])
        self.assertEqual(replies[0].header("Retry-After"), "7")
        self.assertEqual(replies[2].body, b"<html>")
        self.assertEqual(replies[3].json()["type"], "user")
        self.assertEqual([e["fault"] is not None for e in self.journal()["entries"]],
                         [True, True, True, False])

    def test_delay_close_and_hang(self):
        self.fault(path="/2.0/users/me", action="pass", delay_ms=200)
        started = time.monotonic()
        self.assertEqual(self.client.api("GET", "/2.0/users/me").status, 200)
        self.assertGreaterEqual(time.monotonic() - started, 0.2)
        self.fault(path="/2.0/folders/0", action="close")
        self.fault(path="/2.0/files/1", action="hang", hang_ms=100)
        for target in ("/2.0/folders/0", "/2.0/files/1"):
            with self.assertRaises((http.client.RemoteDisconnected, ConnectionError)):
                self.client.api("GET", target)
            self.client.connection = self.client.connect()


class JournalTest(StandInTest):
    def test_request_lines_and_checks_against_the_description(self):
        self.client.api("GET", "/2.0/search?query=a%20b&limit=5&made_up=1")
        self.client.api("POST", "/2.0/files/content", b"{}", {"X-First": "1"})
        self.client.send("GET", "/2.0/nowhere")
        entries = self.journal()["entries"]
        self.assertEqual(entries[0]["request_line"],
                         "GET /2.0/search?query=a%20b&limit=5&made_up=1 HTTP/1.1")
        self.assertEqual(entries[0]["unknown_query"], ["made_up"])
        self.assertEqual([e["api"]["status"] for e in entries], ["ok", "wrong_host", "not_in_api"])
        self.assertEqual(base64.b64decode(entries[1]["body_base64"]), b"{}")
        later = self.journal(since=entries[2]["index"])
        self.assertEqual([e["index"] for e in later["entries"]], [entries[2]["index"]])


class ControlTest(StandInTest):
    def test_items_can_be_seeded_found_changed_and_deleted(self):
        ids = self.seed(folders=[{"name": "A"}])["folders"]
        self.seed(files=[{"name": "f.txt", "parent_id": ids[0], "content_text": "one"}])
        found = self.client.control("GET", "item?path=/A/f.txt")
        changed = self.client.control("POST", "item", {"type": "file", "id": found["id"],
                                                       "content_text": "two!"})
        self.assertEqual((changed["version_number"], changed["size"]), ("2", 4))
        self.client.control("POST", "item/delete", {"type": "folder", "id": ids[0]})
        self.assertEqual(self.client.send("GET", "/_control/item?path=/A/f.txt").status, 404)



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
