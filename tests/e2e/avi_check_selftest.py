#!/usr/bin/env python3
"""Shows that avi_check.py notices the faults it is there to find.

usage: avi_check_selftest.py --cli PATH/kestrel-cli

Converts a camera-style file with odd-sized audio chunks (cw), an ffmpeg
file with OpenDML indexes and video properties (acw), and files in the
layouts of other writers (mirror-x), checks that each
result passes and fails when checked against another transform, then damages
copies of it one way at a time and checks that each damage is reported with
the expected words. A file of several RIFFs from the camera-style writer
(OpenDML indexes) is damaged the same way and checked on its own.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import avi_check  # noqa: E402
import run_e2e  # noqa: E402

HEADER = avi_check.CHUNK_HEADER


def find(riff, fourcc, list_type=None, nth=0):
    hits = [c for c, parent in avi_check.walk(riff)
            if c.id == fourcc and (list_type is None or parent.is_list(list_type))]
    return hits[nth]


def odd_chunk(riff, suffix):
    return next(c for c, _ in avi_check.walk(riff) if c.id[2:] == suffix and c.size % 2)


def put32(data, offset, value):
    struct.pack_into("<I", data, offset, value)


def get32(data, offset):
    return struct.unpack_from("<I", data, offset)[0]


def idx1_entry(riff, number):
    """File offset of idx1 entry number."""
    return riff.children[-1].offset + HEADER + number * avi_check.IDX1_ENTRY.size


def swap32(data, a, b):
    data[a:a + 4], data[b:b + 4] = data[b:b + 4], data[a:a + 4]


def first_data_index(riff, suffix):
    movi = avi_check.find_movi(riff)
    chunks = [c for c, _ in avi_check.walk(movi) if avi_check.is_stream_data(c)]
    return next(i for i, c in enumerate(chunks) if c.id[2:] == suffix and c.size % 2)


# Each damage: (what it does, expected words in a fault, function(data, riff)).
def damages():
    def movi_size(d, r):
        movi = avi_check.find_movi(r)
        put32(d, movi.offset + 4, movi.size + 2)

    def riff_size(d, r):
        put32(d, 4, r.size - 2)

    def audio_flags(d, r):
        put32(d, idx1_entry(r, first_data_index(r, b"wb")) + 4, 0)

    def frame_offset(d, r):
        entry = idx1_entry(r, 0)
        put32(d, entry + 8, get32(d, entry + 8) + 8)

    def odd_length(d, r):
        entry = idx1_entry(r, first_data_index(r, b"wb"))
        put32(d, entry + 12, get32(d, entry + 12) + 1)

    def entry_id(d, r):
        d[idx1_entry(r, 0):idx1_entry(r, 0) + 4] = b"01dc"

    def entry_dropped(d, r):
        idx1 = r.children[-1]
        del d[idx1.end - 16:idx1.end]
        put32(d, idx1.offset + 4, idx1.size - 16)
        put32(d, 4, r.size - 16)

    def junk_after_idx1(d, r):
        d += b"JUNK" + struct.pack("<I", 4) + bytes(4)
        put32(d, 4, r.size + 12)

    def avih_not_swapped(d, r):
        start = find(r, b"avih").offset + HEADER
        swap32(d, start + avi_check.AVIH_WIDTH, start + avi_check.AVIH_HEIGHT)

    def strf_height(d, r):
        start = find(r, b"strf").offset + HEADER
        put32(d, start + avi_check.STRF_HEIGHT, get32(d, start + avi_check.STRF_HEIGHT) + 1)

    def rcframe(d, r):
        start = find(r, b"strh").offset + HEADER
        d[start + 52:start + 56] = d[start + 54:start + 56] + d[start + 52:start + 54]

    def audio_byte(d, r):
        d[odd_chunk(r, b"wb").offset + HEADER + 3] ^= 0x01

    def frame_head(d, r):
        d[find(r, b"00dc", b"movi").offset + HEADER + 10] ^= 0x01

    def has_index_flag(d, r):
        start = find(r, b"avih").offset + HEADER
        put32(d, start + avi_check.AVIH_FLAGS, get32(d, start + avi_check.AVIH_FLAGS) & ~0x10)

    def info_text(d, r):
        d[find(r, b"ISFT").offset + HEADER] ^= 0x20

    return [
        ("movi size too large", "runs past the end", movi_size),
        ("RIFF size too small", "runs past the end", riff_size),
        ("audio entry without the key-frame flag", "idx1 entry", audio_flags),
        ("frame entry offset moved", "idx1 entry 0", frame_offset),
        ("odd audio length rounded up", "idx1 entry", odd_length),
        ("entry names another stream", "idx1 entry 0", entry_id),
        ("last entry dropped", "entries", entry_dropped),
        ("a chunk behind idx1", "not 'idx1'", junk_after_idx1),
        ("avih width and height not exchanged", "avih", avih_not_swapped),
        ("strf height changed", "strf", strf_height),
        ("rcFrame not exchanged", "strh", rcframe),
        ("audio payload changed", "differs from the source", audio_byte),
        ("frame head changed", "first 20 bytes", frame_head),
        ("has-index flag cleared", "has-index", has_index_flag),
        ("INFO text changed", "ISFT", info_text),
    ]


# Damages of a conversion of a file with OpenDML indexes.
def opendml_damages():
    def index_left(d, r):
        junk = find(r, b"JUNK", b"movi")
        d[junk.offset:junk.offset + 4] = b"ix00"

    def super_index_left(d, r):
        junk = find(r, b"JUNK", b"strl")
        d[junk.offset:junk.offset + 4] = b"indx"

    def index_shrunk(d, r):
        # The last chunk of movi is the former ix01: make it 4 bytes shorter.
        movi = avi_check.find_movi(r)
        junk = movi.children[-1]
        del d[junk.end - 4:junk.end]
        put32(d, junk.offset + 4, junk.size - 4)
        put32(d, movi.offset + 4, movi.size - 4)
        put32(d, 4, r.size - 4)

    def vprp_not_swapped(d, r):
        start = find(r, b"vprp").offset + HEADER
        swap32(d, start + avi_check.VPRP_WIDTH, start + avi_check.VPRP_HEIGHT)

    return [
        ("vprp width and height not exchanged", "vprp", vprp_not_swapped),
        ("ix00 left in movi", "OpenDML index chunk left", index_left),
        ("indx left in strl", "OpenDML index chunk left", super_index_left),
        ("ix01 turned into a shorter JUNK", "expected a JUNK chunk of the same size", index_shrunk),
    ]


# Damages of conversions of other writers' layouts.
def writer_damages():
    def comment_changed(d, r):
        frame = find(r, b"01dc", b"movi")
        at = d.index(b"CS=ITU601", frame.offset)
        d[at + 8] ^= 0x01

    def empty_frame_flagged(d, r):
        movi = avi_check.find_movi(r)
        chunks = [c for c, _ in avi_check.walk(movi) if avi_check.is_stream_data(c)]
        put32(d, idx1_entry(r, next(i for i, c in enumerate(chunks) if c.size == 0)) + 4, 0x10)

    return {
        "vlc_style_gpjm_limited_mp2": [("colour-range comment changed", "APPn/COM segments", comment_changed)],
        "camera_avi1_62_empty_frames": [("empty frame flagged as key frame", "idx1 entry", empty_frame_flagged)],
    }


# Damages of a file of several RIFFs, checked without a source.
def multi_riff_damages():
    def riffs_of(d):
        return avi_check.parse_riffs(bytes(d), "damaged")

    def standard_index(riffs, riff_number, fourcc):
        movi = avi_check.find_movi(riffs[riff_number])
        return next(c for c in movi.children if c.id == fourcc)

    def entry_at(ix, number):
        return ix.offset + HEADER + avi_check.IX_HEAD.size + number * avi_check.IX_ENTRY.size

    def ix_wrong_chunk(d, riffs):
        # The second RIFF's first frame entry points at the audio chunk behind it.
        ix = standard_index(riffs, 1, b"ix00")
        frame, audio = [c for c in avi_check.find_movi(riffs[1]).children][:2]
        put32(d, entry_at(ix, 0), get32(d, entry_at(ix, 0)) + audio.offset - frame.offset)

    def ix_count(d, riffs):
        ix = standard_index(riffs, 1, b"ix01")
        put32(d, ix.offset + HEADER + 4, get32(d, ix.offset + HEADER + 4) - 1)

    def idx1_second_riff(d, riffs):
        # The last idx1 entry names the first chunk of the second RIFF instead.
        first = riffs[0]
        target = avi_check.find_movi(riffs[1]).children[0]
        movi_base = avi_check.find_movi(first).offset + HEADER
        entry = first.children[-1].end - avi_check.IDX1_ENTRY.size
        d[entry:entry + 16] = avi_check.IDX1_ENTRY.pack(target.id, 0x10, target.offset - movi_base, target.size)

    def audio_not_key(d, riffs):
        ix = standard_index(riffs, 2, b"ix01")
        put32(d, entry_at(ix, 0) + 4, get32(d, entry_at(ix, 0) + 4) | avi_check.NOT_KEY_FRAME)

    def super_index_offset(d, riffs):
        # The video super index's second entry points 8 bytes into its ix00.
        indx = find(riffs[0], b"indx")
        entry = indx.offset + HEADER + avi_check.INDX_HEAD.size + avi_check.INDX_ENTRY.size
        put32(d, entry, get32(d, entry) + 8)

    def dmlh_total(d, riffs):
        dmlh = find(riffs[0], b"dmlh")
        put32(d, dmlh.offset + HEADER, get32(d, dmlh.offset + HEADER) - 1)

    def avih_total(d, riffs):
        avih = find(riffs[0], b"avih")
        put32(d, avih.offset + HEADER + avi_check.AVIH_TOTAL_FRAMES, get32(d, avih.offset + HEADER + 16) + 1)

    return riffs_of, [
        ("ix00 entry pointing at the audio chunk behind its frame", "not a b'00dc' chunk", ix_wrong_chunk),
        ("ix01 nEntriesInUse one short", "in no standard index", ix_count),
        ("idx1 listing a chunk of the second RIFF", "idx1 entry", idx1_second_riff),
        ("audio chunk marked as not a key frame", "(key frame)", audio_not_key),
        ("super index entry not at its ix00", "is not the start of a standard index", super_index_offset),
        ("dmlh one frame short", "dmlh", dmlh_total),
        ("avih counting one frame more than the first RIFF", "avih", avih_total),
    ]


def expect_found_multi_riff(work):
    """The camera-style writer's file of several RIFFs passes the structural
    check and each damage of a copy is reported."""
    source_dir = os.path.join(work, "multi_riff")
    os.makedirs(source_dir)
    path = os.path.join(source_dir, "source.avi")
    run_e2e.camera_source("160x120", "yuvj422p", audio=True, layout=("--riff-limit", "20000"))(path)
    good = open(path, "rb").read()
    riffs_of, damage_list = multi_riff_damages()
    if len(riffs_of(good)) < 3:
        return [f"multi_riff: the writer made {len(riffs_of(good))} RIFFs, expected at least 3"]
    clean = avi_check.check(path)
    if clean:
        return [f"multi_riff: the undamaged file does not pass: {clean}"]
    missed = []
    damaged = os.path.join(source_dir, "damaged.avi")
    for what, words, damage in damage_list:
        data = bytearray(good)
        damage(data, riffs_of(good))
        open(damaged, "wb").write(data)
        faults = avi_check.check(damaged)
        if any(words in fault for fault in faults):
            print(f"ok  multi_riff {what}: {next(f for f in faults if words in f)}")
        else:
            missed.append(f"multi_riff {what}: expected a fault with {words!r}, got {faults}")
    return missed


def expect_found(cli, work, kind, transform, damage_list):
    """Converts a source of the kind, then checks the undamaged and the
    damaged results; returns the list of faults that went unnoticed."""
    source_dir, out_dir = os.path.join(work, kind), os.path.join(work, kind, "out")
    os.makedirs(out_dir)
    source = os.path.join(source_dir, "source.avi")
    run_e2e.SOURCES[kind](source)
    subprocess.run([cli, "-q", "-t", transform, "-o", out_dir, source], check=True)
    output = os.path.join(out_dir, "source.avi")
    good = open(output, "rb").read()
    clean = avi_check.check(output, source, transform)
    if clean:
        return [f"{kind}: the undamaged conversion does not pass: {clean}"]
    missed = []
    wrong = "180" if transform in avi_check.QUARTER_TURNS else "cw"
    if not avi_check.check(output, source, wrong):
        missed.append(f"{kind}: {transform} output checked as {wrong} passes")

    damaged = os.path.join(out_dir, "damaged.avi")
    for what, words, damage in damage_list:
        data = bytearray(good)
        damage(data, avi_check.parse_file(good, output))
        open(damaged, "wb").write(data)
        faults = avi_check.check(damaged, source, transform)
        if any(words in fault for fault in faults):
            print(f"ok  {kind} {what}: {next(f for f in faults if words in f)}")
        else:
            missed.append(f"{kind} {what}: expected a fault with {words!r}, got {faults}")
    return missed


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    args = parser.parse_args()
    cli = os.path.abspath(args.cli)
    work = tempfile.mkdtemp(prefix="kestrel-avi-check-")
    try:
        missed = expect_found(cli, work, "camera_422_audio", "cw", damages())
        missed += expect_found_multi_riff(work)
        missed += expect_found(cli, work, "ffmpeg_opendml_index", "acw", opendml_damages())
        for kind, damage_list in writer_damages().items():
            missed += expect_found(cli, work, kind, "mirror-x", damage_list)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for miss in missed:
        print(f"MISSED  {miss}")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
