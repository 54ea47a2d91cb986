#!/usr/bin/env python3
"""Box REST API stand-in for tests: an HTTP server on 127.0.0.1 that behaves like Box.

One base address B serves Box's hosts: the API under B/2.0, uploads under B/api/2.0, the token
endpoint at B/oauth2/token and the authorize page at B/api/oauth2/authorize. Upload-session
endpoints are made up under B/api/2.0/files/upload_sessions/ID, downloads redirect to
B/_download/FILEID.VERSIONID (served without a token), and embed links point at B/_preview/ID.
Tests drive it through B/_control/ (see control.py).

Run:  boxstandin.py --openapi PATH [--port 0] [--watch-stdin]
It prints "READY http://127.0.0.1:PORT" on stdout once it accepts requests and stops on
SIGTERM/SIGINT, on POST /_control/shutdown, or (with --watch-stdin) when stdin closes.
The API description (openapi.json) comes from --openapi, else BOX_OPENAPI, else
<repository>/../shared/box-api/openapi.json.

Decisions worth knowing:
- Content up to 8 MiB is kept in memory once; larger content (uploads, seeded patterns) lives
  in files of a private spool folder, and upload-session parts are written straight into a
  sparse file that becomes the content on commit. The folder is removed on stop.
- The authorize page has no form: it redirects at once (302) to redirect_uri with code= and
  state= (or error=access_denied with the switch "authorize" = "deny").
- An access token stops working when it is refreshed or expired through the control
  interface; a refresh token works once.
- Locks are shown with "expires_at" (the member the product reads and sends). Permissions
  are reported as seeded but not enforced; another user's unexpired lock blocks changes.
- Dates use a fixed -08:00 offset by default, or "Z" with the switch "date_style".
"""

import argparse
import os
import signal
import sys
import threading

from openapi_routes import ApiIndex
from server import StandInServer
from state import StandInState

HOST = "127.0.0.1"
# How often the serving loop looks for a stop request; keeps stopping quick.
POLL_INTERVAL_SECONDS = 0.05


def default_openapi_path():
    """BOX_OPENAPI, else the shared API description next to the repository."""
    if os.environ.get("BOX_OPENAPI"):
        return os.environ["BOX_OPENAPI"]
    repository = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    return os.path.join(os.path.dirname(repository), "shared", "box-api", "openapi.json")


class StandIn:
    """A stand-in running in this process on an ephemeral port; also a context manager."""

    def __init__(self, openapi_path=None, port=0):
        self._openapi_path = openapi_path or default_openapi_path()
        self._port = port
        self.state = None
        self._server = None
        self._thread = None

    @property
    def url(self):
        return self.state.base_url

    def start(self):
        self.state = StandInState(ApiIndex.load(self._openapi_path))
        self._server = StandInServer(self.state, (HOST, self._port))
        self.state.base_url = "http://%s:%d" % (HOST, self._server.server_address[1])
        self._thread = threading.Thread(target=self._server.serve_forever,
                                        args=(POLL_INTERVAL_SECONDS,), name="box-standin",
                                        daemon=True)
        self._thread.start()
        return self.url

    def wait_for_stop_request(self, timeout=None):
        return self.state.stop_requested.wait(timeout)

    def stop(self):
        if self._server is None:
            return
        self.state.stopping.set()          # releases delayed and hanging replies
        self._server.shutdown()
        self._server.drop_connections()
        self._server.server_close()
        self._thread.join()
        self.state.close()
        self._server = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc_info):
        self.stop()


def _parse_arguments(argv):
    parser = argparse.ArgumentParser(description="Box REST API stand-in for tests.")
    parser.add_argument("--openapi", help="path of Box's openapi.json")
    parser.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 (0: any free)")
    parser.add_argument("--watch-stdin", action="store_true",
                        help="stop when stdin reaches its end (the launcher died)")
    return parser.parse_args(argv)


def _stop_on_end_of_input(stop_requested):
    def watch():
        while sys.stdin.buffer.read(4096):
            pass
        stop_requested.set()
    threading.Thread(target=watch, name="stdin-watch", daemon=True).start()


def main(argv=None):
    arguments = _parse_arguments(argv)
    openapi_path = arguments.openapi or default_openapi_path()
    if not os.path.isfile(openapi_path):
        print("boxstandin: API description not found: %s" % openapi_path, file=sys.stderr)
        return 2
    standin = StandIn(openapi_path, arguments.port)
    standin.start()
    for signal_number in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signal_number, lambda *_: standin.state.stop_requested.set())
    if arguments.watch_stdin:
        _stop_on_end_of_input(standin.state.stop_requested)
    print("READY %s" % standin.url, flush=True)
    try:
        # Wake now and then so that signal handlers run promptly in the main thread.
        while not standin.wait_for_stop_request(0.5):
            pass
    finally:
        standin.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
