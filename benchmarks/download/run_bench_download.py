#!/usr/bin/env python3
"""Times a download of a few hundred MiB from the Box stand-in through Box's redirect with
CLSBaseWS::DownloadFileWithWinInet under Wine against `curl -L` on the same stand-in and file,
checks that both wrote the same bytes, and prints the ratio (ours / curl; below 1 is faster)."""
import argparse
import hashlib
import json
import os
import subprocess
import sys
import time
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "boxstandin"))
from run_with_standin import StandInProcess  # noqa: E402

MIB = 1 << 20
TOKEN = "initialaccesstoken"


def control(base, path, body):
    request = urllib.request.Request(base + "/_control/" + path, data=json.dumps(body).encode(),
                                     headers={"Content-Type": "application/json"}, method="POST")
    with urllib.request.urlopen(request) as reply:
        return json.loads(reply.read())


def sha1_of(path):
    digest = hashlib.sha1()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(MIB), b""):
            digest.update(block)
    return digest.hexdigest()


def run_ours(args, url, target):
    env = dict(os.environ, WINEPREFIX=args.prefix)
    windows_target = "Z:" + target.replace("/", "\\")
    output = subprocess.run([args.wine_run, args.bench, url, windows_target, str(args.repeats),
                             "Authorization=Bearer " + TOKEN, "Auth-Type=OAUTH2"],
                            check=True, capture_output=True, text=True, env=env).stdout
    return [(float(seconds), int(size)) for seconds, size in (line.split() for line in output.splitlines())]


def run_curl(args, url, target):
    best = None
    for _ in range(args.repeats):
        start = time.perf_counter()
        subprocess.run(["curl", "-s", "-f", "-L", "-o", target, "-H", "Authorization: Bearer " + TOKEN,
                        "-H", "Auth-Type: OAUTH2", url], check=True)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--bench", required=True, help="bench_download.exe")
    parser.add_argument("--wine-run", required=True, help="scripts/wine-run")
    parser.add_argument("--prefix", required=True, help="the Wine prefix")
    parser.add_argument("--openapi", required=True, help="Box's API description, for the stand-in")
    parser.add_argument("--work", required=True, help="folder for the downloaded files")
    parser.add_argument("--mib", type=int, default=400)
    parser.add_argument("--repeats", type=int, default=3)
    args = parser.parse_args()

    ours_target = os.path.join(os.path.abspath(args.work), "bench_download_ours.bin")
    curl_target = os.path.join(os.path.abspath(args.work), "bench_download_curl.bin")
    size = args.mib * MIB
    try:
        with StandInProcess(args.openapi) as base:
            seeded = control(base, "seed", {"files": [{"name": "bench.bin", "parent_id": "0",
                                                       "pattern": {"size": size, "seed": 7}}]})
            url = "%s/2.0/files/%s/content" % (base, seeded["files"][0])
            ours = run_ours(args, url, ours_target)
            curl_seconds = run_curl(args, url, curl_target)
        if any(written != size for _, written in ours) or os.path.getsize(curl_target) != size:
            sys.exit("a download came out at the wrong size")
        if sha1_of(ours_target) != sha1_of(curl_target):
            sys.exit("the two downloads differ")
        ours_seconds = min(seconds for seconds, _ in ours)
        print("download of %d MiB through the redirect, best of %d" % (args.mib, args.repeats))
        print("  DownloadFileWithWinInet (Wine): %7.3f s  %8.1f MiB/s" % (ours_seconds, args.mib / ours_seconds))
        print("  curl -L                       : %7.3f s  %8.1f MiB/s" % (curl_seconds, args.mib / curl_seconds))
        print("  ratio ours/curl: %.2f" % (ours_seconds / curl_seconds))
    finally:
        for path in (ours_target, curl_target):
            if os.path.exists(path):
                os.remove(path)


if __name__ == "__main__":
    main()
