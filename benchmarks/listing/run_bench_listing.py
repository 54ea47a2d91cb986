#!/usr/bin/env python3
"""Times Box_20::GetFolderContents over a folder of 10,000 items on the Box stand-in under Wine
against curl sending the same page requests (the request targets the product sent, read from
the stand-in's journal) on the same stand-in, checks that every item was listed, and prints the
ratio (ours / curl; below 1 is faster) and the listing process's private memory."""
import argparse
import json
import os
import subprocess
import sys
import time
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "boxstandin"))
from run_with_standin import StandInProcess  # noqa: E402

FOLDER_ID = "500"
ITEMS_ROUTE = "GET /2.0/folders/{folder_id}/items"
MIB = 1 << 20


def control(base, path, body=None):
    data = None if body is None else json.dumps(body).encode()
    request = urllib.request.Request(base + "/_control/" + path, data=data,
                                     headers={"Content-Type": "application/json"},
                                     method="GET" if body is None else "POST")
    with urllib.request.urlopen(request) as reply:
        return json.loads(reply.read())


def seed_items(base, items):
    """Folder FOLDER_ID with 1 in 100 items a sub-folder, the rest files with a fingerprint, every
    tenth file with e-mail metadata as well, and a few locked."""
    folders = [{"name": "Bench", "id": FOLDER_ID}]
    files = []
    for i in range(items):
        stamp = "2024-%02d-%02dT%02d:%02d:00Z" % (1 + i % 12, 1 + i % 28, i % 24, i % 60)
        if i % 100 == 0:
            folders.append({"name": "folder %05d" % i, "parent_id": FOLDER_ID, "modified_at": stamp})
            continue
        metadata = {"fingerprints": {"fingerprint": "%040x" % i}}
        if i % 10 == 0:
            metadata["mailProps"] = {"from": "sender%d@example.com" % i, "subject": "Message %d" % i,
                                     "received": stamp, "hasattachments": i % 2}
        record = {"name": "document %05d.docx" % i, "parent_id": FOLDER_ID, "content_text": str(i),
                  "modified_at": stamp, "metadata": {"enterprise": metadata}}
        if i % 250 == 0:
            record["lock"] = {"expires_at": None, "is_download_prevented": True}
        files.append(record)
    control(base, "seed", {"folders": folders, "files": files})
    return len(files), len(folders) - 1


def run_ours(args, base, tokens):
    env = dict(os.environ, WINEPREFIX=args.prefix)
    output = subprocess.run([args.wine_run, args.bench, base, FOLDER_ID, str(args.page_size), str(args.repeats),
                             tokens["access_token"], tokens["refresh_token"]],
                            check=True, capture_output=True, text=True, env=env).stdout
    runs, memory = [], None
    for line in output.splitlines():
        words = line.split()
        if words[0] == "run":
            runs.append((float(words[1]), int(words[2]), int(words[3])))
        elif words[0] == "memory":
            memory = [int(word) for word in words[1:]]
    return runs, memory


def last_listing_targets(base, repeats):
    """The request targets of the product's last listing, in order."""
    journal = control(base, "journal?route=" + urllib.parse.quote(ITEMS_ROUTE))
    targets = [entry["target"] for entry in journal["entries"]]
    per_listing = len(targets) // repeats
    return targets[-per_listing:]


def run_curl(args, base, tokens, targets):
    command = ["curl", "-s", "-f", "-H", "Authorization: Bearer " + tokens["access_token"],
               "-H", "Auth-Type: OAUTH2", "-H", "Accept: application/json"]
    for target in targets:
        command += ["-o", os.devnull, base + target]
    best = None
    for _ in range(args.repeats):
        start = time.perf_counter()
        subprocess.run(command, check=True)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--bench", required=True, help="bench_listing.exe")
    parser.add_argument("--wine-run", required=True, help="scripts/wine-run")
    parser.add_argument("--prefix", required=True, help="the Wine prefix")
    parser.add_argument("--openapi", required=True, help="Box's API description, for the stand-in")
    parser.add_argument("--items", type=int, default=10000)
    parser.add_argument("--page-size", type=int, default=500, help="BoxSync.MarkerBasedPagingLimit")
    parser.add_argument("--repeats", type=int, default=3)
    args = parser.parse_args()

    with StandInProcess(args.openapi) as base:
        files, folders = seed_items(base, args.items)
        tokens = control(base, "tokens")
        runs, memory = run_ours(args, base, tokens)
        targets = last_listing_targets(base, args.repeats)
        curl_seconds = run_curl(args, base, tokens, targets)

    if any((listed_files, listed_folders) != (files, folders) for _, listed_files, listed_folders in runs):
        sys.exit("a listing missed items: %r" % (runs,))
    ours_seconds = min(seconds for seconds, _, _ in runs)
    baseline, private, peak = memory
    print("listing of %d items (%d files, %d folders) in %d pages of %d, best of %d"
          % (files + folders, files, folders, len(targets), args.page_size, args.repeats))
    print("  GetFolderContents (Wine): %7.3f s" % ours_seconds)
    print("  curl, same requests     : %7.3f s" % curl_seconds)
    print("  ratio ours/curl: %.2f" % (ours_seconds / curl_seconds))
    print("  private memory: %.1f MiB before the first listing, %.1f MiB after, peak %.1f MiB"
          % (baseline / MIB, private / MIB, peak / MIB))


if __name__ == "__main__":
    main()
