"""What the benchmark drivers share: their command line, the Box stand-in, the benchmark program
under Wine, timing the reference tool, best of N, the pattern file and the printed comparison.

A benchmark program prints one line per measurement, "run <seconds> <details...>", and those that
watch their memory a last line "memory <baseline> <at the end> <peak>" (bytes)."""
import argparse
import contextlib
import hashlib
import json
import os
import subprocess
import sys
import tempfile
import time
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "boxstandin"))
from run_with_standin import StandInProcess  # noqa: E402

MIB = 1 << 20


def argument_parser(description, standin=False):
    """The options every driver takes (vesk_add_benchmark passes them); the driver adds its own."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--bench", required=True, help="the benchmark program (.exe)")
    parser.add_argument("--wine-run", required=True, help="scripts/wine-run")
    parser.add_argument("--prefix", required=True, help="the Wine prefix")
    parser.add_argument("--work", default=tempfile.gettempdir(), help="folder for scratch files")
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--bare-get", required=True, help="the bare WinINet GET program (.exe)")
    parser.add_argument("--bare-sha1", required=True, help="the bare CryptoAPI SHA-1 program (.exe)")
    if standin:
        parser.add_argument("--openapi", required=True, help="Box's API description, for the stand-in")
    return parser


def standin(args):
    """A fresh Box stand-in for a `with` block, which gets its base URL."""
    return StandInProcess(args.openapi)


def control(base, path, body=None):
    """A call of the stand-in's control API: a GET without a body, a POST with one."""
    data = None if body is None else json.dumps(body).encode()
    request = urllib.request.Request(base + "/_control/" + path, data=data,
                                     headers={"Content-Type": "application/json"},
                                     method="GET" if body is None else "POST")
    with urllib.request.urlopen(request) as reply:
        return json.loads(reply.read())


def windows_path(path):
    """The path as the program under Wine sees it."""
    return "Z:" + path.replace("/", "\\")


def run_program(args, *arguments):
    """Runs the benchmark program under Wine; the words of each line it printed."""
    env = dict(os.environ, WINEPREFIX=args.prefix)
    output = subprocess.run([args.wine_run, args.bench, *arguments], check=True, capture_output=True,
                            text=True, env=env).stdout
    return [line.split() for line in output.splitlines() if line.strip()]


def run_bare(args, program, *arguments):
    """Runs a bare reference program under Wine; the words of each line it printed."""
    return run_program(argparse.Namespace(**dict(vars(args), bench=program)), *arguments)


def bare_get_seconds(args, urls, target, headers):
    """The best seconds of the bare WinINet program GETting the URLs in turn (the last body to
    target, a local path or "-"), with the given "Name: value" headers."""
    with scratch_file(args, "bare_urls.txt") as url_list:
        with open(url_list, "w") as f:
            f.write("\n".join(urls) + "\n")
        lines = run_bare(args, args.bare_get, windows_path(url_list),
                         target if target == "-" else windows_path(target), str(args.repeats), *headers)
    return min(run[0] for run in runs(lines))


def print_ratios(rows, reference_label):
    """rows: (label, seconds); each with its ratio to the last row's seconds (the reference)."""
    reference = rows[-1][1]
    width = max(len(label) for label, _ in rows)
    for label, seconds in rows:
        print("  %-*s: %7.3f s   ratio to %s: %.2f" % (width, label, seconds, reference_label, seconds / reference))


def runs(lines):
    """The words after "run" of each measurement line, the seconds made a number."""
    return [[float(words[1])] + words[2:] for words in lines if words[0] == "run"]


def memory(lines):
    """The program's memory line as [baseline, at the end, peak] in bytes."""
    return next([int(word) for word in words[1:]] for words in lines if words[0] == "memory")


def run_command(command):
    """Runs a reference command; what it printed."""
    return subprocess.run(command, check=True, stdout=subprocess.PIPE, text=True).stdout


def timed(run):
    """The seconds the call took and what it returned."""
    start = time.perf_counter()
    result = run()
    return time.perf_counter() - start, result


def best_of(repeats, run):
    """The fewest seconds of `repeats` calls and what the last one returned."""
    best = result = None
    for _ in range(repeats):
        seconds, result = timed(run)
        best = seconds if best is None else min(best, seconds)
    return best, result


@contextlib.contextmanager
def scratch_file(args, name):
    """A path in the work folder for a `with` block; whatever is there goes at its end."""
    path = os.path.join(os.path.abspath(args.work), name)
    try:
        yield path
    finally:
        if os.path.exists(path):
            os.remove(path)


def write_pattern(path, size):
    """A file whose 1 MiB blocks all differ; its SHA-1 in hex."""
    base = bytes(j % 251 for j in range(MIB))
    sha1 = hashlib.sha1()
    with open(path, "wb") as f:
        for block in range(-(-size // MIB)):
            data = base.translate(bytes((k + block) & 0xFF for k in range(256)))[:size - block * MIB]
            sha1.update(data)
            f.write(data)
    return sha1.hexdigest()


def print_against_curl(ours_label, ours_seconds, curl_label, curl_seconds, mib=None):
    """Both times, with mib the throughput as well, and the ratio (below 1 is faster)."""
    width = max(len(ours_label), len(curl_label))
    for label, seconds in ((ours_label, ours_seconds), (curl_label, curl_seconds)):
        throughput = "" if mib is None else "  %8.1f MiB/s" % (mib / seconds)
        print("  %-*s: %7.3f s%s" % (width, label, seconds, throughput))
    print("  ratio ours/curl: %.2f" % (ours_seconds / curl_seconds))


def print_memory(baseline, at_end, peak, before_what):
    print("  private memory: %.1f MiB before %s, %.1f MiB after, peak %.1f MiB"
          % (baseline / MIB, before_what, at_end / MIB, peak / MIB))
