#!/usr/bin/env python3
"""End-to-end check of --salvage: a 300-frame ffmpeg recording with three
damaged frames is refused without the option (the message names the first
damaged frame and the option) and converted with it: 300 frames that
ffmpeg and GStreamer decode, and one warning line naming the first damaged
frame and the count.

usage: salvage_check.py --cli PATH [--keep DIR]
"""
import argparse
import os
import sys

import avi_check
from run_e2e import Failure, need_tools, probe_video, run, run_in_work_dir

FRAMES = 300
DAMAGED = (57, 120, 250)  # frame numbers from 1


def damaged_recording(path):
    run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", f"testsrc2=size=160x120:rate=25",
         "-frames:v", str(FRAMES), "-c:v", "mjpeg", "-pix_fmt", "yuvj422p", "-q:v", "3", path])
    data = bytearray(open(path, "rb").read())
    movi = avi_check.find_movi(avi_check.parse_file(bytes(data), path))
    frames = [c for c in movi.children if c.id.endswith(b"dc")]
    for number in DAMAGED:
        frame = frames[number - 1]
        start = frame.offset + avi_check.CHUNK_HEADER
        for at in range(start + frame.size // 3, start + frame.size, 5):
            data[at] = 0xFF
    open(path, "wb").write(data)


def check(cli, work):
    need_tools("ffmpeg", "ffprobe", "gst-launch-1.0")
    source = os.path.join(work, "damaged.avi")
    damaged_recording(source)
    out_dir = os.path.join(work, "out")
    faults = []

    refused = run([cli, "-t", "cw", "-o", out_dir, source], check=False)
    message = refused.stderr.decode()
    if refused.returncode != 1 or f"video frame {DAMAGED[0]} cannot be decoded" not in message \
            or "--salvage" not in message:
        faults.append(f"without --salvage: exit {refused.returncode}, {message.strip()!r}")

    converted = run([cli, "-t", "cw", "--salvage", "-o", out_dir, source], check=False)
    warning = converted.stderr.decode().strip()
    expected = (f"warning: {source}: {len(DAMAGED)} damaged frames replaced by the frame before each, "
                f"the first frame {DAMAGED[0]}")
    if converted.returncode != 0 or warning != expected:
        faults.append(f"with --salvage: exit {converted.returncode}, {warning!r}, expected {expected!r}")
    output = os.path.join(out_dir, "damaged.avi")
    if os.path.exists(output):
        if probe_video(output) != (120, 160, FRAMES):
            faults.append(f"output video {probe_video(output)}, expected (120, 160, {FRAMES})")
        decode = run(["ffmpeg", "-v", "error", "-xerror", "-i", output, "-f", "null", "-"], check=False)
        if decode.returncode != 0 or decode.stderr:
            faults.append(f"ffmpeg decodes with errors: {decode.stderr.decode()[:300]}")
        gst = run(["gst-launch-1.0", "-q", "filesrc", f"location={output}", "!", "avidemux", "!", "jpegdec", "!",
                   "fakesink"], check=False)
        if gst.returncode != 0:
            faults.append(f"GStreamer does not decode the output: {gst.stderr.decode()[:300]}")
        faults += [f"structure: {fault}" for fault in avi_check.check(output, source, "cw")]
    for fault in faults:
        print(f"salvage: {fault}")
    print(f"salvage: {'FAILED' if faults else 'ok'} ({FRAMES} frames, damaged {DAMAGED})")
    return not faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="path of kestrel-cli")
    parser.add_argument("--keep", help="work in this directory and keep the files")
    args = parser.parse_args()
    cli = os.path.abspath(args.cli)
    return run_in_work_dir("salvage", args.keep, lambda work: check(cli, work))


if __name__ == "__main__":
    sys.exit(main())
