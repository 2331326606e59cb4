#!/usr/bin/env python3
"""kestrel-cli with several threads: on files written by ffmpeg, GStreamer
and the camera-style writer, every transform converted with -j 2, 3 and 8
gives the bytes of -j 1.

usage: jobs_check.py --cli PATH/kestrel-cli
"""

import argparse
import filecmp
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import run_e2e  # noqa: E402

KINDS = ["ffmpeg_420_odd_97x73", "ffmpeg_422_pcm_audio", "ffmpeg_opendml_index", "gstreamer_db_audio",
         "camera_420_136x88"]
JOBS = [2, 3, 8]


def convert(cli, source, transform, jobs, out_dir):
    os.makedirs(out_dir, exist_ok=True)
    subprocess.run([cli, "-q", "-t", transform, "-j", str(jobs), "-o", out_dir, source], check=True)
    return os.path.join(out_dir, os.path.basename(source))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    args = parser.parse_args()
    run_e2e.need_tools("ffmpeg", "gst-launch-1.0")
    failures = []
    with tempfile.TemporaryDirectory(prefix="kestrel-jobs-") as work:
        for kind in KINDS:
            source = os.path.join(work, f"{kind}.avi")
            run_e2e.SOURCES[kind](source)
            for transform in run_e2e.REFERENCE_FILTERS:
                single = convert(args.cli, source, transform, 1, os.path.join(work, kind, transform, "1"))
                for jobs in JOBS:
                    other = convert(args.cli, source, transform, jobs, os.path.join(work, kind, transform, str(jobs)))
                    if not filecmp.cmp(single, other, shallow=False):
                        failures.append(f"{kind} {transform}: -j {jobs} differs from -j 1")
            print(f"{kind}: {'FAILED' if any(f.startswith(kind) for f in failures) else 'ok'}")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
