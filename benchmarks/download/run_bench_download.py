#!/usr/bin/env python3
"""Times a download of 1 GiB from the Box stand-in through Box's redirect with
CLSBaseWS::DownloadFileWithWinInet under Wine against `curl -L` and a bare WinINet program on the
same stand-in and file, checks that they wrote the same bytes, and prints the ratios to curl
(below 1 is faster) and the downloading process's private memory."""
import hashlib
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import benchlib  # noqa: E402

TOKEN = "initialaccesstoken"


def sha1_of(path):
    digest = hashlib.sha1()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(benchlib.MIB), b""):
            digest.update(block)
    return digest.hexdigest()


def run_ours(args, url, target):
    """(seconds, size written) of each run, and the memory line."""
    lines = benchlib.run_program(args, url, benchlib.windows_path(target), str(args.repeats),
                                 "Authorization=Bearer " + TOKEN, "Auth-Type=OAUTH2")
    return [(seconds, int(size)) for seconds, size in benchlib.runs(lines)], benchlib.memory(lines)


def run_curl(args, url, target):
    command = ["curl", "-s", "-f", "-L", "-o", target, "-H", "Authorization: Bearer " + TOKEN,
               "-H", "Auth-Type: OAUTH2", url]
    return benchlib.best_of(args.repeats, lambda: benchlib.run_command(command))[0]


def main():
    parser = benchlib.argument_parser(__doc__, standin=True)
    parser.add_argument("--mib", type=int, default=1024)
    args = parser.parse_args()

    size = args.mib * benchlib.MIB
    with benchlib.scratch_file(args, "bench_download_ours.bin") as ours_target, \
            benchlib.scratch_file(args, "bench_download_curl.bin") as curl_target:
        with benchlib.standin(args) as base:
            seeded = benchlib.control(base, "seed", {"files": [{"name": "bench.bin", "parent_id": "0",
                                                                "pattern": {"size": size, "seed": 7}}]})
            url = "%s/2.0/files/%s/content" % (base, seeded["files"][0])
            ours, memory = run_ours(args, url, ours_target)
            curl_seconds = run_curl(args, url, curl_target)
            bare_seconds = benchlib.bare_get_seconds(args, [url], curl_target,
                                                     ["Authorization: Bearer " + TOKEN, "Auth-Type: OAUTH2"])
            if sha1_of(curl_target) != sha1_of(ours_target):
                sys.exit("the bare download differs")
            curl_seconds = run_curl(args, url, curl_target)
        if any(written != size for _, written in ours) or os.path.getsize(curl_target) != size:
            sys.exit("a download came out at the wrong size")
        if sha1_of(ours_target) != sha1_of(curl_target):
            sys.exit("the two downloads differ")
        ours_seconds = min(seconds for seconds, _ in ours)
        print("download of %d MiB through the redirect, best of %d" % (args.mib, args.repeats))
        benchlib.print_ratios([("DownloadFileWithWinInet (Wine)", ours_seconds), ("bare WinINet GET (Wine)", bare_seconds),
                               ("curl -L", curl_seconds)], "curl")
        benchlib.print_memory(*memory, "the first download")


if __name__ == "__main__":
    main()
