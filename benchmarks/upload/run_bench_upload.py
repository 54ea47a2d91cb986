#!/usr/bin/env python3
"""Times a session upload of a 1 GiB file through Box_20::UploadFile on the Box stand-in under
Wine, for each part size the stand-in is told to hand out, against a bare 32-bit program under
the same Wine that sends the same requests with WinINet and CryptoAPI alone (bare_upload.exe,
beside the benchmark program) and against curl (one process per request, each part piped to it,
the digests computed on the way). Checks that every upload stored the file's bytes; prints one
row per part size: the times, the ratios (below 1 is faster) and the product's peak private
memory, whole and above its baseline."""
import argparse
import base64
import hashlib
import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import benchlib  # noqa: E402


def stored_sha1(base, file_id):
    return benchlib.control(base, "item?type=file&id=" + file_id)["sha1"]


def forget(base, file_id):
    """The stand-in keeps stored content on disk: each run's file goes once checked."""
    benchlib.control(base, "item/delete", {"type": "file", "id": file_id})


def run_ours(args, base, path, size, name):
    """The seconds, the new file's id and the memory line."""
    tokens = benchlib.control(base, "tokens")
    lines = benchlib.run_program(args, base, benchlib.windows_path(path), str(size), name,
                                 tokens["access_token"], tokens["refresh_token"])
    [(seconds, file_id)] = benchlib.runs(lines)
    return seconds, file_id, benchlib.memory(lines)


def curl_json(base_command, extra, stdin=None):
    output = subprocess.run(base_command + extra, check=True, capture_output=True, input=stdin).stdout
    return json.loads(output) if output.strip() else None


def digest_header(sha1):
    return "digest: sha=" + base64.b64encode(sha1.digest()).decode()


def upload_with_curl(command, base, path, size, name):
    """The product's requests with curl; the new file's id."""
    session = curl_json(command, ["-H", "Accept: application/json", "-H", "Content-Type: application/json",
                                  "--data-binary", json.dumps({"file_name": name, "file_size": size,
                                                               "folder_id": "0"}, separators=(",", ":")),
                                  base + "/api/2.0/files/upload_sessions"])
    part_size = session["part_size"]
    whole = hashlib.sha1()
    parts = []
    with open(path, "rb") as f:
        for offset in range(0, size, part_size):
            data = f.read(part_size)
            whole.update(data)
            reply = curl_json(command, ["-X", "PUT", "-H", "Content-Range: bytes %d-%d/%d"
                                        % (offset, offset + len(data) - 1, size),
                                        "-H", "Content-Type: application/octet-stream",
                                        "-H", digest_header(hashlib.sha1(data)), "--data-binary", "@-",
                                        session["session_endpoints"]["upload_part"]], stdin=data)
            parts.append({"offset": reply["part"]["offset"], "part_id": reply["part"]["part_id"],
                          "size": reply["part"]["size"]})
    committed = curl_json(command, ["-H", "Content-Type: application/json", "-H", digest_header(whole),
                                    "--data-binary", json.dumps({"parts": parts}, separators=(",", ":")),
                                    session["session_endpoints"]["commit"]])
    return committed["entries"][0]["id"]


def run_curl(base, path, size, name):
    """The seconds and the new file's id."""
    tokens = benchlib.control(base, "tokens")
    command = ["curl", "-s", "-f", "-H", "Authorization: Bearer " + tokens["access_token"],
               "-H", "Auth-Type: OAUTH2"]
    return benchlib.timed(lambda: upload_with_curl(command, base, path, size, name))


def run_bare(args, base, path, size, name):
    """The seconds and the new file's id."""
    bare = os.path.join(os.path.dirname(os.path.abspath(args.bench)), "bare_upload.exe")
    tokens = benchlib.control(base, "tokens")
    lines = benchlib.run_program(argparse.Namespace(**dict(vars(args), bench=bare)), base,
                                 benchlib.windows_path(path), str(size), name, tokens["access_token"])
    [(seconds, file_id)] = benchlib.runs(lines)
    return seconds, file_id


def checked(base, expected, who, result):
    """The seconds of a run whose stored file holds the expected bytes; the file goes afterwards."""
    seconds, file_id = result[0], result[1]
    if stored_sha1(base, file_id) != expected:
        sys.exit(who + "'s upload stored other bytes")
    forget(base, file_id)
    return seconds


def main():
    parser = benchlib.argument_parser(__doc__, standin=True)
    parser.add_argument("--mib", type=int, default=1024)
    parser.add_argument("--parts", default="8,32,64", help="part sizes in MiB, comma-separated")
    args = parser.parse_args()

    size = args.mib * benchlib.MIB
    rows = []
    with benchlib.scratch_file(args, "bench_upload_input.bin") as path:
        expected = benchlib.write_pattern(path, size)
        with benchlib.standin(args) as base:
            for part_mib in (int(mib) for mib in args.parts.split(",")):
                benchlib.control(base, "switches", {"part_size": part_mib * benchlib.MIB})
                ours, bare, theirs, memories = [], [], [], []
                for run in range(args.repeats):
                    name = "%d-%d.bin" % (part_mib, run)
                    result = run_ours(args, base, path, size, "ours-" + name)
                    ours.append(checked(base, expected, "the product", result))
                    memories.append(result[2])
                    bare.append(checked(base, expected, "the bare program",
                                        run_bare(args, base, path, size, "bare-" + name)))
                    theirs.append(checked(base, expected, "curl", run_curl(base, path, size, "curl-" + name)))
                baseline, _, peak = max(memories, key=lambda m: m[2])
                rows.append((part_mib, min(ours), min(bare), min(theirs), peak, baseline))

    print("session upload of %d MiB, best of %d" % (args.mib, args.repeats))
    print("  %5s  %8s  %8s  %8s  %9s  %9s  %9s  %14s" % ("part", "ours s", "bare s", "curl s", "ours/bare",
                                                        "ours/curl", "bare/curl", "peak (+base) MiB"))
    for part_mib, ours, bare, theirs, peak, baseline in rows:
        print("  %3d MiB  %8.3f  %8.3f  %8.3f  %9.2f  %9.2f  %9.2f  %6.1f (+%.1f)"
              % (part_mib, ours, bare, theirs, ours / bare, ours / theirs, bare / theirs, peak / benchlib.MIB,
                 (peak - baseline) / benchlib.MIB))


if __name__ == "__main__":
    main()
