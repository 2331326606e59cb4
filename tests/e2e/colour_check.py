#!/usr/bin/env python3
"""Colour end-to-end checks of kestrel-cli: every plane of every converted
frame against the source's planes transformed here.

usage: colour_check.py --cli PATH/kestrel-cli KIND [--before PATH] [--keep DIR]
       colour_check.py --list

KIND names a source file (see SOURCES). ffmpeg writes out the planes of the
source and of each result as they are coded (rawvideo in the file's own
pixel format: no conversion, no chroma interpolation). Here the source's
chroma planes are spread to the picture's size (each sample over the
picture samples it covers), all three planes are turned or mirrored, and
Cb and Cr are halved across to the output's 4:2:2 (pairs averaged,
rounding down at even and up at odd columns); each plane of the result is
compared with that in every frame:
  - all five transforms: every plane at least MIN_PSNR dB; a mirror or half
    turn of a 4:2:2 source whose size is a multiple of 16 at least
    EXACT_PSNR dB (its blocks map onto blocks, so re-encoding with the
    source's tables gives the source's coefficients back);
  - two passes, 180 then 180 and cw then acw, against the source's planes
    fitted to 4:2:2 (180 twice at least TWO_PASS_PSNR dB for a 4:2:2 source
    whose size is a multiple of 16);
  - every frame keeps the layout players rely on: the source frame's first 20
    bytes, its other APPn and COM segments as they were (ffmpeg's "Lavc"
    comment), then DRI, DQT, SOF0 with 4:2:2 sampling and SOS in 173 bytes, no
    DHT and no restart marker in the entropy-coded data, EOI at the end.
With --before, a second kestrel-cli converts the same files and its figures
are printed beside the first (informative only; the checks apply to --cli).
"""

import argparse
import math
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import avi_check  # noqa: E402
from run_e2e import Failure, ffmpeg_source, need_tools, picture_of, run, run_in_work_dir  # noqa: E402

FRAMES = 3  # compared of each file (ffmpeg's sources have run_e2e's 10)
MIN_PSNR = 30.0
EXACT_PSNR = 55.0
TWO_PASS_PSNR = 50.0
TRANSFORMS = ("mirror-x", "mirror-y", "180", "cw", "acw")
PASSES = (("180", "180"), ("cw", "acw"))

# Chroma samples per picture sample across and down, by ffmpeg pixel format.
CHROMA_RATIOS = {"yuvj444p": (1, 1), "yuvj422p": (2, 1), "yuvj420p": (2, 2), "yuvj440p": (1, 2),
                 "yuvj411p": (4, 1)}


def gstreamer_422(width, height):
    """GStreamer's jpegenc on 4:2:2 input, muxed by avimux ('00db' chunks)."""
    def make(path):
        need_tools("gst-launch-1.0")
        run(["gst-launch-1.0", "-q", "videotestsrc", f"num-buffers={FRAMES}", "!",
             f"video/x-raw,format=Y42B,width={width},height={height},framerate=10/1", "!", "jpegenc", "!",
             "avimux", "!", "filesink", f"location={path}"])
    return picture_of(make, width, height)


SOURCES = {
    "colour_ffmpeg_422_320x240": ffmpeg_source("320x240", "yuvj422p"),
    "colour_ffmpeg_420_176x144": ffmpeg_source("176x144", "yuvj420p"),
    "colour_ffmpeg_422_odd_75x51": ffmpeg_source("75x51", "yuvj422p"),
    "colour_ffmpeg_420_odd_97x73": ffmpeg_source("97x73", "yuvj420p"),
    "colour_gstreamer_422_320x240": gstreamer_422(320, 240),
}


# --- Planes ---------------------------------------------------------------

class Plane:
    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows


def read_planes(path):
    """[(Y, Cb, Cr) per frame] and the chroma ratios, in the file's own format."""
    probe = run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                 "stream=width,height,pix_fmt", "-of", "csv=p=0", path]).stdout.decode().strip()
    width, height, pix_fmt = probe.split(",")[:3]
    width, height = int(width), int(height)
    if pix_fmt not in CHROMA_RATIOS:
        raise Failure(f"{path}: pixel format {pix_fmt} is not one of {sorted(CHROMA_RATIOS)}")
    rh, rv = CHROMA_RATIOS[pix_fmt]
    cw, ch = -(-width // rh), -(-height // rv)
    raw = run(["ffmpeg", "-v", "error", "-i", path, "-frames:v", str(FRAMES), "-f", "rawvideo",
               "-pix_fmt", pix_fmt, "-"]).stdout
    frame_size = width * height + 2 * cw * ch
    if len(raw) != FRAMES * frame_size:
        raise Failure(f"{path}: ffmpeg gave {len(raw)} bytes of planes, expected {FRAMES * frame_size}")
    frames = []
    for f in range(FRAMES):
        at = f * frame_size
        planes = []
        for w, h in ((width, height), (cw, ch), (cw, ch)):
            planes.append(Plane(w, h, [raw[at + r * w:at + (r + 1) * w] for r in range(h)]))
            at += w * h
        frames.append(planes)
    return frames, (rh, rv)


def transform_plane(plane, transform):
    """The plane turned or mirrored as a grid of its own samples."""
    rows = [bytes(row) for row in plane.rows]
    if transform == "mirror-x":
        rows = [row[::-1] for row in rows]
    elif transform == "mirror-y":
        rows = rows[::-1]
    elif transform == "180":
        rows = [row[::-1] for row in rows[::-1]]
    elif transform == "cw":    # (y, x) -> (x, H-1-y)
        rows = [bytes(column) for column in zip(*rows[::-1])]
    elif transform == "acw":   # (y, x) -> (W-1-x, y)
        rows = [bytes(column) for column in zip(*rows)][::-1]
    return Plane(len(rows[0]), len(rows), rows)


def spread(plane, ratios, width, height):
    """The plane at the picture's size: each sample over the picture samples it covers."""
    rh, rv = ratios
    rows = []
    for y in range(height):
        source = plane.rows[min(y // rv, plane.height - 1)]
        rows.append(bytes(source[min(x // rh, plane.width - 1)] for x in range(width)))
    return Plane(width, height, rows)


def halve(plane):
    """Pairs across averaged, rounding down at even and up at odd columns."""
    width = plane.width
    rows = [bytes((row[2 * j] + row[min(2 * j + 1, width - 1)] + (j & 1)) >> 1 for j in range((width + 1) // 2))
            for row in plane.rows]
    return Plane((width + 1) // 2, plane.height, rows)


def expected_planes(planes, ratios, transform=None):
    """The output's 4:2:2 planes for the source's planes: Cb and Cr spread to
    the picture's size, all three transformed, Cb and Cr halved across."""
    luma = planes[0]
    full = [luma] + [spread(plane, ratios, luma.width, luma.height) for plane in planes[1:]]
    turned = [transform_plane(plane, transform) for plane in full] if transform else full
    return [turned[0], halve(turned[1]), halve(turned[2])]


def psnr(a, b):
    if (a.width, a.height) != (b.width, b.height):
        raise Failure(f"planes of {a.width}x{a.height} and {b.width}x{b.height} compared")
    total = 0
    for row_a, row_b in zip(a.rows, b.rows):
        total += sum((p - q) * (p - q) for p, q in zip(row_a, row_b))
    if total == 0:
        return math.inf
    return 10 * math.log10(255 * 255 * a.width * a.height / total)


def lowest_psnr(got_frames, expected_frames):
    """Per plane (Y, Cb, Cr): the lowest PSNR over the frames."""
    return [min(psnr(got[c], want[c]) for got, want in zip(got_frames, expected_frames)) for c in range(3)]


# --- Frame layout ---------------------------------------------------------

def frames_of(path):
    riff = avi_check.parse_file(open(path, "rb").read(), path)
    movi = avi_check.find_movi(riff)
    return [chunk.payload for chunk, _ in avi_check.walk(movi)
            if not chunk.is_list() and chunk.id[2:] in (b"dc", b"db")]


def layout_faults(output, source, width, height):
    """Faults of the output frames' byte layout against the source frames."""
    faults = []
    sof = bytes([0xFF, 0xC0, 0x00, 0x11, 0x08]) + struct.pack(">HH", height, width) + \
        bytes([0x03, 0x01, 0x21, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01])
    sos = bytes([0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00])
    out_frames, source_frames = frames_of(output), frames_of(source)
    if len(out_frames) != len(source_frames):
        return [f"{len(out_frames)} frames, the source has {len(source_frames)}"]
    for n, (frame, original) in enumerate(zip(out_frames, source_frames)):
        head = avi_check.FRAME_HEAD
        carried = avi_check.carried_segments(original)
        block = head + len(carried)  # where the header block starts
        expected = [(0, original[:head], "the source frame's first 20 bytes"),
                    (head, carried, "the source frame's APPn and COM segments"),
                    (block, bytes([0xFF, 0xDD, 0x00, 0x04, 0x00, 0x00]), "DRI with interval 0"),
                    (block + 6, bytes([0xFF, 0xDB, 0x00, 0x84, 0x00]), "DQT of tables 0 and 1"),
                    (block + 6 + 5 + 64, bytes([0x01]), "DQT's second table"),
                    (block + 140, sof, "SOF0 of 4:2:2"), (block + 159, sos, "SOS of three components")]
        for offset, want, what in expected:
            if frame[offset:offset + len(want)] != want:
                faults.append(f"frame {n}: no {what} at offset {offset}")
        data = frame[block + 173:-2]
        markers = {data[i + 1] for i in range(len(data) - 1) if data[i] == 0xFF and data[i + 1] != 0x00}
        if markers or (data and data[-1] == 0xFF):
            faults.append(f"frame {n}: markers {sorted(hex(m) for m in markers)} inside the entropy-coded data")
        if frame[-2:] != b"\xff\xd9":
            faults.append(f"frame {n}: does not end with EOI")
    return faults


# --- The checks -----------------------------------------------------------

def convert(cli, source, transform, out_dir):
    os.makedirs(out_dir, exist_ok=True)
    result = run([cli, "-q", "-t", transform, "-o", out_dir, source], check=False)
    if result.returncode != 0:
        raise Failure(f"kestrel-cli -t {transform} exited with {result.returncode}: "
                      f"{result.stderr.decode(errors='replace')}")
    return os.path.join(out_dir, os.path.basename(source))


def figures(cli, source, source_frames, ratios, work, label):
    """{case: ([Y, Cb, Cr] lowest PSNR, output path, transforms)}."""
    results = {}
    for transform in TRANSFORMS:
        output = convert(cli, source, transform, os.path.join(work, f"{label}-{transform}"))
        got, _ = read_planes(output)
        want = [expected_planes(planes, ratios, transform) for planes in source_frames]
        results[transform] = (lowest_psnr(got, want), output, (transform,))
    for first, second in PASSES:
        once = convert(cli, source, first, os.path.join(work, f"{label}-{first}-once"))
        twice = convert(cli, once, second, os.path.join(work, f"{label}-{first}-{second}"))
        got, _ = read_planes(twice)
        want = [expected_planes(planes, ratios) for planes in source_frames]
        results[f"{first} then {second}"] = (lowest_psnr(got, want), twice, (first, second))
    return results


def show(values):
    return " ".join(f"{name} {'inf' if math.isinf(v) else f'{v:5.1f}'}" for name, v in zip(("Y", "Cb", "Cr"), values))


def run_kind(cli, before, kind, work):
    need_tools("ffmpeg", "ffprobe")
    source = os.path.join(work, "source", f"{kind}.avi")
    os.makedirs(os.path.dirname(source))
    SOURCES[kind](source)
    width, height = SOURCES[kind].picture
    source_frames, ratios = read_planes(source)
    aligned = ratios == (2, 1) and width % 16 == 0 and height % 16 == 0
    print(f"{kind}: {width}x{height}, chroma 1/{ratios[0]} across and 1/{ratios[1]} down, "
          f"{FRAMES} frames compared, lowest PSNR per plane in dB")

    results = figures(cli, source, source_frames, ratios, work, "after")
    earlier = figures(before, source, source_frames, ratios, work, "before") if before else {}
    failed = False
    for case, (values, output, transforms) in results.items():
        two_pass = len(transforms) == 2
        if two_pass:
            minimum = TWO_PASS_PSNR if aligned and transforms == ("180", "180") else None
        else:
            minimum = EXACT_PSNR if aligned and case in ("mirror-x", "mirror-y", "180") else MIN_PSNR
        faults = [f"{name} {value:.1f} dB below {minimum} dB" for name, value in zip(("Y", "Cb", "Cr"), values)
                  if minimum is not None and value < minimum]
        swapped = transforms.count("cw") + transforms.count("acw") == 1
        faults += layout_faults(output, source, height if swapped else width, width if swapped else height) \
            if not two_pass else []
        line = f"  {case:13} {show(values)}"
        if case in earlier:
            line += f"   (before: {show(earlier[case][0])})"
        print(f"{line}  {'FAILED' if faults else 'ok'}")
        for fault in faults:
            print(f"    {kind} {case}: {fault}")
        failed = failed or bool(faults)
    return not failed


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("kind", nargs="?", choices=list(SOURCES))
    parser.add_argument("--cli", help="path of kestrel-cli")
    parser.add_argument("--before", help="another kestrel-cli whose figures are shown beside")
    parser.add_argument("--keep", help="work in this directory and keep the files")
    parser.add_argument("--list", action="store_true", help="list the kinds and exit")
    args = parser.parse_args()
    if args.list:
        print("\n".join(SOURCES))
        return 0
    if not args.kind or not args.cli:
        parser.error("KIND and --cli are required")
    before = args.before and os.path.abspath(args.before)
    return run_in_work_dir(args.kind, args.keep, lambda work: run_kind(os.path.abspath(args.cli), before, args.kind, work))


if __name__ == "__main__":
    sys.exit(main())
