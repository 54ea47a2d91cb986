#!/usr/bin/env python3
"""Times raw_RetrieveItemToPath of the filter object under Wine, retrieving every file of a
stand-in folder after a start point (1,000 small files of 4-64 KiB; one file of 1 GiB), against
curl downloading the same files from the same stand-in in one process and the bare WinINet
program making the same requests (content request and redirect) and writing the same files,
checks that the filter and curl wrote the same bytes, and prints the ratios (below 1 is faster)
and the retrieving process's private memory."""
import hashlib
import os
import random
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import benchlib  # noqa: E402


def seed(base, folder_id, name, sizes):
    """A folder of files with the given sizes; their ids."""
    files = [{"name": "file %04d.bin" % i, "parent_id": folder_id, "pattern": {"size": size, "seed": i}}
             for i, size in enumerate(sizes)]
    benchlib.control(base, "seed", {"folders": [{"name": name, "id": folder_id}]})
    return benchlib.control(base, "seed", {"files": files})["files"]


def digests_of(folder):
    """The files' SHA-1s, sorted: the listing's order need not be the order they were seeded in."""
    digests = []
    for name in os.listdir(folder):
        digest = hashlib.sha1()
        with open(os.path.join(folder, name), "rb") as f:
            for block in iter(lambda: f.read(benchlib.MIB), b""):
                digest.update(block)
        digests.append(digest.hexdigest())
    return sorted(digests)


def run_ours(args, base, tokens, folder_id, target):
    lines = benchlib.run_program(args, base, folder_id, benchlib.windows_path(target), str(args.repeats),
                                 tokens["access_token"], tokens["refresh_token"])
    return [(seconds, int(files), int(size)) for seconds, files, size in benchlib.runs(lines)], \
        benchlib.memory(lines)


def run_curl(args, base, tokens, ids, target):
    config = os.path.join(args.work, "bench_retrieval_curl.cfg")
    with open(config, "w") as f:
        f.write('header = "Authorization: Bearer %s"\nheader = "Auth-Type: OAUTH2"\n' % tokens["access_token"])
        for i, file_id in enumerate(ids):
            f.write('url = "%s/2.0/files/%s/content"\noutput = "%s/%d.bin"\n' % (base, file_id, target, i))
    command = ["curl", "-s", "-f", "-L", "-K", config]
    return benchlib.best_of(args.repeats, lambda: benchlib.run_command(command))[0]


def measure(args, label, folder_id, sizes):
    ours_folder = os.path.join(os.path.abspath(args.work), "retrieval_ours")
    curl_folder = os.path.join(os.path.abspath(args.work), "retrieval_curl")
    bare_folder = os.path.join(os.path.abspath(args.work), "retrieval_bare")
    for folder in (ours_folder, curl_folder, bare_folder):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    try:
        with benchlib.standin(args) as base:
            ids = seed(base, folder_id, label, sizes)
            tokens = benchlib.control(base, "tokens")
            runs, memory = run_ours(args, base, tokens, folder_id, ours_folder)
            curl_seconds = run_curl(args, base, tokens, ids, curl_folder)
            bare_seconds = benchlib.bare_get_seconds(
                args, ["%s/2.0/files/%s/content" % (base, file_id) for file_id in ids],
                benchlib.windows_path(bare_folder) + "\\",
                ["Authorization: Bearer " + tokens["access_token"], "Auth-Type: OAUTH2"])
        if any((files, size) != (len(sizes), sum(sizes)) for _, files, size in runs):
            sys.exit("a retrieval missed content: %r" % (runs,))
        if digests_of(ours_folder) != digests_of(curl_folder):
            sys.exit("the filter and curl wrote different bytes")
        print("%s, best of %d" % (label, args.repeats))
        benchlib.print_against_curl("raw_RetrieveItemToPath (Wine)", min(seconds for seconds, _, _ in runs),
                                    "curl -L", curl_seconds, mib=sum(sizes) / benchlib.MIB)
        ours_seconds = min(seconds for seconds, _, _ in runs)
        print("  ratio ours/bare WinINet (%.3f s): %.2f" % (bare_seconds, ours_seconds / bare_seconds))
        benchlib.print_memory(*memory, "the first retrieval")
    finally:
        for folder in (ours_folder, curl_folder, bare_folder):
            shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = benchlib.argument_parser(__doc__, standin=True)
    parser.add_argument("--small-files", type=int, default=1000)
    parser.add_argument("--large-mib", type=int, default=1024)
    args = parser.parse_args()
    sizes = [random.Random(i).randint(4 * 1024, 64 * 1024) for i in range(args.small_files)]
    measure(args, "%d small files of 4-64 KiB" % args.small_files, "600", sizes)
    measure(args, "one file of %d MiB" % args.large_mib, "700", [args.large_mib * benchlib.MIB])


if __name__ == "__main__":
    main()
