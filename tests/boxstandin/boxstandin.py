#!/usr/bin/env python3
"""Box REST API stand-in for tests: an HTTP server on 127.0.0.1 that behaves like Box.

One base address B serves Box's hosts: the API under B/2.0, uploads under B/api/2.0, the token
endpoint at B/oauth2/token and the authorize page at B/api/oauth2/authorize. Upload-session
endpoints are made up under B/api/2.0/files/upload_sessions/ID, downloads redirect to
B/_download/FILEID.VERSIONID (served without a token). Tests drive it through B/_control/
(see control.py).

Run:  boxstandin.py [--openapi PATH] [--watch-stdin]
It prints "READY http://127.0.0.1:PORT" once it accepts requests and stops on SIGTERM/SIGINT
or (with --watch-stdin) when stdin closes. The API description comes from --openapi, else
BOX_OPENAPI, else <repository>/../shared/box-api/openapi.json.

Decisions worth knowing: content above 8 MiB lives in a private spool folder (removed on stop),
upload-session parts go straight into a sparse file that becomes the content on commit; an
access token stops working when refreshed or expired through the control interface, a refresh
token works once; permissions are reported as seeded but not enforced, while another user's
unexpired lock blocks changes.
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


def default_openapi_path():
    if os.environ.get("BOX_OPENAPI"):
        return os.environ["BOX_OPENAPI"]
    repository = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    return os.path.join(os.path.dirname(repository), "shared", "box-api", "openapi.json")


def main(argv=None):
    parser = argparse.ArgumentParser(description="Box REST API stand-in for tests.")
    parser.add_argument("--openapi", default=default_openapi_path())
    parser.add_argument("--watch-stdin", action="store_true",
                        help="stop when stdin reaches its end (the launcher died)")
    arguments = parser.parse_args(argv)
    if not os.path.isfile(arguments.openapi):
        print("boxstandin: API description not found: %s" % arguments.openapi, file=sys.stderr)
        return 2
    state = StandInState(ApiIndex.load(arguments.openapi))
    server = StandInServer(state, (HOST, 0))
    state.base_url = "http://%s:%d" % (HOST, server.server_address[1])
    # A short poll interval keeps stopping quick.
    serving = threading.Thread(target=server.serve_forever, args=(0.05,), daemon=True)
    serving.start()
    stop = threading.Event()
    for signal_number in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signal_number, lambda *_: stop.set())
    if arguments.watch_stdin:
        threading.Thread(target=lambda: (sys.stdin.buffer.read(), stop.set()),
                         daemon=True).start()
    print("READY %s" % state.base_url, flush=True)
    try:
        # Wake now and then so that signal handlers run promptly in the main thread.
        while not stop.wait(0.5):
            pass
    finally:
        state.stopping.set()
        server.shutdown()
        server.drop_connections()
        server.server_close()
        serving.join()
        state.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
