#!/usr/bin/env python3
"""Run a command against a fresh Box stand-in: the CTest launcher of the Box suites.

    run_with_standin.py --openapi PATH -- COMMAND ARGS...

The command finds the stand-in in BOX_STANDIN_URL (Wine hands it on to Windows programs) and its exit code is passed
on: 128+N when it died of signal N. From Python: with StandInProcess(openapi_path) as url: ...
"""

import argparse
import os
import signal
import subprocess
import sys

STANDIN_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "boxstandin.py")


class StandInProcess:
    def __init__(self, openapi_path):
        self._openapi_path, self._process = openapi_path, None

    def start(self):
        self._process = subprocess.Popen([sys.executable, STANDIN_SCRIPT, "--openapi", self._openapi_path,
                                          "--watch-stdin"], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        # It prints nothing but this line, or ends (and so ends the line) when it cannot start.
        line = self._process.stdout.readline()
        if not line.startswith("READY "):
            self.stop()
            raise RuntimeError("the Box stand-in did not get ready")
        return line.split(None, 1)[1].strip()

    def stop(self):
        # It stops at the end of its stdin, and also when this launcher is killed.
        process, self._process = self._process, None
        if process is not None:
            process.stdin.close()
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    __enter__ = start

    def __exit__(self, *exc_info):
        self.stop()


def _run_command(command, url):
    # Its own process group, so that a signal ends the whole tree (wine included).
    child = subprocess.Popen(command, env=dict(os.environ, BOX_STANDIN_URL=url), start_new_session=True)
    try:
        returncode = child.wait()
        return 128 - returncode if returncode < 0 else returncode
    finally:
        for signal_number, grace in ((signal.SIGTERM, 5), (signal.SIGKILL, None)):
            if child.poll() is not None:
                break
            try:
                os.killpg(child.pid, signal_number)
                child.wait(grace)
            except ProcessLookupError:
                break
            except subprocess.TimeoutExpired:
                pass


def main(argv=None):
    parser = argparse.ArgumentParser()
    parser.add_argument("--openapi", required=True)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    arguments = parser.parse_args(argv)
    command = arguments.command[1:] if arguments.command[:1] == ["--"] else arguments.command
    if not command:
        parser.error("a command to run is required after --")
    # A signal ends the command and the stand-in on the way out.
    for signal_number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(signal_number, lambda number, _: sys.exit(128 + number))
    standin = StandInProcess(arguments.openapi)
    try:
        return _run_command(command, standin.start())
    except RuntimeError as error:
        print("run_with_standin: %s" % error, file=sys.stderr)
        return 1
    finally:
        standin.stop()


if __name__ == "__main__":
    sys.exit(main())
