#!/usr/bin/env python3
"""Times Box_20::GetFolderContents over a folder of 10,000 items, and one of 65,535 (as many as the
host can count), on the Box stand-in under Wine
against curl and against a bare WinINet program sending the same page requests (the request
targets the product sent, read from the stand-in's journal) on the same stand-in, checks that
every item was listed, and prints the ratios to curl (below 1 is faster), the filter's own work
once the bytes arrived, and the listing process's private memory. Then the same for a folder
update through the filter object as the host runs it (bench_folder_update) over a folder of
10,000 files and 200 sub-folders, and one of 65,000 files and 500, with the calls per item after
the pages arrived. The times per item show whether the cost grows with the folder."""
import os
import sys
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import benchlib  # noqa: E402

FOLDER_ID = "500"
UPDATE_FOLDER_ID = "510"
ITEMS_ROUTE = "GET /2.0/folders/{folder_id}/items"


def file_record(i, parent_id, stamp):
    """A file with a fingerprint, every tenth with e-mail metadata as well, and a few locked."""
    metadata = {"fingerprints": {"fingerprint": "%040x" % i}}
    if i % 10 == 0:
        metadata["mailProps"] = {"from": "sender%d@example.com" % i, "subject": "Message %d" % i,
                                 "received": stamp, "hasattachments": i % 2}
    record = {"name": "document %05d.docx" % i, "parent_id": parent_id, "content_text": str(i),
              "modified_at": stamp, "metadata": {"enterprise": metadata}}
    if i % 250 == 0:
        record["lock"] = {"expires_at": None, "is_download_prevented": True}
    return record


def stamp_of(i):
    return "2024-%02d-%02dT%02d:%02d:00Z" % (1 + i % 12, 1 + i % 28, i % 24, i % 60)


def seed_items(base, items):
    """Folder FOLDER_ID with 1 in 100 items a sub-folder, the rest files."""
    folders = [{"name": "Bench", "id": FOLDER_ID}]
    files = []
    for i in range(items):
        if i % 100 == 0:
            folders.append({"name": "folder %05d" % i, "parent_id": FOLDER_ID, "modified_at": stamp_of(i)})
        else:
            files.append(file_record(i, FOLDER_ID, stamp_of(i)))
    benchlib.control(base, "seed", {"folders": folders, "files": files})
    return len(files), len(folders) - 1


def seed_update_folder(base, files, folders):
    """Folder UPDATE_FOLDER_ID with the given numbers of files and sub-folders."""
    benchlib.control(base, "seed", {
        "folders": [{"name": "Update", "id": UPDATE_FOLDER_ID}] +
                   [{"name": "sub %03d" % i, "parent_id": UPDATE_FOLDER_ID, "modified_at": stamp_of(i)}
                    for i in range(folders)],
        "files": [file_record(i, UPDATE_FOLDER_ID, stamp_of(i)) for i in range(files)]})


def run_ours(args, base, tokens):
    """(seconds, files listed, folders listed) of each run, and the memory line."""
    lines = benchlib.run_program(args, base, FOLDER_ID, str(args.page_size), str(args.repeats),
                                 tokens["access_token"], tokens["refresh_token"])
    runs = [(seconds, int(files), int(folders)) for seconds, files, folders in benchlib.runs(lines)]
    work = next((float(words[1]), float(words[3])) for words in lines if words[0] == "work")
    return runs, work, benchlib.memory(lines)


def last_listing_targets(base, folder_id, listings):
    """The request targets of the product's last listing of the folder, in order."""
    journal = benchlib.control(base, "journal?route=" + urllib.parse.quote(ITEMS_ROUTE))
    prefix = "/2.0/folders/%s/items" % folder_id
    targets = [entry["target"] for entry in journal["entries"] if entry["target"].startswith(prefix)]
    per_listing = len(targets) // listings
    return targets[-per_listing:]


def run_curl(args, base, tokens, targets):
    command = ["curl", "-s", "-f", "-H", "Authorization: Bearer " + tokens["access_token"],
               "-H", "Auth-Type: OAUTH2", "-H", "Accept: application/json"]
    for target in targets:
        command += ["-o", os.devnull, base + target]
    return benchlib.best_of(args.repeats, lambda: benchlib.run_command(command))[0]


def run_folder_update(args, base, tokens):
    """(seconds, files, sub-folders, walk seconds) of each run, and the memory line."""
    program = os.path.join(os.path.dirname(args.bench), "bench_folder_update.exe")
    lines = benchlib.run_bare(args, program, base, UPDATE_FOLDER_ID, str(args.repeats), tokens["access_token"],
                              tokens["refresh_token"])
    runs = [(seconds, int(files), int(folders), float(walk)) for seconds, files, folders, walk in benchlib.runs(lines)]
    return runs, benchlib.memory(lines)


def measure_listing(args, items):
    with benchlib.standin(args) as base:
        files, folders = seed_items(base, items)
        tokens = benchlib.control(base, "tokens")
        runs, work, memory = run_ours(args, base, tokens)
        targets = last_listing_targets(base, FOLDER_ID, args.repeats + 1)
        curl_seconds = run_curl(args, base, tokens, targets)
        bare_seconds = benchlib.bare_get_seconds(
            args, [base + target for target in targets], "-",
            ["Authorization: Bearer " + tokens["access_token"], "Auth-Type: OAUTH2", "Accept: application/json"])

    if any((listed_files, listed_folders) != (files, folders) for _, listed_files, listed_folders in runs):
        sys.exit("a listing missed items: %r" % (runs,))
    ours_seconds = min(seconds for seconds, _, _ in runs)
    print("listing of %d items (%d files, %d folders) in %d pages of %d, best of %d"
          % (files + folders, files, folders, len(targets), args.page_size, args.repeats))
    benchlib.print_ratios([("GetFolderContents (Wine)", ours_seconds), ("bare WinINet GETs (Wine)", bare_seconds),
                           ("curl, same requests", curl_seconds)], "curl")
    print("  %.1f us per item; the filter's own work after the bytes arrived: %.3f s per %d items (JSON parsing"
          " %.3f s of it)" % (ours_seconds * 1e6 / (files + folders), work[0], files + folders, work[1]))
    benchlib.print_memory(*memory, "the first listing")


def measure_folder_update(args, files, folders):
    with benchlib.standin(args) as base:
        seed_update_folder(base, files, folders)
        tokens = benchlib.control(base, "tokens")
        runs, memory = run_folder_update(args, base, tokens)
        targets = last_listing_targets(base, UPDATE_FOLDER_ID, args.repeats)
        curl_seconds = run_curl(args, base, tokens, targets)

    if any((listed_files, listed_folders) != (files, folders) for _, listed_files, listed_folders, _ in runs):
        sys.exit("a folder update missed items: %r" % (runs,))
    best = min(runs)
    print("folder update through the filter object over %d files and %d sub-folders (%d pages), best of %d"
          % (files, folders, len(targets), args.repeats))
    benchlib.print_ratios([("start point, update, every item (Wine)", best[0]),
                           ("curl, same page requests", curl_seconds)], "curl")
    print("  %.1f us per item" % (best[0] * 1e6 / (files + folders)))
    walk = min(run[3] for run in runs)
    print("  the calls after the pages arrived (sub-folder properties, basic properties and change state"
          " of every item): %.3f s, %.1f us per item" % (walk, walk * 1e6 / (files + folders)))
    benchlib.print_memory(*memory, "the first update")


def main():
    parser = benchlib.argument_parser(__doc__, standin=True)
    parser.add_argument("--items", type=int, nargs="+", default=[10000, 65535])
    parser.add_argument("--page-size", type=int, default=500, help="BoxSync.MarkerBasedPagingLimit")
    parser.add_argument("--update-files", type=int, nargs="+", default=[10000, 65000])
    parser.add_argument("--update-folders", type=int, nargs="+", default=[200, 500])
    args = parser.parse_args()
    for items in args.items:
        measure_listing(args, items)
    for files, folders in zip(args.update_files, args.update_folders):
        measure_folder_update(args, files, folders)


if __name__ == "__main__":
    main()
