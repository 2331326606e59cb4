#!/usr/bin/env python3
"""End-to-end tests of kestrel-cli on AVI files written by ffmpeg, GStreamer,
MEncoder and the camera-style writer next to this script (which also writes
the layouts of other writers: a byte-reversed handler with the video as
stream 1, a limited-range comment, a 62-byte AVI1 head, frames without a
head, MPEG audio in odd-sized chunks, empty frame chunks).

usage: run_e2e.py --cli PATH/kestrel-cli KIND [--keep DIR]
       run_e2e.py --list

KIND names one kind of source file (see SOURCES) or "cli" for the command
line's refusals and usage errors. For a source kind the file is made in a
temporary directory and converted with each of the five transforms; every
result must
  - have the right width and height (exchanged for cw/acw) and as many video
    packets as the source (ffprobe -count_packets),
  - show the source's colour range (ffprobe's color_range, and yuv rather
    than yuvj pixel formats for limited range),
  - decode without a single error (ffmpeg -xerror),
  - match ffmpeg's own transform of the decoded source at a luma PSNR of at
    least MIN_PSNR dB in every frame,
  - carry audio packets identical to the source's,
  - pass the structural check of avi_check.py against the source.
Exits 1 naming every failed check; ffmpeg, ffprobe, gst-launch-1.0 and
mencoder are required and their absence is a failure.
"""

import argparse
import hashlib
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import avi_check  # noqa: E402

MIN_PSNR = 30.0
FRAMES = 10

# ffmpeg's filter for each transform, applied to the decoded source.
REFERENCE_FILTERS = {
    "cw": "transpose=clock",
    "acw": "transpose=cclock",
    "180": "hflip,vflip",
    "mirror-x": "hflip",
    "mirror-y": "vflip",
}

# The other pictures of the same size that a wrong transform could give.
WRONG_FILTERS = {
    "cw": ["transpose=cclock", "transpose=cclock_flip", "transpose=clock_flip"],
    "acw": ["transpose=clock", "transpose=cclock_flip", "transpose=clock_flip"],
    "180": ["null", "hflip", "vflip"],
    "mirror-x": ["null", "vflip", "hflip,vflip"],
    "mirror-y": ["null", "hflip", "hflip,vflip"],
}


class Failure(Exception):
    pass


def run(args, check=True, **kwargs):
    result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kwargs)
    if check and result.returncode != 0:
        raise Failure(f"{' '.join(args)} exited with {result.returncode}:\n"
                      f"{result.stderr.decode(errors='replace')}")
    return result


def need_tools(*tools):
    missing = [tool for tool in tools if shutil.which(tool) is None]
    if missing:
        raise Failure(f"required tools missing: {', '.join(missing)} (scripts/setup-deps test installs them)")


# --- Source files ---------------------------------------------------------

def picture_of(make, width, height, frames=FRAMES):
    """Records the picture size and the video packets that the maker's file
    must have (empty frame chunks are no packets)."""
    make.picture = (width, height)
    make.frames = frames
    return make


def test_picture(size, rate):
    """ffmpeg's moving test picture; generated in 4:4:4 so that odd sizes
    are not rounded down to the chroma grid of the encoder's format."""
    return f"testsrc2=size={size}:rate={rate},format=yuv444p"


def ffmpeg_source(size, pix_fmt, audio=False):
    """An MJPEG AVI written by ffmpeg's own muxer, FRAMES frames at 10/s."""
    def make(path):
        args = ["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", test_picture(size, 10)]
        if audio:
            args += ["-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100"]
        args += ["-frames:v", str(FRAMES), "-c:v", "mjpeg", "-pix_fmt", pix_fmt, "-q:v", "3"]
        if audio:
            args += ["-c:a", "pcm_s16le", "-ac", "2", "-t", str(FRAMES / 10)]
        run(args + [path])
    return picture_of(make, *map(int, size.split("x")))


def gstreamer_source(width, height, audio=False):
    """An AVI from GStreamer's avimux: its JPEG frames are '00db' chunks."""
    def make(path):
        need_tools("gst-launch-1.0")
        video = ["videotestsrc", f"num-buffers={FRAMES}", "!",
                 f"video/x-raw,width={width},height={height},framerate=10/1", "!", "jpegenc", "!"]
        if audio:
            pipeline = video + ["mux.", "audiotestsrc", f"num-buffers={FRAMES}", "samplesperbuffer=2205", "!",
                                "audio/x-raw,rate=22050,channels=1,format=S16LE", "!", "mux.",
                                "avimux", "name=mux", "!", "filesink", f"location={path}"]
        else:
            pipeline = video + ["avimux", "!", "filesink", f"location={path}"]
        run(["gst-launch-1.0", "-q"] + pipeline)
    return picture_of(make, width, height)


def camera_source(size, pix_fmt, audio=False, mpeg_audio=False, layout=(), empty_every=0):
    """A camera-style AVI: AVI1 frames without Huffman tables, LIST INFO,
    JUNK, 01wb audio chunks of odd sizes at 15 frames/s, idx1; `layout`
    passes make_camera_avi.py's options for other writers' layouts. A
    yuv (not yuvj) pix_fmt codes limited-range samples."""
    def make(path):
        work = os.path.dirname(path)
        frames = os.path.join(work, "frames.mjpeg")
        run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", test_picture(size, 15),
             "-frames:v", str(FRAMES), "-c:v", "mjpeg", "-huffman", "default", "-q:v", "4",
             "-pix_fmt", pix_fmt, "-color_range", "pc" if pix_fmt.startswith("yuvj") else "tv",
             "-f", "mjpeg", frames])
        args = [sys.executable, os.path.join(HERE, "make_camera_avi.py"), frames, "--fps", "15", *layout]
        if empty_every:
            args += ["--empty-every", str(empty_every)]
        if audio:
            sound = os.path.join(work, "audio.u8")
            run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=8000",
                 "-t", str(FRAMES / 15), "-f", "u8", "-ac", "1", "-ar", "8000", sound])
            args += ["--audio", sound, "--rate", "8000"]
        if mpeg_audio:
            # MPEG-1 layer II at 96 kbit/s, 44.1 kHz: frames of 313 and 314 bytes.
            sound = os.path.join(work, "audio.mp2")
            run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100",
                 "-t", str(FRAMES / 15), "-c:a", "mp2", "-b:a", "96k", "-ac", "1", "-f", "mp2", sound])
            args += ["--mpeg-audio", sound]
        run(args + [path])
    empty = FRAMES // empty_every if empty_every else 0
    return picture_of(make, *map(int, size.split("x")), frames=FRAMES - empty)


def mencoder_source(width, height):
    """MEncoder's default AVI output with lavc's Motion-JPEG and PCM audio:
    a 68-byte video 'strf', frames headed by a 20-byte COM and carrying the
    limited-range comment "CS=ITU601"."""
    def make(path):
        need_tools("mencoder")
        work = os.path.dirname(path)
        raw = os.path.join(work, "raw.avi")
        run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", test_picture(f"{width}x{height}", 10),
             "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=22050", "-frames:v", str(FRAMES),
             "-t", str(FRAMES / 10), "-pix_fmt", "yuv420p", "-c:v", "rawvideo", "-c:a", "pcm_s16le", "-ac", "1", raw])
        run(["mencoder", raw, "-really-quiet", "-ovc", "lavc", "-lavcopts", "vcodec=mjpeg", "-oac", "pcm",
             "-o", path], stdin=subprocess.DEVNULL)
        os.remove(raw)
    return picture_of(make, width, height)


def opendml_source(size):
    """An ffmpeg MJPEG AVI with PCM audio given an OpenDML index, as ffmpeg
    writes it for files beyond 1 GiB: the space it reserves in each stream
    list becomes an 'indx' super index pointing at one standard index per
    stream, 'ix00' and 'ix01', at the end of 'movi'. The idx1 stays."""
    make_ffmpeg = ffmpeg_source(size, "yuvj420p", audio=True)

    def make(path):
        make_ffmpeg(path)
        add_opendml_index(path)
    return picture_of(make, *map(int, size.split("x")))


def add_opendml_index(path):
    data = bytearray(open(path, "rb").read())
    riff = avi_check.parse_file(bytes(data), path)
    hdrl = next(c for c in riff.children if c.is_list(b"hdrl"))
    movi = next(c for c in riff.children if c.is_list(b"movi"))
    strls = [c for c in hdrl.children if c.is_list(b"strl")]
    reserved = [next(c for c in strl.children if c.id == b"JUNK") for strl in strls]

    # Standard indexes: entries hold the data offset from qwBaseOffset and the size.
    base = movi.offset + avi_check.CHUNK_HEADER
    indexes, ix_offset = [], movi.end
    for stream in range(len(strls)):
        chunks = [c for c in movi.children if c.id[:2] == b"%02d" % stream and avi_check.is_stream_data(c)]
        body = struct.pack("<HBBI4sQI", 2, 0, 1, len(chunks), chunks[0].id, base, 0)
        body += b"".join(struct.pack("<II", c.offset + avi_check.CHUNK_HEADER - base, c.size) for c in chunks)
        ix = b"ix%02d" % stream + struct.pack("<I", len(body)) + body
        indexes.append((ix_offset, ix, chunks))
        ix_offset += len(ix)

    # Super indexes in the reserved space: one entry (offset, size, duration).
    for (offset, ix, chunks), junk in zip(indexes, reserved):
        duration = len(chunks) if chunks[0].id.endswith(b"dc") else sum(c.size for c in chunks) // 4
        body = struct.pack("<HBBI4s12x", 4, 0, 0, 1, chunks[0].id) + struct.pack("<QII", offset, len(ix), duration)
        assert len(body) <= junk.size
        data[junk.offset:junk.offset + 4] = b"indx"
        start = junk.offset + avi_check.CHUNK_HEADER
        data[start:start + len(body)] = body

    added = b"".join(ix for _, ix, _ in indexes)
    data[movi.end:movi.end] = added
    struct.pack_into("<I", data, movi.offset + 4, movi.size + len(added))
    struct.pack_into("<I", data, 4, riff.size + len(added))
    open(path, "wb").write(data)


SOURCES = {
    "ffmpeg_420_176x144": ffmpeg_source("176x144", "yuvj420p"),
    "ffmpeg_422_200x120": ffmpeg_source("200x120", "yuvj422p"),
    "ffmpeg_420_odd_97x73": ffmpeg_source("97x73", "yuvj420p"),
    "ffmpeg_422_odd_75x51": ffmpeg_source("75x51", "yuvj422p"),
    "ffmpeg_422_pcm_audio": ffmpeg_source("160x120", "yuvj422p", audio=True),
    "ffmpeg_opendml_index": opendml_source("144x112"),
    "gstreamer_db_130x94": gstreamer_source(130, 94),
    "gstreamer_db_audio": gstreamer_source(160, 120, audio=True),
    "camera_422_audio": camera_source("160x120", "yuvj422p", audio=True),
    "camera_420_136x88": camera_source("136x88", "yuvj420p"),
    "mencoder_322x242_pcm": mencoder_source(322, 242),
    # VLC's layout: handler "GPJM", the video behind the audio as stream 1,
    # limited range marked by a COM behind the head, MPEG audio.
    "vlc_style_gpjm_limited_mp2": camera_source(
        "176x144", "yuv420p", mpeg_audio=True,
        layout=("--handler", "GPJM", "--video-second", "--comment", "CS=ITU601")),
    "camera_avi1_62_empty_frames": camera_source("136x88", "yuvj422p", audio=True, layout=("--head", "avi1-62"),
                                                 empty_every=4),
    "camera_soi_dqt_120x90": camera_source("120x90", "yuvj420p", layout=("--head", "none")),
}


# --- Checks on one converted file ----------------------------------------

def probe_video(path):
    """(width, height, packets) of the first video stream."""
    result = run(["ffprobe", "-v", "error", "-count_packets", "-select_streams", "v:0",
                  "-show_entries", "stream=width,height,nb_read_packets", "-of", "json", path])
    streams = json.loads(result.stdout)["streams"]
    if len(streams) != 1:
        raise Failure(f"ffprobe finds {len(streams)} video streams in {path}")
    stream = streams[0]
    return int(stream["width"]), int(stream["height"]), int(stream["nb_read_packets"])


def colour_range(path):
    """(color_range, pix_fmt) of the first video stream as ffmpeg decodes it."""
    result = run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                  "stream=color_range,pix_fmt", "-of", "json", path])
    stream = json.loads(result.stdout)["streams"][0]
    return stream.get("color_range", "unknown"), stream.get("pix_fmt", "")


def same_range(output, source):
    """The output shows the source's range: the same color_range, and a
    yuvj pixel format exactly when the source has one (the output's chroma
    layout is always 4:2:2)."""
    return output[0] == source[0] and output[1].startswith("yuvj") == source[1].startswith("yuvj")


def has_audio(path):
    result = run(["ffprobe", "-v", "error", "-select_streams", "a", "-show_entries", "stream=index",
                  "-of", "csv=p=0", path])
    return bool(result.stdout.strip())


def audio_packets(path):
    """Per-packet checksums of the audio streams, as ffmpeg demuxes them."""
    result = run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-c", "copy", "-f", "framemd5", "-"])
    return [line for line in result.stdout.decode().splitlines() if line and not line.startswith("#")]


def parse_psnr_stats(text):
    """Per-frame luma PSNR values from the psnr filter's stats file.

    Each line reads like "n:1 mse_avg:0.53 mse_y:0.53 psnr_avg:50.89
    psnr_y:50.89"; identical pictures give "inf"."""
    values = []
    for line in text.splitlines():
        fields = dict(item.split(":", 1) for item in line.split() if ":" in item)
        if "psnr_y" in fields:
            values.append(float(fields["psnr_y"]))
    return values


def luma_psnr(output, source, filters, work):
    """Per-frame PSNR of the output's luma against each of ffmpeg's filters
    applied to the source's luma; one list of values per filter."""
    count = len(filters)
    graph = [f"[0:v]setpts=PTS-STARTPTS,extractplanes=y,split={count}" + "".join(f"[o{i}]" for i in range(count)),
             f"[1:v]setpts=PTS-STARTPTS,extractplanes=y,split={count}" + "".join(f"[s{i}]" for i in range(count))]
    stats = [os.path.join(work, f"psnr-{i}.log") for i in range(count)]
    for i, (name, log) in enumerate(zip(filters, stats)):
        graph.append(f"[s{i}]{name}[r{i}];[o{i}][r{i}]psnr=stats_file='{log}'")
    run(["ffmpeg", "-v", "error", "-i", output, "-i", source, "-lavfi", ";".join(graph), "-f", "null", "-"])
    values = []
    for log in stats:
        with open(log) as f:
            values.append(parse_psnr_stats(f.read()))
        os.remove(log)
    return values


def check_conversion(cli, source, transform, expected, work):
    """Converts source with one transform and returns the faults found."""
    out_dir = os.path.join(work, f"out-{transform}")
    os.makedirs(out_dir)
    output = os.path.join(out_dir, os.path.basename(source))
    result = run([cli, "-q", "-t", transform, "-o", out_dir, source], check=False)
    if result.returncode != 0:
        return [f"kestrel-cli exited with {result.returncode}: {result.stderr.decode(errors='replace')}"]
    faults = []
    if result.stdout or result.stderr:
        faults.append(f"kestrel-cli -q printed {result.stdout!r} {result.stderr!r}")

    width, height, packets = expected["video"]
    if transform in ("cw", "acw"):
        width, height = height, width
    got = probe_video(output)
    if got != (width, height, packets):
        faults.append(f"ffprobe reads (width, height, video packets) = {got}, expected {(width, height, packets)}")

    colour = colour_range(output)
    if not same_range(colour, expected["colour"]) or not colour[1].endswith("422p"):
        faults.append(f"ffprobe reads (color_range, pix_fmt) = {colour}, the source has {expected['colour']}")

    decode = run(["ffmpeg", "-v", "error", "-xerror", "-i", output, "-f", "null", "-"], check=False)
    if decode.returncode != 0 or decode.stdout or decode.stderr:
        faults.append(f"ffmpeg -xerror decode exited with {decode.returncode}: "
                      f"{decode.stderr.decode(errors='replace').strip()}")

    psnr, *others = luma_psnr(output, source, [REFERENCE_FILTERS[transform]] + WRONG_FILTERS[transform], work)
    if len(psnr) != packets:
        faults.append(f"PSNR compared {len(psnr)} frames, expected {packets}")
    low = [(frame, value) for frame, value in enumerate(psnr) if value < MIN_PSNR]
    if low:
        faults.append(f"luma PSNR against ffmpeg's {REFERENCE_FILTERS[transform]} below {MIN_PSNR} dB "
                      f"in frames (frame, dB) {low}")
    expected["psnr"][transform] = min(psnr) if psnr else None
    # The picture must tell the transforms apart: the output may not also
    # pass for one of the others of the same output size.
    for wrong, values in zip(WRONG_FILTERS[transform], others):
        if values and min(values) >= MIN_PSNR:
            faults.append(f"output also matches ffmpeg's {wrong} (lowest luma PSNR {min(values):.2f} dB): "
                          "the test picture cannot tell the transforms apart")

    if expected["audio"] is not None and audio_packets(output) != expected["audio"]:
        faults.append("audio packets differ from the source's")

    faults += [f"structure: {fault}" for fault in avi_check.check(output, source, transform)]
    return faults


def run_source_kind(cli, kind, work):
    need_tools("ffmpeg", "ffprobe")
    source_dir = os.path.join(work, "source")
    os.makedirs(source_dir)
    source = os.path.join(source_dir, f"{kind}.avi")
    SOURCES[kind](source)

    video = probe_video(source)
    if video != SOURCES[kind].picture + (SOURCES[kind].frames,):
        raise Failure(f"the source has (width, height, video packets) {video}, "
                      f"expected {SOURCES[kind].picture + (SOURCES[kind].frames,)}")
    audio = audio_packets(source) if has_audio(source) else None
    if ("audio" in kind or "pcm" in kind or "mp2" in kind) and not audio:
        raise Failure("the source has no audio packets")
    colour = colour_range(source)
    expected = {"video": video, "audio": audio, "psnr": {}, "colour": colour}
    print(f"{kind}: {video[0]}x{video[1]}, {video[2]} frames, "
          f"{len(audio) if audio else 0} audio packets, colour range {colour[0]} ({colour[1]})")

    failed = False
    for transform in REFERENCE_FILTERS:
        faults = check_conversion(cli, source, transform, expected, work)
        low = expected["psnr"].get(transform)
        status = "FAILED" if faults else "ok"
        print(f"  {transform:9} {status}  (lowest luma PSNR {low if low is None else f'{low:.2f}'} dB)")
        for fault in faults:
            print(f"    {kind} {transform}: {fault}")
        failed = failed or bool(faults)
    return not failed


# --- Command line behaviour -----------------------------------------------

def run_cli_kind(cli, work):
    need_tools("ffmpeg")
    faults = []

    def expect(args, status, stderr=None, stdout=None, what=""):
        result = run([cli] + args, check=False)
        err = result.stderr.decode(errors="replace")
        if result.returncode != status:
            faults.append(f"{what}: exit status {result.returncode}, expected {status} (stderr {err!r})")
        if stderr is not None and err != stderr:
            faults.append(f"{what}: stderr {err!r}, expected {stderr!r}")
        if stdout is not None and result.stdout.decode(errors="replace") != stdout:
            faults.append(f"{what}: stdout {result.stdout!r}, expected {stdout!r}")
        return result

    source_dir = os.path.join(work, "source")
    out_dir = os.path.join(work, "out")
    os.makedirs(source_dir)
    os.makedirs(out_dir)

    mjpeg = os.path.join(source_dir, "clip.avi")
    ffmpeg_source("64x48", "yuvj420p")(mjpeg)
    mpeg4 = os.path.join(source_dir, "mpeg4.avi")
    run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=64x48:rate=10",
         "-frames:v", "3", "-c:v", "mpeg4", mpeg4])
    handler = open(mpeg4, "rb").read().split(b"strh", 1)[1][8:12].decode()  # the video strh's fccHandler
    wave = os.path.join(source_dir, "tone.avi")
    run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=sample_rate=8000", "-t", "0.1",
         "-f", "wav", wave])
    text = os.path.join(source_dir, "notes.avi")
    with open(text, "w") as f:
        f.write("RIFX is not RIFF\n")
    missing = os.path.join(source_dir, "missing.avi")
    # A LIST INFO of 16 bytes whose ISFT child claims 20: the JUNK chunk
    # behind it must not be swallowed.
    overrun = os.path.join(source_dir, "overrun.avi")
    info = b"LIST" + struct.pack("<I", 16) + b"INFO" + b"ISFT" + struct.pack("<I", 20) + b"kestrel!"
    body = b"AVI " + info + b"JUNK" + struct.pack("<I", 8) + bytes(8)
    with open(overrun, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)

    # Each message on one line, after the program's name.
    expect(["-o", out_dir, mpeg4], 1,
           f"kestrel-cli: Video stream in {mpeg4} is not a motion JPEG(MJPG) stream (header FCC code is {handler})\n",
           what=f"MPEG-4 AVI (handler {handler})")
    expect(["-o", out_dir, wave], 1, f"kestrel-cli: {wave} is not an AVI file (FCC code is 'WAVE')\n",
           what="WAVE file")
    expect(["-o", out_dir, text], 1, f"kestrel-cli: {text} is not a RIFF file (code is 'RIFX')\n", what="text file")
    expect(["-o", out_dir, missing], 1,
           f"kestrel-cli: Couldn't open file {missing} for reading: No such file or directory\n",
           what="missing source")
    expect(["-o", out_dir, overrun], 1,
           f"kestrel-cli: {overrun} is malformed: chunk 'ISFT' at offset 24 runs past the end of its list 'INFO'\n",
           what="child running past the end of its list")

    # The source's own directory as output: refused, the source untouched.
    before = hashlib.sha256(open(mjpeg, "rb").read()).hexdigest()
    same = ("kestrel-cli: Source and destination files are the same: {}; write it elsewhere with -o DIR, "
            "replace it with --in-place, or name the converted file NAME+TEXT.avi with --suffix TEXT\n")
    expect(["-o", source_dir, mjpeg], 1, same.format(mjpeg), what="-o the source's directory")
    expect(["-o", source_dir + "/.", mjpeg], 1, same.format(mjpeg), what="-o the source's directory as DIR/.")
    if hashlib.sha256(open(mjpeg, "rb").read()).hexdigest() != before:
        faults.append("the source changed after being refused as its own destination")

    # Usage errors convert nothing.
    untouched = os.path.join(work, "untouched")
    os.makedirs(untouched)
    expect([], 2, what="no FILE")
    expect(["-t", "5", "-o", untouched, mjpeg], 2, what="unknown transform")
    expect(["--frobnicate", "-o", untouched, mjpeg], 2, what="unknown option")
    expect(["-o"], 2, what="-o without DIR")
    if os.listdir(untouched):
        faults.append(f"usage errors wrote {os.listdir(untouched)}")

    # Success: quiet prints nothing; the summary names the frames otherwise.
    expect(["-q", "-t", "mirror-y", "-o", out_dir, mjpeg], 0, "", "", what="-q on success")
    destination = os.path.join(out_dir, "clip.avi")
    result = expect(["-t", "mirror-x", "-o", out_dir, mjpeg], 0, "", what="summary on success")
    if f"({FRAMES} frames)" not in result.stdout.decode(errors="replace"):
        faults.append(f"summary {result.stdout!r} does not name {FRAMES} frames")
    faults += [f"structure: {fault}" for fault in avi_check.check(destination, mjpeg, "mirror-x")]

    # Frames the JPEG library decodes around damage in (a scan cut short by
    # EOI): one warning line naming the first frame and the count; -q
    # silences it.
    damaged = os.path.join(source_dir, "damaged.avi")
    data = bytearray(open(mjpeg, "rb").read())
    riff = avi_check.parse_file(bytes(data), mjpeg)
    frames = [c for c, _ in avi_check.walk(avi_check.find_movi(riff)) if c.id == b"00dc"]
    for frame in (frames[2], frames[4]):
        sos = frame.payload.index(b"\xff\xda")
        middle = frame.offset + avi_check.CHUNK_HEADER + (sos + frame.size) // 2
        data[middle:middle + 2] = b"\xff\xd9"
    open(damaged, "wb").write(data)
    expect(["-t", "cw", "-o", out_dir, damaged], 0,
           f"warning: {damaged}: frame 3: Corrupt JPEG data: premature end of data segment (and 1 more frame)\n",
           what="warnings of damaged frames")
    expect(["-q", "-t", "cw", "-o", out_dir, damaged], 0, "", "", what="-q with warnings")

    # A refused file ends the run: the files after it are not converted.
    later = os.path.join(work, "later")
    os.makedirs(later)
    expect(["-q", "-o", later, mpeg4, mjpeg], 1, what="refused file first")
    if os.path.exists(os.path.join(later, "clip.avi")):
        faults.append("a file after a refused one was converted")

    for fault in faults:
        print(f"  cli: {fault}")
    print(f"cli: {'FAILED' if faults else 'ok'}")
    return not faults


def run_safe_outputs_kind(cli, work):
    """A good out/clip.avi stays byte for byte through every way a later
    conversion of another clip.avi can fail, and no temporary file stays."""
    import resource
    import signal
    import time
    need_tools("ffmpeg")
    faults = []
    out = os.path.join(work, "out")
    os.makedirs(os.path.join(work, "good"))
    os.makedirs(os.path.join(work, "bad"))
    good = os.path.join(work, "good", "clip.avi")
    ffmpeg_source("64x48", "yuvj422p")(good)
    result = run([cli, "-q", "-o", out, good], check=False)  # -o names a folder that does not exist yet
    if result.returncode != 0 or not os.path.isfile(os.path.join(out, "clip.avi")):
        raise Failure(f"the missing output folder was not created: {result.stderr!r}")
    kept = open(os.path.join(out, "clip.avi"), "rb").read()

    def check_left_alone(what):
        if open(os.path.join(out, "clip.avi"), "rb").read() != kept:
            faults.append(f"{what}: out/clip.avi changed")
        if sorted(os.listdir(out)) != ["clip.avi"]:
            faults.append(f"{what}: out/ holds {sorted(os.listdir(out))}")

    def expect_failure(args, status, message, what, **kwargs):
        result = run([cli] + args, check=False, **kwargs)
        err = result.stderr.decode(errors="replace")
        if result.returncode != status:
            faults.append(f"{what}: exit status {result.returncode}, expected {status} ({err!r})")
        if message not in err:
            faults.append(f"{what}: stderr {err!r} does not say {message!r}")
        check_left_alone(what)

    bad = os.path.join(work, "bad", "clip.avi")
    expect_failure(["-o", out, bad], 1, "No such file or directory", "missing source")

    data = bytearray(open(good, "rb").read())
    frame = data.index(b"00dc", data.index(b"movi"))
    data[frame + 8:frame + 40] = bytes(32)  # the first frame's head and tables gone
    open(bad, "wb").write(data)
    expect_failure(["-o", out, bad], 1, "is damaged: video frame 1", "damaged source")
    if open(bad, "rb").read() != data:
        faults.append("the damaged source changed")

    ffmpeg_source("256x192", "yuvj422p")(bad)

    def small_files():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (16384, 16384))
    expect_failure(["-o", out, bad], 1, "Error writing file " + os.path.join(out, "clip.avi") + ": File too large",
                   "write failure (the file system refuses to grow the file)", preexec_fn=small_files)

    # Two sources of one name: refused before anything is written.
    expect_failure(["-o", out, bad, good], 1, f"{bad} and {good} would both be written to", "name clash")
    expect_failure(["-o", "", good], 1, "No output directory is given", "empty output directory")

    # SIGINT and SIGTERM in the middle of a file stop it at the next chunk.
    run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", test_picture("1280x720", 25), "-frames:v", "150",
         "-c:v", "mjpeg", "-q:v", "2", "-pix_fmt", "yuvj422p", bad])
    for sig, status in ((signal.SIGINT, 130), (signal.SIGTERM, 143)):
        process = subprocess.Popen([cli, "-q", "-o", out, bad], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline and not any(n.startswith(".clip.avi.") for n in os.listdir(out)):
            time.sleep(0.01)
        time.sleep(0.3)
        process.send_signal(sig)
        _, err = process.communicate(timeout=120)
        if process.returncode != status:
            faults.append(f"signal {sig}: exit status {process.returncode}, expected {status} ({err!r})")
        check_left_alone(f"signal {sig}")

    # In place, a stop leaves the source as it was, alone in its folder.
    source_bytes = open(bad, "rb").read()
    process = subprocess.Popen([cli, "-q", "-i", bad], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline and len(os.listdir(os.path.dirname(bad))) < 2:
        time.sleep(0.01)
    time.sleep(0.3)
    process.send_signal(signal.SIGINT)
    _, err = process.communicate(timeout=120)
    if process.returncode != 130:
        faults.append(f"-i stopped by SIGINT: exit status {process.returncode}, expected 130 ({err!r})")
    if open(bad, "rb").read() != source_bytes or os.listdir(os.path.dirname(bad)) != ["clip.avi"]:
        faults.append(f"-i stopped by SIGINT: the source changed or {os.listdir(os.path.dirname(bad))} is left")

    for fault in faults:
        print(f"  safe_outputs: {fault}")
    print(f"safe_outputs: {'FAILED' if faults else 'ok'}")
    return not faults


def run_in_work_dir(kind, keep, check, errors=(Failure,)):
    """Runs check(work) in a fresh work directory (KEEP, kept, or a
    temporary one, removed); returns the exit status. A raised `errors`
    is a failed check, printed with the kind."""
    work = keep or tempfile.mkdtemp(prefix=f"kestrel-e2e-{kind}-")
    if keep:
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(work)
    try:
        ok = check(work)
    except errors as failure:
        print(f"{kind}: {failure}")
        ok = False
    finally:
        if not keep:
            shutil.rmtree(work, ignore_errors=True)
    return 0 if ok else 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("kind", nargs="?", choices=list(SOURCES) + ["cli", "safe_outputs"])
    parser.add_argument("--cli", help="path of kestrel-cli")
    parser.add_argument("--keep", help="work in this directory and keep the files")
    parser.add_argument("--list", action="store_true", help="list the kinds and exit")
    args = parser.parse_args()
    if args.list:
        print("\n".join(list(SOURCES) + ["cli", "safe_outputs"]))
        return 0
    if not args.kind or not args.cli:
        parser.error("KIND and --cli are required")
    cli = os.path.abspath(args.cli)

    def check(work):
        if args.kind == "cli":
            return run_cli_kind(cli, work)
        if args.kind == "safe_outputs":
            return run_safe_outputs_kind(cli, work)
        return run_source_kind(cli, args.kind, work)

    return run_in_work_dir(args.kind, args.keep, check)


if __name__ == "__main__":
    sys.exit(main())
