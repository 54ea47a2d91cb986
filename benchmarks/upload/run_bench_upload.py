#!/usr/bin/env python3
"""Times a session upload of a 1 GiB file through Box_20::UploadFile on the Box stand-in under
Wine against curl sending the same requests (the session, each part with its Content-Range and
SHA-1 digest, the commit with the whole file's digest) to the same stand-in, checks that both
stored the file's bytes, and prints the ratio (ours / curl; below 1 is faster) and the upload
process's private memory. One curl process per request, each part piped to it, the digests
computed on the way as the product does."""
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


def main():
    parser = benchlib.argument_parser(__doc__, standin=True)
    parser.add_argument("--mib", type=int, default=1024)
    args = parser.parse_args()

    size = args.mib * benchlib.MIB
    ours, theirs, memories = [], [], []
    with benchlib.scratch_file(args, "bench_upload_input.bin") as path:
        expected = benchlib.write_pattern(path, size)
        with benchlib.standin(args) as base:
            for run in range(args.repeats):
                seconds, file_id, memory = run_ours(args, base, path, size, "ours-%d.bin" % run)
                if stored_sha1(base, file_id) != expected:
                    sys.exit("the product's upload stored other bytes")
                forget(base, file_id)
                ours.append(seconds)
                memories.append(memory)
                seconds, file_id = run_curl(base, path, size, "curl-%d.bin" % run)
                if stored_sha1(base, file_id) != expected:
                    sys.exit("curl's upload stored other bytes")
                forget(base, file_id)
                theirs.append(seconds)

    print("session upload of %d MiB, best of %d" % (args.mib, args.repeats))
    benchlib.print_against_curl("UploadFile (Wine)", min(ours), "curl, same requests", min(theirs))
    benchlib.print_memory(*max(memories, key=lambda m: m[2]), "the upload")


if __name__ == "__main__":
    main()
