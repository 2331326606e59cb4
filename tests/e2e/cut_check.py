#!/usr/bin/env python3
"""End-to-end test of recordings cut short: files of three writers (ffmpeg
with PCM audio, GStreamer with audio, the camera-style writer's OpenDML
layout over several RIFFs) cut at ten offsets each, found by parsing the
file, and in three further shapes: never finalized (the last RIFF's and its
movi's sizes 0, no index, frame counts 0), cut on a chunk boundary and
followed by zero bytes, and a last chunk lacking only its pad byte.

usage: cut_check.py --cli PATH/kestrel-cli [--keep DIR]

Every file must convert (exit status 0) with one warning line naming the
cut exactly (no line for a whole file or a missing pad byte); the output
holds the whole frames and audio chunks before the cut and no others, at
least the frames ffmpeg reads from the file less the cut one, the source's
audio packets as ffmpeg demuxes the cut file, and passes avi_check.py
against the whole source (cut=True); a second transform with -q prints
nothing and gives the same frames. Overruns elsewhere stay refused with
their messages. Prints a table of the results.
"""

import argparse
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import avi_check  # noqa: E402
import opendml_check  # noqa: E402
import run_e2e  # noqa: E402
from run_e2e import Failure, run  # noqa: E402

HEADER = avi_check.CHUNK_HEADER
ZERO_TAIL = 4096
SECOND_TRANSFORM = "180"

WRITERS = {
    "ffmpeg": run_e2e.ffmpeg_source("160x120", "yuvj422p", audio=True),
    "gstreamer": run_e2e.gstreamer_source(160, 120, audio=True),
    "camera-odml": lambda path: opendml_check.camera_source(path, riff_limit=60000),
}


def data_end(chunk):
    return chunk.offset + HEADER + chunk.size


def middle(chunk):
    return chunk.offset + HEADER + chunk.size // 2


class Layout:
    """The chunks of a whole source file that the cuts are placed by."""

    def __init__(self, data, label):
        self.data = data
        self.riffs = avi_check.parse_riffs(data, label)
        _, strls = avi_check.stream_lists(self.riffs[0])
        self.video = avi_check.video_stream_number(strls)
        self.leaves = [c for c, _ in avi_check.movi_leaves(self.riffs)]
        self.frames = [c for c in self.leaves if avi_check.is_video_chunk(c, self.video)]
        self.audio = [c for c in self.leaves if avi_check.is_stream_data(c) and c.id[2:] == b"wb"]
        self.idx1 = next((c for c in self.riffs[0].children if c.id == b"idx1"), None)
        self.first_in_movi = {riff_movi.children[0].offset for riff in self.riffs
                              for riff_movi in riff.children if riff_movi.is_list(b"movi")}

    def whole_before(self, end):
        """(frames, audio chunks) whose data lies wholly before end."""
        return (sum(data_end(c) <= end for c in self.frames), sum(data_end(c) <= end for c in self.audio))

    def boundary(self):
        """The start of a frame in the middle of a movi list, behind another chunk."""
        return next(c.offset for c in self.frames[len(self.frames) // 2 + 1:] if c.offset not in self.first_in_movi)


def cuts(layout):
    """(label, offset, the chunk cut or None) for ten cuts of the file."""
    f, a = layout.frames, layout.audio
    n = len(f)
    yield "inside a frame", middle(f[n // 2]), f[n // 2]
    yield "inside the second frame", middle(f[1]), f[1]
    yield "inside the last frame", middle(f[-1]), f[-1]
    yield "a frame's last byte missing", data_end(f[n // 4]) - 1, f[n // 4]
    yield "inside the last chunk's header", f[n // 3].offset + 6, f[n // 3]
    yield "inside an audio chunk", middle(a[len(a) // 2]), a[len(a) // 2]
    yield "on a chunk boundary", layout.boundary(), None
    yield "inside idx1", middle(layout.idx1) + 4, layout.idx1
    if len(layout.riffs) > 1:
        yield "inside the second RIFF's header", layout.riffs[1].offset + 10, layout.riffs[1]
        ix = next(c for c in layout.leaves if c.id.startswith(b"ix"))
        yield f"inside an '{ix.id.decode()}' index", middle(ix), ix
    else:
        yield "where idx1 would begin", layout.idx1.offset, None
        yield "inside idx1's header", layout.idx1.offset + 4, layout.idx1


def frames_text(count):
    return f"{count} frame" if count == 1 else f"{count} frames"


def cut_warning(layout, name, size, cut_chunk):
    frames, _ = layout.whole_before(size)
    text = f"warning: {name}: recording cut short at byte {size}: {frames_text(frames)} converted"
    if cut_chunk is None:
        return text
    what = (f"part of frame {frames + 1}" if avi_check.is_video_chunk(cut_chunk, layout.video)
            else f"part of a '{cut_chunk.id.decode('latin-1')}' chunk")
    return text + f", the last {size - cut_chunk.offset:,} bytes ({what}) dropped"


def shapes(layout, name):
    """(label, file bytes, end of the kept data, expected stderr) per file."""
    data = layout.data
    yield "whole file", data, len(data), ""
    for label, offset, chunk in cuts(layout):
        yield label, data[:offset], offset, cut_warning(layout, name, offset, chunk) + "\n"

    # Never finalized: the last RIFF and its movi declare size 0, no index
    # (idx1 or standard indexes) behind the data, the frame counts 0.
    last = layout.riffs[-1]
    movi = avi_check.find_movi(last)
    end = next((c.offset for c in movi.children if avi_check.is_opendml_index(c, movi)), movi.end)
    unfinished = bytearray(data[:end])
    struct.pack_into("<I", unfinished, last.offset + 4, 0)
    struct.pack_into("<I", unfinished, movi.offset + 4, 0)
    for chunk, _ in avi_check.walk(layout.riffs[0]):
        if chunk.id == b"avih":
            struct.pack_into("<I", unfinished, chunk.offset + HEADER + avi_check.AVIH_TOTAL_FRAMES, 0)
        elif chunk.id == b"strh" and chunk.payload[:4] == b"vids":
            struct.pack_into("<I", unfinished, chunk.offset + HEADER + avi_check.STRH_LENGTH, 0)
        elif chunk.id == b"dmlh":
            struct.pack_into("<I", unfinished, chunk.offset + HEADER + avi_check.DMLH_TOTAL_FRAMES, 0)
    frames, _ = layout.whole_before(end)
    yield ("not finalized", bytes(unfinished), end,
           f"warning: {name}: recording not finalized: {frames_text(frames)} converted\n")

    at = layout.boundary()
    frames, _ = layout.whole_before(at)
    yield (f"zero tail of {ZERO_TAIL} bytes", data[:at] + bytes(ZERO_TAIL), at,
           f"warning: {name}: recording cut short at byte {at + ZERO_TAIL}: {frames_text(frames)} converted, "
           f"the last {ZERO_TAIL:,} bytes (zero bytes a writer reserved) dropped\n")

    # The last RIFF ends with the data of an odd chunk, its pad byte
    # missing and not counted by the list sizes.
    odd = [c for c in movi.children if avi_check.is_stream_data(c) and c.size % 2][-1]
    end = data_end(odd)
    padless = bytearray(data[:end])
    struct.pack_into("<I", padless, last.offset + 4, end - last.offset - HEADER)
    struct.pack_into("<I", padless, movi.offset + 4, end - movi.offset - HEADER)
    yield "last chunk lacks its pad byte", bytes(padless), end, ""


def count_frames(path):
    """Video packets ffprobe reads from the file, or None."""
    result = run(["ffprobe", "-v", "error", "-count_packets", "-select_streams", "v:0",
                  "-show_entries", "stream=nb_read_packets", "-of", "csv=p=0", path], check=False)
    text = result.stdout.decode().strip()
    return int(text) if result.returncode == 0 and text.isdigit() else None


def output_chunks(path):
    """(frames, audio chunks) in the file, or what keeps them from being read."""
    try:
        out = Layout(avi_check.load(path), path)
    except avi_check.CheckError as error:
        return str(error)
    return len(out.frames), len(out.audio)


def check_shape(cli, source, work, layout, whole, shape):
    """Converts one shaped file; returns a table row and the faults."""
    label, data, end, expected_err = shape
    os.makedirs(work)
    with open(source, "wb") as f:
        f.write(data)
    faults = []
    frames, audio_chunks = layout.whole_before(end)
    ffmpeg_frames = count_frames(source)
    source_audio = run_e2e.audio_packets(source)

    out = os.path.join(work, "cw")
    result = run([cli, "-t", "cw", "-o", out, source], check=False)
    err = result.stderr.decode(errors="replace")
    warning = err.strip() or "(none)"
    if result.returncode != 0:
        return [label, ffmpeg_frames, "-", "-", "-", warning], [f"exit status {result.returncode}: {err.strip()}"]
    if err != expected_err:
        faults.append(f"stderr {err!r}, expected {expected_err!r}")
    output = os.path.join(out, "clip.avi")
    got = count_frames(output)
    if got != frames or ffmpeg_frames is None or got < ffmpeg_frames - 1:
        faults.append(f"{got} frames in the output, expected {frames} (ffmpeg reads {ffmpeg_frames} from the source)")
    held = output_chunks(output)
    if held != (frames, audio_chunks):
        faults.append(f"the output holds (frames, audio chunks) {held}, "
                      f"the source {(frames, audio_chunks)} before the cut")
    audio = run_e2e.audio_packets(output)
    same_audio = bool(audio) and audio == source_audio[:len(audio)]
    if not same_audio:
        faults.append(f"{len(audio)} audio packets differ from the first of the source's {len(source_audio)}")
    structure = avi_check.check(output, whole, "cw", cut=True)
    faults += [f"structure: {fault}" for fault in structure]

    out = os.path.join(work, SECOND_TRANSFORM)
    quiet = run([cli, "-q", "-t", SECOND_TRANSFORM, "-o", out, source], check=False)
    output = os.path.join(out, "clip.avi")
    if quiet.returncode != 0 or quiet.stdout or quiet.stderr:
        faults.append(f"-q -t {SECOND_TRANSFORM}: exit status {quiet.returncode}, "
                      f"printed {quiet.stdout + quiet.stderr!r}")
    else:
        second = count_frames(output), avi_check.check(output, whole, SECOND_TRANSFORM, cut=True)
        if second != (frames, []):
            faults.append(f"-t {SECOND_TRANSFORM}: (frames, structure faults) {second}, expected ({frames}, [])")
    return [label, ffmpeg_frames, got, "yes" if same_audio else "NO", "NO" if structure else "clean", warning], faults


def check_refusals(cli, work, layout):
    """Overruns that are not a recording cut short keep their refusals."""
    data = layout.data
    hdrl, _ = avi_check.stream_lists(layout.riffs[0])
    avih = hdrl.children[0]
    movi = avi_check.find_movi(layout.riffs[-1])  # the list a cut may leave open, followed by more data
    frames = [c for c in layout.frames if movi.offset < c.offset < movi.end]
    frame = frames[len(frames) // 2]
    cases = [
        ("avih running past hdrl", avih.offset, hdrl.end - avih.offset,
         f"chunk 'avih' at offset {avih.offset} runs past the end of its list 'hdrl'"),
        ("frame running past the last movi", frame.offset, movi.end - frame.offset,
         f"chunk '{frame.id.decode()}' at offset {frame.offset} runs past the end of its list 'movi'"),
        ("cut inside hdrl", None, hdrl.offset + hdrl.size // 2, ""),  # the chunk named is the walker's choice
    ]
    faults = []
    for label, offset, value, message in cases:
        damaged = bytearray(data)
        if offset is None:
            damaged = damaged[:value]
        else:
            struct.pack_into("<I", damaged, offset + 4, value)
        source = os.path.join(work, "refused.avi")
        with open(source, "wb") as f:
            f.write(damaged)
        result = run([cli, "-t", "cw", "-o", os.path.join(work, "refused"), source], check=False)
        expected = f"kestrel-cli: {source} is malformed: {message}"
        err = result.stderr.decode(errors="replace")
        print(f"  refusal, {label}: exit status {result.returncode}, {err.strip()}")
        if result.returncode != 1 or not (err == expected + "\n" or (not message and err.startswith(expected))):
            faults.append(f"{label}: exit status {result.returncode}, stderr {err!r}, expected 1 and {expected!r}")
    return faults


def run_all(cli, work):
    run_e2e.need_tools("ffmpeg", "ffprobe", "gst-launch-1.0")
    rows, faults = [], []
    for writer, make in WRITERS.items():
        writer_dir = os.path.join(work, writer)
        os.makedirs(os.path.join(writer_dir, "source"))
        whole = os.path.join(writer_dir, "source", f"{writer}.avi")
        make(whole)
        layout = Layout(open(whole, "rb").read(), whole)
        print(f"{writer}: {len(layout.frames)} frames, {len(layout.audio)} audio chunks, "
              f"{len(layout.riffs)} RIFFs, {len(layout.data)} bytes")
        faults += [f"{writer}: {fault}" for fault in check_refusals(cli, writer_dir, layout)]
        source = os.path.join(writer_dir, "clip.avi")
        for number, shape in enumerate(shapes(layout, source)):
            row, shape_faults = check_shape(cli, source, os.path.join(writer_dir, str(number)), layout, whole, shape)
            rows.append([writer] + row)
            faults += [f"{writer}, {shape[0]}: {fault}" for fault in shape_faults]

    head = ["writer", "cut", "ffmpeg frames", "Kestrel frames", "audio same", "structure", "warning"]
    widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(len(head) - 1)]
    for row in [head] + rows:
        print("  ".join(f"{str(v):{w}}" for v, w in zip(row, widths)) + "  " + str(row[-1]))
    for fault in faults:
        print(f"FAULT {fault}")
    print(f"cut_short: {'FAILED' if faults else 'ok'} ({len(rows)} files)")
    return not faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="path of kestrel-cli")
    parser.add_argument("--keep", help="work in this directory and keep the files")
    args = parser.parse_args()
    cli = os.path.abspath(args.cli)
    return run_e2e.run_in_work_dir("cut_short", args.keep, lambda work: run_all(cli, work),
                                   (Failure, avi_check.CheckError))


if __name__ == "__main__":
    sys.exit(main())
