#!/usr/bin/env python3
"""kestrel-cli.exe under Wine against the Linux kestrel-cli.

usage: windows_check.py --cli PATH/kestrel-cli --exe PATH/kestrel-cli.exe
                        [--wine PATH] [--wineprefix DIR] [--keep DIR]

Makes the source of every end-to-end kind (run_e2e.py's SOURCES) and
converts them with each of the five transforms on both programs, one batch
per transform and program; every output must be byte for byte the Linux
one. A copy of one source under a name with non-ASCII letters goes through
each batch too, and one given as sub\\NAME.avi must land in -o DIR as NAME.avi. Then refusals (a WAVE file, a directory, a missing file, an
unknown transform) must print the same lines (Windows ending them with CR LF)
with the same exit status.
Prints the table of source x transform -> identical; exits 1 on any
difference.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run_e2e  # noqa: E402

TRANSFORMS = ["cw", "acw", "180", "mirror-x", "mirror-y"]
# Latin, Greek and CJK letters: nothing of it fits one ANSI code page.
UNICODE_NAME = "Fähre_Κρήτη_日本.avi"


def compare_outputs(names, linux_dir, windows_dir):
    """The names whose outputs differ or are missing, per transform."""
    rows = {}
    for name in names:
        row = []
        for transform in TRANSFORMS:
            paths = [os.path.join(d, transform, name) for d in (linux_dir, windows_dir)]
            same = all(os.path.exists(p) for p in paths) and open(paths[0], "rb").read() == open(paths[1], "rb").read()
            row.append(same)
        rows[name] = row
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--wine", default=shutil.which("wine64") or "/usr/lib/wine/wine64")
    parser.add_argument("--wineprefix", help="Wine's prefix (default: beside the .exe)")
    parser.add_argument("--keep", help="work in this directory and keep the files")
    args = parser.parse_args()
    cli, exe = os.path.abspath(args.cli), os.path.abspath(args.exe)
    env = dict(os.environ, WINEDEBUG="-all",
               WINEPREFIX=os.path.abspath(args.wineprefix or os.path.join(os.path.dirname(exe), "wineprefix")))
    programs = {"linux": [cli], "windows": [args.wine, exe]}

    def run(program, arguments, cwd):
        return subprocess.run(programs[program] + arguments, cwd=cwd, env=env, capture_output=True)

    def check(work):
        sources = os.path.join(work, "sources")
        os.makedirs(sources)
        names = []
        for kind, make in run_e2e.SOURCES.items():
            make(os.path.join(sources, f"{kind}.avi"))
            names.append(f"{kind}.avi")
        shutil.copy(os.path.join(sources, names[0]), os.path.join(sources, UNICODE_NAME))
        names.append(UNICODE_NAME)

        faults = []
        for program in programs:
            for transform in TRANSFORMS:
                # Relative names, so that both print the same paths.
                result = run(program, ["-q", "-t", transform, "-o", os.path.join(program, transform)] + names,
                             os.path.join(work, "sources"))
                if result.returncode != 0:
                    faults.append(f"{program} -t {transform}: exit status {result.returncode}: "
                                  f"{result.stderr.decode(errors='replace')}")
        rows = compare_outputs(names, os.path.join(sources, "linux"), os.path.join(sources, "windows"))
        width = max(map(len, names))
        print(f"{'source':{width}}  " + "  ".join(f"{t:8}" for t in TRANSFORMS))
        for name, row in rows.items():
            print(f"{name:{width}}  " + "  ".join(f"{'yes' if same else 'NO':8}" for same in row))
            faults += [f"{name} -t {t}: not identical" for t, same in zip(TRANSFORMS, row) if not same]

        # A Windows path with backslashes: the name after the last one lands in -o DIR.
        os.makedirs(os.path.join(sources, "sub"))
        shutil.copy(os.path.join(sources, names[0]), os.path.join(sources, "sub", names[0]))
        result = run("windows", ["-q", "-t", "cw", "-o", "backslash", "sub\\" + names[0]], sources)
        landed = os.path.join(sources, "backslash", names[0])
        same = os.path.exists(landed) and open(landed, "rb").read() == open(
            os.path.join(sources, "linux", "cw", names[0]), "rb").read()
        print(f"sub\\{names[0]} -o backslash: {'identical' if same else 'NOT identical'}")
        if not same:
            faults.append(f"sub\\{names[0]}: {os.listdir(os.path.join(sources))} "
                          f"{result.stderr.decode(errors='replace')}")

        # Refusals: the same lines, the same exit status.
        refusals = os.path.join(work, "refusals")
        os.makedirs(os.path.join(refusals, "folder.avi"))
        run_e2e.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=sample_rate=8000", "-t", "0.1",
                     "-f", "wav", os.path.join(refusals, "tone.avi")])
        for arguments in (["-o", "out", "tone.avi"], ["-o", "out", "folder.avi"], ["-o", "out", "missing.avi"],
                          ["-t", "sideways", "-o", "out", "tone.avi"]):
            linux, windows = (run(p, arguments, refusals) for p in programs)
            # Windows' C runtime ends text lines with CR LF, as Windows programs do.
            same = (linux.returncode, linux.stderr, linux.stdout) == (
                windows.returncode, windows.stderr.replace(b"\r\n", b"\n"), windows.stdout.replace(b"\r\n", b"\n"))
            print(f"refusal {' '.join(arguments)}: {'same' if same else 'DIFFERENT'}: "
                  f"{linux.stderr.decode(errors='replace').strip()} (exit status {linux.returncode})")
            if not same:
                faults.append(f"{' '.join(arguments)}: Linux {linux.returncode} {linux.stderr!r}, "
                              f"Windows {windows.returncode} {windows.stderr!r}")
            if linux.returncode == 0:
                faults.append(f"{' '.join(arguments)}: not refused")
        for fault in faults:
            print(f"windows: {fault}")
        return not faults

    return run_e2e.run_in_work_dir("windows", args.keep, check)


if __name__ == "__main__":
    sys.exit(main())
