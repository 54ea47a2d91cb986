#!/usr/bin/env python3
"""Run a command against a fresh Box stand-in; the CTest launcher of the Box suites.

    run_with_standin.py --openapi PATH [--timeout SECONDS] -- COMMAND ARGS...

Starts boxstandin.py on 127.0.0.1 with an ephemeral port, waits for its READY line, runs
the command with BOX_STANDIN_URL=http://127.0.0.1:PORT in its environment (Wine hands Unix
environment variables to Windows programs), then stops the stand-in and exits with the
command's exit code: 128+N when the command died of signal N, 124 on timeout. The stand-in
is stopped on every way out, and it stops by itself if this launcher is killed, because it
watches its stdin pipe.

From Python:  with StandInProcess(openapi_path) as url: ...
"""

import argparse
import os
import queue
import signal
import subprocess
import sys
import threading

STANDIN_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "boxstandin.py")
URL_VARIABLE = "BOX_STANDIN_URL"
READY_TIMEOUT_SECONDS = 30
STOP_GRACE_SECONDS = 10
TIMEOUT_EXIT_CODE = 124


class StandInError(RuntimeError):
    pass


class StandInProcess:
    """The stand-in as a child process; `url` is set once it is ready."""

    def __init__(self, openapi_path, ready_timeout=READY_TIMEOUT_SECONDS):
        self._openapi_path = openapi_path
        self._ready_timeout = ready_timeout
        self._process = None
        self.url = None

    def start(self):
        self._process = subprocess.Popen(
            [sys.executable, STANDIN_SCRIPT, "--openapi", self._openapi_path, "--watch-stdin"],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        lines = queue.Queue()
        threading.Thread(target=_forward_lines, args=(self._process.stdout, lines),
                         daemon=True).start()
        try:
            line = lines.get(timeout=self._ready_timeout)
        except queue.Empty:
            line = None
        if not line or not line.startswith("READY "):
            self.stop()
            raise StandInError("the Box stand-in did not get ready")
        self.url = line.split(None, 1)[1].strip()
        return self.url

    def stop(self):
        """Close its stdin (it stops at end of input), then insist if it lingers."""
        if self._process is None:
            return
        process, self._process = self._process, None
        try:
            process.stdin.close()
        except OSError:
            pass
        try:
            process.wait(STOP_GRACE_SECONDS)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc_info):
        self.stop()


class _Interrupted(Exception):
    def __init__(self, signal_number):
        super().__init__(signal_number)
        self.signal_number = signal_number


def _forward_lines(stream, lines):
    """Hand over the first line (READY); pass anything later through to stderr."""
    first = True
    for raw in iter(stream.readline, b""):
        text = raw.decode("utf-8", "replace")
        if first:
            lines.put(text.rstrip("\r\n"))
            first = False
        else:
            sys.stderr.write(text)
    if first:
        lines.put(None)


def _run_command(command, url, timeout):
    environment = dict(os.environ, **{URL_VARIABLE: url})
    # Its own process group, so that a timeout or a signal ends the whole tree (wine included).
    child = subprocess.Popen(command, env=environment, start_new_session=True)
    try:
        return _exit_code(child.wait(timeout))
    except subprocess.TimeoutExpired:
        print("run_with_standin: %s timed out after %s s" % (command[0], timeout),
              file=sys.stderr)
        _end_group(child)
        return TIMEOUT_EXIT_CODE
    except BaseException:
        _end_group(child)
        raise


def _end_group(child):
    for signal_number, grace in ((signal.SIGTERM, 5), (signal.SIGKILL, None)):
        try:
            os.killpg(child.pid, signal_number)
        except ProcessLookupError:
            return
        try:
            child.wait(grace)
            return
        except subprocess.TimeoutExpired:
            continue


def _exit_code(returncode):
    return 128 - returncode if returncode < 0 else returncode


def _raise_interrupted(signal_number, _frame):
    raise _Interrupted(signal_number)


def _parse_arguments(argv):
    parser = argparse.ArgumentParser(
        description="Run a command with a Box stand-in; its address is in " + URL_VARIABLE,
        usage="%(prog)s --openapi PATH [--timeout SECONDS] -- COMMAND [ARGS...]")
    parser.add_argument("--openapi", required=True, help="path of Box's openapi.json")
    parser.add_argument("--timeout", type=float, default=None,
                        help="seconds before the command is stopped (exit code 124)")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    arguments = parser.parse_args(argv)
    if arguments.command[:1] == ["--"]:
        arguments.command = arguments.command[1:]
    if not arguments.command:
        parser.error("a command to run is required after --")
    return arguments


def main(argv=None):
    arguments = _parse_arguments(argv)
    for signal_number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(signal_number, _raise_interrupted)
    standin = StandInProcess(arguments.openapi)
    try:
        url = standin.start()
        return _run_command(arguments.command, url, arguments.timeout)
    except StandInError as error:
        print("run_with_standin: %s" % error, file=sys.stderr)
        return 1
    except _Interrupted as interruption:
        return 128 + interruption.signal_number
    finally:
        standin.stop()


if __name__ == "__main__":
    sys.exit(main())
