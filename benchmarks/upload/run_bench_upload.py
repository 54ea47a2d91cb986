#!/usr/bin/env python3
"""Times a session upload of a 1 GiB file through Box_20::UploadFile on the Box stand-in under
Wine against curl sending the same requests (the session, each part with its Content-Range and
SHA-1 digest, the commit with the whole file's digest) to the same stand-in, checks that both
stored the file's bytes, and prints the ratio (ours / curl; below 1 is faster) and the upload
process's private memory. One curl process per request, each part piped to it, the digests
computed on the way as the product does."""
import argparse
import base64
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


def control(base, path, body=None):
    data = None if body is None else json.dumps(body).encode()
    request = urllib.request.Request(base + "/_control/" + path, data=data,
                                     headers={"Content-Type": "application/json"},
                                     method="GET" if body is None else "POST")
    with urllib.request.urlopen(request) as reply:
        return json.loads(reply.read())


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


def stored_sha1(base, file_id):
    return control(base, "item?type=file&id=" + file_id)["sha1"]


def forget(base, file_id):
    """The stand-in keeps stored content on disk: each run's file goes once checked."""
    control(base, "item/delete", {"type": "file", "id": file_id})


def run_ours(args, base, path, size, name):
    tokens = control(base, "tokens")
    env = dict(os.environ, WINEPREFIX=args.prefix)
    windows_path = "Z:" + path.replace("/", "\\")
    output = subprocess.run([args.wine_run, args.bench, base, windows_path, str(size), name,
                             tokens["access_token"], tokens["refresh_token"]],
                            check=True, capture_output=True, text=True, env=env).stdout
    seconds = file_id = memory = None
    for line in output.splitlines():
        words = line.split()
        if words[0] == "run":
            seconds, file_id = float(words[1]), words[2]
        elif words[0] == "memory":
            memory = [int(word) for word in words[1:]]
    return seconds, file_id, memory


def curl_json(base_command, extra, stdin=None):
    output = subprocess.run(base_command + extra, check=True, capture_output=True, input=stdin).stdout
    return json.loads(output) if output.strip() else None


def digest_header(sha1):
    return "digest: sha=" + base64.b64encode(sha1.digest()).decode()


def run_curl(base, path, size, name):
    """The product's requests with curl; returns the seconds and the new file's id."""
    tokens = control(base, "tokens")
    command = ["curl", "-s", "-f", "-H", "Authorization: Bearer " + tokens["access_token"],
               "-H", "Auth-Type: OAUTH2"]
    start = time.perf_counter()
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
    return time.perf_counter() - start, committed["entries"][0]["id"]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--bench", required=True, help="bench_upload.exe")
    parser.add_argument("--wine-run", required=True, help="scripts/wine-run")
    parser.add_argument("--prefix", required=True, help="the Wine prefix")
    parser.add_argument("--work", required=True, help="folder for the local file")
    parser.add_argument("--openapi", required=True, help="Box's API description, for the stand-in")
    parser.add_argument("--mib", type=int, default=1024)
    parser.add_argument("--repeats", type=int, default=3)
    args = parser.parse_args()

    size = args.mib * MIB
    path = os.path.join(os.path.abspath(args.work), "bench_upload_input.bin")
    expected = write_pattern(path, size)
    ours, theirs, memories = [], [], []
    try:
        with StandInProcess(args.openapi) as base:
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
    finally:
        os.remove(path)

    print("session upload of %d MiB, best of %d" % (args.mib, args.repeats))
    print("  UploadFile (Wine)   : %7.3f s" % min(ours))
    print("  curl, same requests : %7.3f s" % min(theirs))
    print("  ratio ours/curl: %.2f" % (min(ours) / min(theirs)))
    baseline, private, peak = max(memories, key=lambda m: m[2])
    print("  private memory: %.1f MiB before the upload, %.1f MiB after, peak %.1f MiB"
          % (baseline / MIB, private / MIB, peak / MIB))


if __name__ == "__main__":
    main()
