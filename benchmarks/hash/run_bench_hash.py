#!/usr/bin/env python3
"""Times CLSHash's SHA-1 and MD5 of a file of a few hundred MiB under Wine against
`openssl dgst -sha1` / `-md5` on the same file, checks that the digests agree, and prints the
ratios (ours / openssl; below 1 is faster), and for SHA-1 the ratio to a bare CryptoAPI loop."""
import os
import sys
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import benchlib  # noqa: E402


def md5_guid_text(md5_hex):
    # The digest's bytes laid over a GUID, as CLSHash renders it.
    return "{" + str(uuid.UUID(bytes_le=bytes.fromhex(md5_hex))).upper() + "}"


def openssl_digest(algorithm, path, repeats):
    """The best seconds of openssl and the digest it printed (its last word)."""
    command = ["openssl", "dgst", "-" + algorithm, path]
    seconds, output = benchlib.best_of(repeats, lambda: benchlib.run_command(command))
    return seconds, output.split()[-1]


def main():
    parser = benchlib.argument_parser(__doc__)
    parser.add_argument("--mib", type=int, default=300)
    args = parser.parse_args()

    with benchlib.scratch_file(args, "bench_hash_input.bin") as path:
        benchlib.write_pattern(path, args.mib * benchlib.MIB)
        measured = {algorithm: (digest, float(seconds))
                    for algorithm, digest, seconds in benchlib.run_program(args, benchlib.windows_path(path),
                                                                            str(args.repeats))}
        print(f"file: {args.mib} MiB, best of {args.repeats}")
        print(f"{'algorithm':<10}{'CLSHash s':>12}{'openssl s':>12}{'ratio':>8}  digest")
        failed = False
        for algorithm in ("sha1", "md5"):
            seconds, reference = openssl_digest(algorithm, path, args.repeats)
            expected = reference if algorithm == "sha1" else md5_guid_text(reference)
            digest, ours_seconds = measured[algorithm]
            agrees = digest == expected
            failed |= not agrees
            print(f"{algorithm:<10}{ours_seconds:>12.3f}{seconds:>12.3f}{ours_seconds / seconds:>8.2f}  "
                  f"{digest}{'' if agrees else '  MISMATCH, openssl: ' + expected}")
        bare = benchlib.runs(benchlib.run_bare(args, args.bare_sha1, benchlib.windows_path(path), str(args.repeats)))
        bare_seconds = min(run[0] for run in bare)
        failed |= bare[-1][1] != measured["sha1"][0]
        print(f"sha1: bare CryptoAPI loop {bare_seconds:.3f} s, CLSHash / bare {measured['sha1'][1] / bare_seconds:.2f}")
        return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
