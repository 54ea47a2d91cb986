"""HTTP/1.1 on a socket: request framing, keep-alive, faults, the journal and replies.

Clients keep connections alive (XMLHTTP and WinINet do), so every reply carries
Content-Length and every request body is read by its Content-Length before anything is
answered; a body announced with "Expect: 100-continue" is invited first. A request line is
split leniently (method, target, version), so that a target with raw spaces still arrives
and shows in the journal as sent.
"""

import http.client
import socket
import sys
import threading
import traceback
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import control
import routes
from errors import client_error_body
from httpmsg import Body, Reply, Request, json_reply, text_reply
from openapi_routes import unknown_members

MAX_LINE = 65536
IDLE_TIMEOUT_SECONDS = 120
SEND_CHUNK = 1024 * 1024
CONTROL_PREFIX = "/_control/"
# HTTP forbids Content-Length on these; they never carry a body.
NO_BODY_STATUSES = (204, 304)


class StandInServer(ThreadingHTTPServer):
    daemon_threads = True
    block_on_close = False

    def __init__(self, state, address):
        super().__init__(address, StandInHandler)
        self.state = state
        self._connections = set()
        self._connections_lock = threading.Lock()

    def track(self, connection):
        with self._connections_lock:
            self._connections.add(connection)

    def untrack(self, connection):
        with self._connections_lock:
            self._connections.discard(connection)

    def drop_connections(self):
        """Wake every handler blocked on a kept-alive connection, so that stopping is quick."""
        with self._connections_lock:
            connections = list(self._connections)
        for connection in connections:
            try:
                connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def handle_error(self, request, client_address):
        # A client that goes away mid-reply is normal in fault tests; anything else is a bug.
        if not isinstance(sys.exc_info()[1], (ConnectionError, TimeoutError)):
            traceback.print_exc()


class StandInHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    timeout = IDLE_TIMEOUT_SECONDS
    # Small replies must not wait for the client's delayed acknowledgement.
    disable_nagle_algorithm = True

    def setup(self):
        super().setup()
        self.server.track(self.connection)

    def finish(self):
        try:
            super().finish()
        finally:
            self.server.untrack(self.connection)

    def log_message(self, format, *args):
        """Quiet: tests read the journal instead of a log."""

    def handle_one_request(self):
        self.close_connection = True
        try:
            request = self._read_request()
        except (TimeoutError, ConnectionError):
            return
        if request is None:
            return
        try:
            self._answer(request)
        finally:
            if request.body is not None:
                request.body.close()

    # reading

    def _read_request(self):
        """The next request, or None when the connection ends or a framing error was answered."""
        raw = self.rfile.readline(MAX_LINE + 1)
        if not raw:
            return None
        if len(raw) > MAX_LINE:
            return self._refuse(414, "Request line too long")
        line = _decode_line(raw).rstrip("\r\n")
        if not line.strip():
            self.close_connection = False     # a stray line end between requests
            return None
        parsed = _split_request_line(line)
        if parsed is None:
            return self._refuse(400, "Malformed request line")
        try:
            message = http.client.parse_headers(self.rfile)
        except (http.client.HTTPException, UnicodeDecodeError):
            return self._refuse(400, "Malformed header section")
        return self._read_body(line, parsed, message)

    def _read_body(self, line, parsed, message):
        method, target, version = parsed
        if message.get("Transfer-Encoding"):
            return self._refuse(411, "Send the body with Content-Length")
        length = _content_length(message)
        if length is None:
            return self._refuse(400, "Invalid Content-Length")
        if message.get("Expect", "").lower() == "100-continue" and version == "HTTP/1.1":
            self.wfile.write(b"HTTP/1.1 100 Continue\r\n\r\n")
            self.wfile.flush()
        body = Body.read_from(self.rfile, length, self.server.state.spool.path,
                              self.server.state.switches.get("body_read_pace_ms"))
        if body is None:
            return None
        self.close_connection = not _keeps_alive(version, message.get("Connection", ""))
        return Request(method, target, version, line, list(message.items()), body)

    def _refuse(self, status, message):
        self.close_connection = True
        self._send(text_reply(status, message + "\n"))
        return None

    # answering

    def _answer(self, request):
        state = self.server.state
        if request.path.startswith(CONTROL_PREFIX):
            self._send(control.handle(state, request))
            return
        route, path_params = routes.find_route(request.method, request.path)
        check = state.api_index.check(request.method, request.path)
        entry = state.journal.record(request, routes.route_key(route), check)
        notes = unknown_members(check, request.params, request.header("Content-Type"),
                                request.body.head, request.body.size)
        scripted = state.faults.take(request.method, request.path, request.query)
        if scripted is not None and not self._play_until_pass(scripted, entry):
            return
        reply = self._dispatch(state, request, route, path_params, check)
        notes.update(request.notes)
        state.journal.finish(entry, reply.status, scripted.rule_id if scripted else None, notes)
        self._send(reply)

    def _play_until_pass(self, scripted, entry):
        """Act out a scripted reply; True when the stand-in should answer after all."""
        state = self.server.state
        if scripted.delay_ms and state.stopping.wait(scripted.delay_ms / 1000.0):
            self.close_connection = True
            return False
        if scripted.action == "pass":
            return True
        state.journal.finish(entry, scripted.status if scripted.action == "reply" else None,
                             scripted.rule_id)
        if scripted.action == "hang":
            state.stopping.wait(None if scripted.hang_ms is None else scripted.hang_ms / 1000.0)
        if scripted.action == "reply":
            self._send(Reply(scripted.status, list(scripted.headers), scripted.body),
                       scripted.truncate_at)
        self.close_connection = self.close_connection or scripted.action != "reply"
        return False

    def _dispatch(self, state, request, route, path_params, check):
        try:
            return routes.dispatch(state, request, route, path_params, check)
        except Exception:
            traceback.print_exc()
            return json_reply(500, client_error_body(500, "internal_server_error",
                                                     "Internal Server Error"))

    def _send(self, reply, truncate_at=None):
        """Write the reply; with `truncate_at` only that many body bytes, then hang up."""
        headers = list(reply.headers)
        if reply.status not in NO_BODY_STATUSES and not any(
                name.lower() == "content-length" for name, _ in headers):
            headers.append(("Content-Length", str(reply.content_length)))
        if truncate_at is not None:
            self.close_connection = True
        if self.close_connection:
            headers.append(("Connection", "close"))
        head = ["HTTP/1.1 %d %s" % (reply.status, _reason(reply.status))]
        head += ["%s: %s" % (name, value) for name, value in headers]
        body = reply.body if truncate_at is None else reply.body[:truncate_at]
        self.wfile.write(("\r\n".join(head) + "\r\n\r\n").encode("utf-8") + body)
        if truncate_at is None:
            self._send_stream(reply)
        self.wfile.flush()

    def _send_stream(self, reply):
        if reply.stream is None:
            return
        pace_ms = self.server.state.switches.get("reply_send_pace_ms")
        with reply.stream as stream:
            for data in iter(lambda: stream.read(SEND_CHUNK), b""):
                self.wfile.write(data)
                if pace_ms and self.server.state.stopping.wait(pace_ms / 1000.0):
                    return


def _split_request_line(line):
    """(method, target, version) of "METHOD target HTTP/x.y"; the target may hold spaces."""
    method, _, rest = line.partition(" ")
    target, _, version = rest.rpartition(" ")
    if not method.isalpha() or not method.isupper() or not target.strip():
        return None
    if version not in ("HTTP/1.0", "HTTP/1.1"):
        return None
    return method, target.strip(), version


def _decode_line(raw):
    """Request lines should be ASCII; show raw UTF-8 as text, anything else byte for byte."""
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("latin-1")


def _content_length(message):
    values = message.get_all("Content-Length") or ["0"]
    if len(set(v.strip() for v in values)) != 1 or not values[0].strip().isdigit():
        return None
    return int(values[0])


def _keeps_alive(version, connection):
    tokens = {token.strip().lower() for token in connection.split(",")}
    if version == "HTTP/1.1":
        return "close" not in tokens
    return "keep-alive" in tokens


def _reason(status):
    try:
        return HTTPStatus(status).phrase
    except ValueError:
        return "Status %d" % status
