#!/usr/bin/env python3
"""Times documents added through the filter's raw_AddNewDocument on the Box stand-in under Wine,
as the host adds them, against curl sending the same requests to the same stand-in: 1,000 small
documents (a preflight and a multipart upload each; one curl process for all of them, so that it
keeps its connection) and one 1 GiB document (the preflight, then the session, each part with its
digest, and the commit); the small documents also against a bare WinINet program sending their
requests (bare_documents.exe). Checks that each stored the bytes, and prints the ratios (below 1
is faster) and the filter process's private memory."""
import argparse
import json
import os
import subprocess
import sys

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "common"))
sys.path.insert(0, os.path.join(here, "..", "upload"))
import benchlib  # noqa: E402
from run_bench_upload import upload_with_curl  # noqa: E402


def clear_root(base):
    """The stand-in keeps stored content on disk: each run's files go once checked."""
    for child in benchlib.control(base, "item?type=folder&id=0")["children"]:
        benchlib.control(base, "item/delete", {"type": child["type"], "id": child["id"]})


def check_stored(base, count, expected, who):
    children = benchlib.control(base, "item?type=folder&id=0")["children"]
    if len(children) != count:
        sys.exit("%s stored %d documents, not %d" % (who, len(children), count))
    for child in (children[0], children[-1]):
        if benchlib.control(base, "item?type=file&id=" + child["id"])["sha1"] != expected:
            sys.exit("%s stored other bytes" % who)


def run_ours(args, base, path, count):
    tokens = benchlib.control(base, "tokens")
    lines = benchlib.run_program(args, base, benchlib.windows_path(path), str(count),
                                 tokens["access_token"], tokens["refresh_token"])
    [(seconds, _, _)] = benchlib.runs(lines)
    return seconds, benchlib.memory(lines)


def quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def preflight_config(base, name, size):
    body = json.dumps({"name": name, "parent": {"id": "0"}, "size": size}, separators=(",", ":"))
    return ["request = OPTIONS", "header = " + quoted("Content-Type: application/json"),
            "data-binary = " + quoted(body), "output = /dev/null", "url = " + quoted(base + "/2.0/files/content")]


def small_documents_with_curl(token, base, path, count, size):
    """Every document's preflight and multipart upload from one curl process; "next" starts a
    request afresh, so each one names its token again."""
    each = ["fail", "silent", "header = " + quoted("Authorization: Bearer " + token)]
    lines = []
    for i in range(count):
        name = "curl-%d.bin" % i
        attributes = json.dumps({"name": name, "parent": {"id": "0"}}, separators=(",", ":"))
        lines += each + preflight_config(base, name, size) + ["next"]
        lines += each + ["form = " + quoted("attributes=" + attributes),
                  "form = " + quoted("file=@%s;filename=%s;type=application/octet-stream" % (path, name)),
                  "output = /dev/null", "url = " + quoted(base + "/api/2.0/files/content"), "next"]
    subprocess.run(["curl", "-K", "-"], check=True, input="\n".join(lines[:-1]) + "\n", text=True)


def run_curl(base, path, count, size):
    tokens = benchlib.control(base, "tokens")
    command = ["curl", "-s", "-f", "-H", "Authorization: Bearer " + tokens["access_token"]]
    if count > 1:
        return benchlib.timed(lambda: small_documents_with_curl(tokens["access_token"], base, path, count, size))[0]

    def large():
        subprocess.run(command + ["-K", "-"], check=True, text=True,
                       input="\n".join(preflight_config(base, "curl.bin", size)) + "\n")
        upload_with_curl(command + ["-H", "Auth-Type: OAUTH2"], base, path, size, "curl.bin")
    return benchlib.timed(large)[0]


def run_bare(args, base, path, count):
    bare = os.path.join(os.path.dirname(os.path.abspath(args.bench)), "bare_documents.exe")
    lines = benchlib.run_program(argparse.Namespace(**dict(vars(args), bench=bare)), base,
                                 benchlib.windows_path(path), str(count), "bare-",
                                 benchlib.control(base, "tokens")["access_token"])
    return benchlib.runs(lines)[0][0]


def measure(args, base, path, count, size, expected):
    ours, theirs, bare, memories = [], [], [], []
    for _ in range(args.repeats):
        seconds, memory = run_ours(args, base, path, count)
        check_stored(base, count, expected, "the filter")
        clear_root(base)
        ours.append(seconds)
        memories.append(memory)
        theirs.append(run_curl(base, path, count, size))
        check_stored(base, count, expected, "curl")
        clear_root(base)
        if count > 1:
            bare.append(run_bare(args, base, path, count))
            check_stored(base, count, expected, "the bare program")
            clear_root(base)
    return min(ours), min(theirs), min(bare, default=None), max(memories, key=lambda m: m[2])


def main():
    parser = benchlib.argument_parser(__doc__, standin=True)
    parser.add_argument("--count", type=int, default=1000)
    parser.add_argument("--small-bytes", type=int, default=20000)
    parser.add_argument("--mib", type=int, default=1024)
    args = parser.parse_args()

    with benchlib.standin(args) as base:
        with benchlib.scratch_file(args, "bench_sync_up_small.bin") as path:
            expected = benchlib.write_pattern(path, args.small_bytes)
            ours, theirs, bare, memory = measure(args, base, path, args.count, args.small_bytes, expected)
        print("%d documents of %d bytes through raw_AddNewDocument, best of %d"
              % (args.count, args.small_bytes, args.repeats))
        benchlib.print_against_curl("raw_AddNewDocument (Wine)", ours, "curl, same requests", theirs)
        print("  ratio ours/bare WinINet (%.3f s): %.2f" % (bare, ours / bare))
        benchlib.print_memory(*memory, "the uploads")

        size = args.mib * benchlib.MIB
        with benchlib.scratch_file(args, "bench_sync_up_large.bin") as path:
            expected = benchlib.write_pattern(path, size)
            ours, theirs, _, memory = measure(args, base, path, 1, size, expected)
        print("one document of %d MiB through raw_AddNewDocument, best of %d" % (args.mib, args.repeats))
        benchlib.print_against_curl("raw_AddNewDocument (Wine)", ours, "curl, same requests", theirs, args.mib)
        benchlib.print_memory(*memory, "the upload")


if __name__ == "__main__":
    main()
