#!/usr/bin/env python3
"""Times CLSHash's SHA-1 and MD5 of a file of a few hundred MiB under Wine against
`openssl dgst -sha1` / `-md5` on the same file, checks that the digests agree, and prints the
ratios (ours / openssl; below 1 is faster)."""
import argparse
import os
import subprocess
import sys
import tempfile
import time
import uuid

MIB = 1 << 20


def write_pattern(path, mib):
    base = bytes(j % 251 for j in range(MIB))
    with open(path, "wb") as f:
        for block in range(mib):
            f.write(base.translate(bytes((k + block) & 0xFF for k in range(256))))


def best_seconds(command, repeats):
    """The best wall time of the command and the last word it printed (openssl's digest)."""
    best = None
    output = ""
    for _ in range(repeats):
        start = time.perf_counter()
        output = subprocess.run(command, check=True, capture_output=True, text=True).stdout
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best, output.strip().split()[-1]


def md5_guid_text(md5_hex):
    # The digest's bytes laid over a GUID, as CLSHash renders it.
    return "{" + str(uuid.UUID(bytes_le=bytes.fromhex(md5_hex))).upper() + "}"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--bench", required=True, help="bench_hash.exe")
    parser.add_argument("--wine-run", required=True, help="scripts/wine-run")
    parser.add_argument("--prefix", required=True, help="the Wine prefix")
    parser.add_argument("--work", default=tempfile.gettempdir(), help="folder for the test file")
    parser.add_argument("--mib", type=int, default=300)
    parser.add_argument("--repeats", type=int, default=3)
    args = parser.parse_args()

    path = os.path.join(os.path.abspath(args.work), "bench_hash_input.bin")
    write_pattern(path, args.mib)
    try:
        env = dict(os.environ, WINEPREFIX=args.prefix)
        windows_path = "Z:" + path.replace("/", "\\")
        ours = subprocess.run([args.wine_run, args.bench, windows_path, str(args.repeats)], check=True,
                              capture_output=True, text=True, env=env).stdout
        measured = {}
        for line in ours.splitlines():
            algorithm, digest, seconds = line.split()
            measured[algorithm] = (digest, float(seconds))

        print(f"file: {args.mib} MiB, best of {args.repeats}")
        print(f"{'algorithm':<10}{'CLSHash s':>12}{'openssl s':>12}{'ratio':>8}  digest")
        failed = False
        for algorithm in ("sha1", "md5"):
            seconds, reference = best_seconds(["openssl", "dgst", "-" + algorithm, path], args.repeats)
            expected = reference if algorithm == "sha1" else md5_guid_text(reference)
            digest, ours_seconds = measured[algorithm]
            agrees = digest == expected
            failed |= not agrees
            print(f"{algorithm:<10}{ours_seconds:>12.3f}{seconds:>12.3f}{ours_seconds / seconds:>8.2f}  "
                  f"{digest}{'' if agrees else '  MISMATCH, openssl: ' + expected}")
        return 1 if failed else 0
    finally:
        os.remove(path)


if __name__ == "__main__":
    sys.exit(main())
