"""HTTP/1.1 with keep-alive (XMLHTTP and WinINet keep connections): every reply carries Content-Length. A request
line is split leniently, so that a target with raw spaces still arrives and shows in the journal as sent."""

import contextlib
import http.client
import sys
import traceback
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import control
import routes
from errors import client_error_body
from httpmsg import Body, Reply, Request, json_reply, text_reply

MAX_LINE = 65536
SEND_CHUNK = 1024 * 1024
NO_BODY_STATUSES = (204, 304)   # HTTP forbids Content-Length on these


class StandInServer(ThreadingHTTPServer):
    daemon_threads = True
    block_on_close = False

    def __init__(self, state, address):
        super().__init__(address, StandInHandler)
        self.state = state

    def handle_error(self, request, client_address):
        # A client that goes away mid-reply is normal in fault tests; anything else is a bug.
        if not isinstance(sys.exc_info()[1], (ConnectionError, TimeoutError)):
            traceback.print_exc()


class StandInHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    timeout = 120
    disable_nagle_algorithm = True   # small replies must not wait for the client's delayed acknowledgement

    def handle_one_request(self):
        self.close_connection = True
        try:
            start = self._read_request_line()
        except (TimeoutError, ConnectionError):
            return
        if start is None:
            return
        # Control calls are the tests' own; only API requests can be left behind by a case.
        control = start[2].startswith("/_control/")
        with contextlib.nullcontext() if control else self.server.state.in_flight.handling() as hold:
            try:
                request = self._read_request(*start, hold)
            except (TimeoutError, ConnectionError):
                return
            if request is not None:
                try:
                    self._answer(request, hold)
                finally:
                    request.body.close()

    def _read_request_line(self):
        """(line, method, target, version) of the next request, or None when the connection ends or a framing error
        was answered."""
        raw = self.rfile.readline(MAX_LINE + 1)
        if len(raw) > MAX_LINE:
            return self._refuse(414, "Request line too long")
        line = raw.decode("utf-8", "replace").rstrip("\r\n")
        if not line.strip():
            self.close_connection = not raw   # a stray line end between requests keeps the connection
            return None
        method, _, rest = line.partition(" ")
        target, _, version = rest.rpartition(" ")
        if not (method.isalpha() and target.strip() and version in ("HTTP/1.0", "HTTP/1.1")):
            return self._refuse(400, "Malformed request line")
        return line, method, target.strip(), version

    def _read_request(self, line, method, target, version, hold):
        """The request after its line, or None when the connection ends (or its hold is cut short) or a framing error
        was answered."""
        try:
            message = http.client.parse_headers(self.rfile)
            length = int(message.get("Content-Length", "0"))
        except (http.client.HTTPException, ValueError):
            return self._refuse(400, "Malformed header section")
        if message.get("Transfer-Encoding"):
            return self._refuse(411, "Send the body with Content-Length")
        if message.get("Expect", "").lower() == "100-continue" and version == "HTTP/1.1":
            self.wfile.write(b"HTTP/1.1 100 Continue\r\n\r\n")
            self.wfile.flush()
        state = self.server.state
        pace_ms = state.switches.get("body_read_pace_ms")
        pause = (lambda: hold.wait(pace_ms / 1000.0)) if pace_ms and hold else None
        body = Body.read_from(self.rfile, length, state.spool.path, pause)
        if body is None:
            return None
        tokens = {token.strip().lower() for token in message.get("Connection", "").split(",")}
        self.close_connection = "close" in tokens if version == "HTTP/1.1" else "keep-alive" not in tokens
        return Request(method, target, line, list(message.items()), body)

    def _refuse(self, status, message):
        self.close_connection = True
        self._send(text_reply(status, message + "\n"))

    def _answer(self, request, hold):
        state = self.server.state
        if request.path.startswith("/_control/"):
            return self._send(control.handle(state, request))
        route, path_params = routes.find_route(request.method, request.path)
        check = state.api_index.check(request.method, request.path)
        entry = state.journal.record(request, route.key if route else "unmatched", check)
        scripted = state.faults.take(request.method, request.path, request.query)
        if scripted is not None and not self._play_until_pass(scripted, entry, hold):
            return
        try:
            reply = routes.dispatch(state, request, route, path_params, check)
        except Exception:
            traceback.print_exc()
            reply = json_reply(500, client_error_body(500, "internal_server_error", "Internal Server Error"))
        state.journal.finish(entry, reply.status, scripted.rule_id if scripted else None)
        self._send(reply, hold=hold)

    def _play_until_pass(self, scripted, entry, hold):
        """Act out a scripted reply; True when the stand-in should answer after all."""
        if scripted.delay_ms and hold.wait(scripted.delay_ms / 1000.0):
            self.close_connection = True
            return False
        if scripted.action == "pass":
            return True
        replying = scripted.action == "reply"
        self.server.state.journal.finish(entry, scripted.status if replying else None, scripted.rule_id)
        if scripted.action == "hang":
            hold.wait(None if scripted.hang_ms is None else scripted.hang_ms / 1000.0)
        if replying:
            self._send(Reply(scripted.status, list(scripted.headers), scripted.body), scripted.truncate_at)
        self.close_connection = self.close_connection or not replying
        return False

    def _send(self, reply, truncate_at=None, hold=None):
        """Write the reply; with `truncate_at` only that many body bytes, then hang up."""
        headers = list(reply.headers)
        if reply.status not in NO_BODY_STATUSES and not any(name.lower() == "content-length" for name, _ in headers):
            headers.append(("Content-Length", str(len(reply.body) + reply.stream_length)))
        self.close_connection = self.close_connection or truncate_at is not None
        if self.close_connection:
            headers.append(("Connection", "close"))
        reason = http.client.responses.get(reply.status, "Status %d" % reply.status)
        head = ["HTTP/1.1 %d %s" % (reply.status, reason)] + ["%s: %s" % (name, value) for name, value in headers]
        body = reply.body if truncate_at is None else reply.body[:truncate_at]
        self.wfile.write(("\r\n".join(head) + "\r\n\r\n").encode("utf-8") + body)
        if truncate_at is None and reply.stream is not None:
            self._send_stream(reply.stream, hold)
        self.wfile.flush()

    def _send_stream(self, stream, hold):
        pace_ms = self.server.state.switches.get("reply_send_pace_ms")
        with stream:
            for data in iter(lambda: stream.read(SEND_CHUNK), b""):
                self.wfile.write(data)
                if pace_ms and hold.wait(pace_ms / 1000.0):
                    self.close_connection = True   # the rest of the content is never sent
                    return

    def log_message(self, format, *args):
        """Quiet: tests read the journal instead of a log."""
