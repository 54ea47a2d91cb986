#!/usr/bin/env python3
"""Times two sync passes of the sync driver program under Wine over a stand-in Box folder of
1,000 files (4-256 KiB) spread over it and its 20 sub-folders: a first pass that brings the tree
down, then a second pass with nothing changed. Against each, curl makes the listing and content
requests the pass made (read from the stand-in's journal) in one process. Checks that the first
pass wrote every file with the bytes curl got and that the second pass moved no content, and
prints the times, the ratio (ours / curl; below 1 is faster), the requests each made and the
sync program's peak private memory."""
import collections
import hashlib
import os
import random
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import benchlib  # noqa: E402

BOX_FOLDER_ID = "5001"
LISTING_ROUTES = {"GET /2.0/folders/{folder_id}", "GET /2.0/folders/{folder_id}/items"}
CONTENT_ROUTE = "GET /2.0/files/{file_id}/content"


def seed(base, files, sub_folders):
    """The Box folder, its sub-folders, and the files dealt out over all of them; their sizes."""
    folders = [{"name": "Bench", "parent_id": "0", "id": BOX_FOLDER_ID}]
    folders += [{"name": "sub %02d" % i, "parent_id": BOX_FOLDER_ID} for i in range(sub_folders)]
    folder_ids = benchlib.control(base, "seed", {"folders": folders})["folders"]
    sizes = [random.Random(i).randint(4 * 1024, 256 * 1024) for i in range(files)]
    benchlib.control(base, "seed", {"files": [
        {"name": "file %04d.bin" % i, "parent_id": folder_ids[i % len(folder_ids)],
         "pattern": {"size": size, "seed": i}} for i, size in enumerate(sizes)]})
    return sizes


def journal_since(base, mark):
    """The requests since mark, and the mark for the next read."""
    journal = benchlib.control(base, "journal?since=%d" % mark)
    return journal["entries"], journal["next"]


def run_pass(args, base, local, state):
    """One pass of the sync program: seconds, peak private bytes, its summary, its requests."""
    mark = journal_since(base, 0)[1]
    lines = benchlib.run_program(args, os.path.join(os.path.dirname(args.bench), "vesk_sync.exe"),
                                 benchlib.windows_path(local), benchlib.windows_path(state), BOX_FOLDER_ID)
    [(seconds, exit_code)] = benchlib.runs(lines)
    if exit_code != "0":
        sys.exit("the sync program failed (exit code %s):\n%s" % (exit_code, "\n".join(map(" ".join, lines))))
    summary = next(" ".join(words[1:]) for words in lines if words[0] == "pass:")
    return seconds, benchlib.memory(lines)[2], summary, journal_since(base, mark)[0]


def best_pass(args, base, local, state, fresh):
    """The best seconds of `repeats` passes, each from scratch when fresh, their highest peak
    private memory, and the last one's summary and requests."""
    best = highest = None
    for _ in range(args.repeats):
        if fresh:
            shutil.rmtree(local, ignore_errors=True)
            if os.path.exists(state):
                os.remove(state)
        seconds, peak, summary, requests = run_pass(args, base, local, state)
        best = seconds if best is None else min(best, seconds)
        highest = peak if highest is None else max(highest, peak)
    return best, highest, summary, requests


def curl_config(base, requests, target):
    """curl's configuration for the pass's listing and content requests: listings dropped,
    contents written to target in turn, redirects followed as the filter follows them."""
    token = benchlib.control(base, "tokens")["access_token"]
    lines = ['header = "Authorization: Bearer %s"' % token]
    for i, entry in enumerate(e for e in requests if e["route"] in LISTING_ROUTES | {CONTENT_ROUTE}):
        output = "/dev/null" if entry["route"] in LISTING_ROUTES else "%s/%d.bin" % (target, i)
        lines += ['url = "%s%s"' % (base, entry["target"]), 'output = "%s"' % output]
    return "\n".join(lines) + "\n"


def run_curl(args, base, requests, target):
    """The best seconds of curl making the requests; how many the stand-in saw in one run."""
    config = os.path.join(os.path.abspath(args.work), "two_way_sync_curl.cfg")
    with open(config, "w") as f:
        f.write(curl_config(base, requests, target))
    mark = journal_since(base, 0)[1]
    seconds = benchlib.best_of(args.repeats, lambda: benchlib.run_command(
        ["curl", "-s", "-f", "-L", "-K", config]))[0]
    return seconds, len(journal_since(base, mark)[0]) // args.repeats


def digests_under(folder):
    """The SHA-1s of every file in the tree, sorted."""
    digests = []
    for parent, _, names in os.walk(folder):
        for name in names:
            with open(os.path.join(parent, name), "rb") as f:
                digests.append(hashlib.sha1(f.read()).hexdigest())
    return sorted(digests)


def routes(requests):
    counts = collections.Counter(entry["route"] for entry in requests)
    return ", ".join("%d %s" % (n, route) for route, n in counts.most_common())


def report(ours, curl):
    seconds, peak, summary, requests = ours
    benchlib.print_against_curl("vesk_sync.exe (Wine)", seconds, "curl -L, one process", curl[0])
    print("  requests: vesk_sync.exe %d (%s); curl %d" % (len(requests), routes(requests), curl[1]))
    print("  pass: %s" % summary)
    print("  peak private memory of vesk_sync.exe: %.1f MiB" % (peak / benchlib.MIB))


def main():
    parser = benchlib.argument_parser(__doc__, standin=True)
    parser.add_argument("--files", type=int, default=1000)
    parser.add_argument("--sub-folders", type=int, default=20)
    args = parser.parse_args()
    work = os.path.abspath(args.work)
    local, state = os.path.join(work, "two_way_sync_local"), os.path.join(work, "two_way_sync_state.json")
    curl_target = os.path.join(work, "two_way_sync_curl")
    try:
        with benchlib.standin(args) as base:
            os.environ["BOX_STANDIN_URL"] = base
            sizes = seed(base, args.files, args.sub_folders)
            first = best_pass(args, base, local, state, fresh=True)
            second = best_pass(args, base, local, state, fresh=False)
            shutil.rmtree(curl_target, ignore_errors=True)
            os.makedirs(curl_target)
            first_curl = run_curl(args, base, first[3], curl_target)
            second_curl = run_curl(args, base, second[3], curl_target)
        ours_digests = digests_under(local)
        if len(ours_digests) != len(sizes) or ours_digests != digests_under(curl_target):
            sys.exit("the first pass did not write the files curl got")
        if any(entry["route"] == CONTENT_ROUTE for entry in second[3]):
            sys.exit("the second pass moved content although nothing changed")
        print("first pass, %d files of 4-256 KiB (%.1f MiB) in a folder and %d sub-folders, best of %d"
              % (len(sizes), sum(sizes) / benchlib.MIB, args.sub_folders, args.repeats))
        report(first, first_curl)
        print("second pass, nothing changed, best of %d" % args.repeats)
        report(second, second_curl)
    finally:
        for path in (local, curl_target):
            shutil.rmtree(path, ignore_errors=True)
        if os.path.exists(state):
            os.remove(state)


if __name__ == "__main__":
    main()
