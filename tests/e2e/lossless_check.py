#!/usr/bin/env python3
"""End-to-end checks of the transforms that move DCT coefficients, on 4:2:2
files written by ffmpeg and GStreamer.

usage: lossless_check.py --cli PATH/kestrel-cli KIND [--keep DIR]

Every frame against ffmpeg's own filter on the decoded source, per plane:
at 1280 x 720 Mirror X and 180° >= 90 dB (or inf), the quarter turns' luma
>= 60 dB, and a mirror or 180° twice gives every plane back exactly, cw then
acw the luma; off grid (1272 x 720, 1270 x 718) 30 dB where planes are
re-coded, 90 dB (60 dB turned) where their blocks tile the reversed axes.
"""

import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from run_e2e import REFERENCE_FILTERS, Failure, need_tools, parse_psnr_stats, run, run_in_work_dir  # noqa: E402

FRAMES = 3
PLANES = ("y", "u", "v")


def ffmpeg_422(width, height):
    def make(path):
        run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
             f"testsrc2=size={width}x{height}:rate=10,format=yuv444p", "-frames:v", str(FRAMES),
             "-c:v", "mjpeg", "-pix_fmt", "yuvj422p", "-q:v", "3", path])
    return make


def gstreamer_422(width, height):
    def make(path):
        need_tools("gst-launch-1.0")
        run(["gst-launch-1.0", "-q", "videotestsrc", "pattern=smpte", f"num-buffers={FRAMES}", "!",
             f"video/x-raw,format=Y42B,width={width},height={height},framerate=10/1", "!", "jpegenc", "!",
             "avimux", "!", "filesink", f"location={path}"])
    return make


# kind: (source maker, per transform the least PSNR of Y, Cb, Cr, whether to
# check round trips). A quarter turn's chroma has another grid than the
# filter's turned source chroma (its colour is checked by colour_check.py);
# 0 skips a plane.
LOSSLESS = {"mirror-x": (90, 90, 90), "180": (90, 90, 90), "cw": (60, 0, 0), "acw": (60, 0, 0)}
KINDS = {
    "lossless_ffmpeg": (ffmpeg_422(1280, 720), LOSSLESS, True),
    "lossless_gstreamer": (gstreamer_422(1280, 720), LOSSLESS, True),
    # Luma is whole blocks across, chroma half a block short.
    "lossless_offgrid_1272x720": (ffmpeg_422(1272, 720),
                                  {"mirror-x": (90, 30, 30), "mirror-y": (90, 90, 90), "180": (90, 30, 30),
                                   "cw": (60, 0, 0), "acw": (60, 0, 0)}, False),
    # Neither axis is whole blocks: every plane goes through samples.
    "lossless_offgrid_1270x718": (ffmpeg_422(1270, 718),
                                  {"mirror-x": (30, 30, 30), "mirror-y": (30, 30, 30), "180": (30, 30, 30),
                                   "cw": (30, 0, 0), "acw": (30, 0, 0)}, False),
}


def plane_psnr(output, source, reference_filter, plane, work):
    """Per-frame PSNR of one plane of the output against the same plane of
    ffmpeg's filter applied to the source, without any format conversion."""
    log = os.path.join(work, "psnr.log")
    graph = (f"[0:v]setpts=PTS-STARTPTS,extractplanes={plane}[o];"
             f"[1:v]setpts=PTS-STARTPTS,extractplanes={plane},{reference_filter}[r];"
             f"[o][r]psnr=stats_file='{log}'")
    run(["ffmpeg", "-v", "error", "-xerror", "-i", output, "-i", source, "-lavfi", graph, "-f", "null", "-"])
    with open(log) as f:
        values = parse_psnr_stats(f.read())
    os.remove(log)
    return values


def decoded_md5(path, luma_only):
    """MD5 of the decoded samples of every frame: all planes, or luma."""
    planes = ["-vf", "extractplanes=y"] if luma_only else []
    result = run(["ffmpeg", "-v", "error", "-xerror", "-i", path] + planes + ["-f", "md5", "-"])
    return result.stdout.decode().strip()


def convert(cli, source, transform, out_dir):
    os.makedirs(out_dir, exist_ok=True)
    run([cli, "-q", "-t", transform, "-o", out_dir, source])
    return os.path.join(out_dir, os.path.basename(source))


def check_kind(cli, kind, work):
    need_tools("ffmpeg")
    make, minimums, round_trips = KINDS[kind]
    source = os.path.join(work, "clip.avi")
    make(source)
    faults = []
    for transform, minimum in minimums.items():
        output = convert(cli, source, transform, os.path.join(work, transform))
        for plane, least in zip(PLANES, minimum):
            if least == 0:
                continue
            values = plane_psnr(output, source, REFERENCE_FILTERS[transform], plane, work)
            if len(values) != FRAMES:
                faults.append(f"{transform} {plane}: PSNR of {len(values)} frames, expected {FRAMES}")
            low = [v for v in values if v < least]
            if low:
                faults.append(f"{transform} {plane}: PSNR {min(low):.2f} dB below {least} dB")
            print(f"{kind} {transform} {plane}: min PSNR {min(values) if values else 'none'} dB")
    if round_trips:
        for there, back, luma_only in (("mirror-x", "mirror-x", False), ("mirror-y", "mirror-y", False),
                                       ("180", "180", False), ("cw", "acw", True)):
            once = convert(cli, source, there, os.path.join(work, f"trip-{there}"))
            twice = convert(cli, once, back, os.path.join(work, f"trip-{there}-{back}"))
            planes = "luma" if luma_only else "every plane"
            if decoded_md5(twice, luma_only) != decoded_md5(source, luma_only):
                faults.append(f"{there} then {back}: {planes} differs from the source's")
            else:
                print(f"{kind} {there} then {back}: {planes} as the source's")
    for fault in faults:
        print(f"{kind}: {fault}")
    return not faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("kind", choices=list(KINDS))
    parser.add_argument("--cli", required=True, help="path of kestrel-cli")
    parser.add_argument("--keep", help="work in this directory and keep the files")
    args = parser.parse_args()
    cli = os.path.abspath(args.cli)
    return run_in_work_dir(args.kind, args.keep, lambda work: check_kind(cli, args.kind, work), (Failure,))


if __name__ == "__main__":
    sys.exit(main())
