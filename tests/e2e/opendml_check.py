#!/usr/bin/env python3
"""End-to-end tests of files past the RIFF size limit (OpenDML, AVI 2.0):
sources of several RIFFs ('AVI ' then 'AVIX') and outputs split into
several RIFFs.

usage: opendml_check.py --cli PATH/kestrel-cli --limit-convert PATH/kestrel_limit_convert KIND [--keep DIR]

Small-limit conversions go through kestrel_limit_convert (--riff-limit
BYTES -t TRANSFORM SOURCE DESTINATION), conversions with the default limit
through kestrel-cli. Kinds:
  opendml_camera_split      a camera-style file of one RIFF (40 frames, PCM
                            audio) split into at least 3 RIFFs
  opendml_camera_multiriff  a camera-style file of several RIFFs, converted
                            with the default limit (one RIFF out) and split
  opendml_ffmpeg_split      ffmpeg's file with audio, split
  opendml_gstreamer_split   GStreamer's file with audio, split
  opendml_ffmpeg_1gib       ffmpeg's 1920x1080 file past 1 GiB (ffmpeg writes
                            the AVIX itself) with PCM audio, converted by
                            kestrel-cli with the default limit (cw, 180)
Every output must have the source's frame count and size (exchanged for
cw/acw) for ffprobe, decode without an error in ffmpeg (-xerror), give
every frame through GStreamer's avidemux and jpegdec, carry the source's
audio packets and pass avi_check.py against the source; its RIFF count is
checked (one, or at least 3 for a split), and no RIFF holds more than the
limit besides the indexes that close it.
"""

import argparse
import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import avi_check  # noqa: E402
import run_e2e  # noqa: E402
from run_e2e import Failure, run  # noqa: E402

TRANSFORMS = list(run_e2e.REFERENCE_FILTERS)
CAMERA_FRAMES = 40
SPLIT_PARTS = 5  # the small limit: the source's size over this
MIN_SPLIT_RIFFS = 3
GIB = 1 << 30
DEFAULT_LIMIT = GIB


# --- Sources ----------------------------------------------------------------

def camera_source(path, riff_limit=None):
    """make_camera_avi.py: 160x120 4:2:2, 8-bit PCM, one RIFF or several."""
    work = os.path.dirname(path)
    frames, sound = os.path.join(work, "frames.mjpeg"), os.path.join(work, "audio.u8")
    run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", run_e2e.test_picture("160x120", 15),
         "-frames:v", str(CAMERA_FRAMES), "-c:v", "mjpeg", "-huffman", "default", "-q:v", "4",
         "-pix_fmt", "yuvj422p", "-f", "mjpeg", frames])
    run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=8000",
         "-t", str(CAMERA_FRAMES / 15), "-f", "u8", "-ac", "1", "-ar", "8000", sound])
    args = [sys.executable, os.path.join(HERE, "make_camera_avi.py"), frames, "--fps", "15",
            "--audio", sound, "--rate", "8000"]
    if riff_limit:
        args += ["--riff-limit", str(riff_limit)]
    run(args + [path])


def ffmpeg_1gib_source(path):
    """ffmpeg's own OpenDML file: large noisy 1080p frames at -q:v 1 (about
    2.5 MB each, so that few frames pass 1 GiB), 48 kHz stereo PCM."""
    frames, rate = 460, 25
    run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi",
         "-i", f"testsrc2=size=1920x1080:rate={rate},noise=alls=100:allf=t",
         "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000", "-frames:v", str(frames),
         "-c:v", "mjpeg", "-q:v", "1", "-pix_fmt", "yuvj422p", "-c:a", "pcm_s16le", "-ac", "2",
         "-t", str(frames / rate), path])


# Each kind: (source maker, whether the source has several RIFFs,
# conversions as (limit or None for kestrel-cli's default, transforms)).
KINDS = {
    "opendml_camera_split": (camera_source, False, [("small", TRANSFORMS)]),
    "opendml_camera_multiriff": (lambda path: camera_source(path, riff_limit=60000), True,
                                 [(None, TRANSFORMS), ("small", TRANSFORMS)]),
    "opendml_ffmpeg_split": (run_e2e.ffmpeg_source("160x120", "yuvj422p", audio=True), False,
                             [("small", TRANSFORMS)]),
    "opendml_gstreamer_split": (run_e2e.gstreamer_source(160, 120, audio=True), False, [("small", TRANSFORMS)]),
    "opendml_ffmpeg_1gib": (ffmpeg_1gib_source, True, [(None, ["cw", "180"])]),
}


# --- Checks -----------------------------------------------------------------

def gstreamer_frames(path):
    """Video frames that GStreamer's avidemux and jpegdec give for the file."""
    result = run(["gst-launch-1.0", "filesrc", f"location={path}", "!", "avidemux", "name=d", "d.video_0", "!",
                  "jpegdec", "!", "fakesink", "silent=false", "-v"], check=False)
    text = result.stdout.decode(errors="replace")
    if result.returncode != 0 or "ERROR" in text:
        raise Failure(f"GStreamer could not read {path} (exit {result.returncode}): "
                      f"{result.stderr.decode(errors='replace')[-500:]} {text[-500:]}")
    return sum(1 for line in text.splitlines() if "last-message = chain" in line)


def riff_faults(output, limit, expect_split):
    """The number of RIFFs, and the data of each within the limit."""
    riffs = avi_check.parse_riffs(avi_check.load(output), output)
    faults = []
    if expect_split and len(riffs) < MIN_SPLIT_RIFFS:
        faults.append(f"{len(riffs)} RIFFs with the limit {limit}, expected at least {MIN_SPLIT_RIFFS}")
    if not expect_split and limit == DEFAULT_LIMIT and os.path.getsize(output) <= limit and len(riffs) != 1:
        faults.append(f"{len(riffs)} RIFFs in a file of {os.path.getsize(output)} bytes, expected one")
    if os.path.getsize(output) > limit and len(riffs) < 2:
        faults.append(f"one RIFF of {os.path.getsize(output)} bytes, past the limit {limit}")
    for riff in riffs:
        movi = avi_check.find_movi(riff)
        closing = sum(c.end - c.offset for c in movi.children
                      if avi_check.is_opendml_index(c, movi)) + sum(c.end - c.offset for c in riff.children
                                                                    if c.id == b"idx1")
        if riff.end - riff.offset - closing > limit and len(movi.children) > 1:
            faults.append(f"{riff.path}: {riff.end - riff.offset} bytes ({closing} of them indexes) "
                          f"pass the limit {limit}")
    return faults, len(riffs)


def check_output(output, source, transform, expected, limit, expect_split):
    width, height, frames = expected["video"]
    if transform in avi_check.QUARTER_TURNS:
        width, height = height, width
    faults = []
    got = run_e2e.probe_video(output)
    if got != (width, height, frames):
        faults.append(f"ffprobe reads (width, height, video packets) = {got}, expected {(width, height, frames)}")
    decode = run(["ffmpeg", "-v", "error", "-xerror", "-i", output, "-f", "null", "-"], check=False)
    if decode.returncode != 0 or decode.stderr:
        faults.append(f"ffmpeg -xerror decode exited with {decode.returncode}: "
                      f"{decode.stderr.decode(errors='replace').strip()[:500]}")
    try:
        gst = gstreamer_frames(output)
        if gst != frames:
            faults.append(f"GStreamer decodes {gst} frames, expected {frames}")
    except Failure as failure:
        faults.append(str(failure))
    if expected["audio"] is not None and run_e2e.audio_packets(output) != expected["audio"]:
        faults.append("audio packets differ from the source's")
    riff, count = riff_faults(output, limit, expect_split)
    faults += riff
    faults += [f"structure: {fault}" for fault in avi_check.check(output, source, transform)]
    return faults, count


def convert(args, source, transform, limit, out_dir):
    os.makedirs(out_dir)
    output = os.path.join(out_dir, os.path.basename(source))
    if limit == DEFAULT_LIMIT:
        command = [args.cli, "-q", "-t", transform, "-o", out_dir, source]
    else:
        command = [args.limit_convert, "--riff-limit", str(limit), "-t", transform, source, output]
    result = run(command, check=False)
    if result.returncode != 0 or result.stdout or result.stderr:
        raise Failure(f"{' '.join(command)} exited with {result.returncode}: "
                      f"{(result.stdout + result.stderr).decode(errors='replace').strip()}")
    return output


def run_kind(args, kind, work):
    run_e2e.need_tools("ffmpeg", "ffprobe", "gst-launch-1.0")
    make, several_riffs, conversions = KINDS[kind]
    source_dir = os.path.join(work, "source")
    os.makedirs(source_dir)
    source = os.path.join(source_dir, f"{kind}.avi")
    make(source)
    source_riffs = len(avi_check.parse_riffs(avi_check.load(source), source))
    if (source_riffs > 1) != several_riffs:
        raise Failure(f"the source has {source_riffs} RIFFs")
    video = run_e2e.probe_video(source)
    audio = run_e2e.audio_packets(source) if run_e2e.has_audio(source) else None
    if not audio:
        raise Failure("the source has no audio packets")
    expected = {"video": video, "audio": audio}
    print(f"{kind}: {video[0]}x{video[1]}, {video[2]} frames, {len(audio)} audio packets, "
          f"{source_riffs} RIFFs, {os.path.getsize(source)} bytes")

    failed = False
    for limit_name, transforms in conversions:
        limit = DEFAULT_LIMIT if limit_name is None else os.path.getsize(source) // SPLIT_PARTS
        if limit_name == "small" and not args.limit_convert:
            raise Failure("--limit-convert is required for the small-limit conversions")
        for transform in transforms:
            out_dir = os.path.join(work, f"out-{limit}-{transform}")
            try:
                output = convert(args, source, transform, limit, out_dir)
                faults, count = check_output(output, source, transform, expected, limit, limit_name == "small")
            except (Failure, avi_check.CheckError) as error:
                faults, count = [str(error)], "?"
            print(f"  limit {limit:>10} {transform:9} {'FAILED' if faults else 'ok'}  ({count} RIFFs)")
            for fault in faults[:30]:
                print(f"    {kind} {transform}: {fault}")
            failed = failed or bool(faults)
            if not args.keep:
                shutil.rmtree(out_dir, ignore_errors=True)
    return not failed


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("kind", choices=list(KINDS))
    parser.add_argument("--cli", required=True, help="path of kestrel-cli")
    parser.add_argument("--limit-convert", help="path of kestrel_limit_convert")
    parser.add_argument("--keep", help="work in this directory and keep the files")
    args = parser.parse_args()
    args.cli = os.path.abspath(args.cli)
    args.limit_convert = args.limit_convert and os.path.abspath(args.limit_convert)
    return run_e2e.run_in_work_dir(args.kind, args.keep, lambda work: run_kind(args, args.kind, work),
                                   (Failure, avi_check.CheckError))


if __name__ == "__main__":
    sys.exit(main())
