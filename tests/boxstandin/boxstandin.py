#!/usr/bin/env python3
"""Box REST API stand-in for tests: an HTTP server on 127.0.0.1 that behaves like Box.

One base address serves Box's hosts: B/2.0 the API, B/api/2.0 uploads, B/oauth2/token and B/api/oauth2/authorize;
downloads redirect to B/_download/FILEID.VERSIONID (no token). Tests drive it through B/_control/ (control.py). It
prints "READY http://127.0.0.1:PORT" once it accepts requests and stops on SIGTERM/SIGINT or, with --watch-stdin,
when stdin closes.
"""

import argparse
import signal
import sys
import threading

from openapi_routes import ApiIndex
from server import StandInServer
from state import StandInState

HOST = "127.0.0.1"


def main(argv=None):
    parser = argparse.ArgumentParser(description="Box REST API stand-in for tests.")
    parser.add_argument("--openapi", required=True, help="Box's API description")
    parser.add_argument("--watch-stdin", action="store_true",
                        help="stop when stdin reaches its end (the launcher died)")
    arguments = parser.parse_args(argv)
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
        threading.Thread(target=lambda: (sys.stdin.buffer.read(), stop.set()), daemon=True).start()
    print("READY %s" % state.base_url, flush=True)
    try:
        while not stop.wait(0.5):   # wakes now and then so that signal handlers run promptly
            pass
    finally:
        state.in_flight.stop()
        # Handlers still waiting on kept-alive connections are daemon threads: they end with us.
        server.shutdown()
        server.server_close()
        serving.join()
        state.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
