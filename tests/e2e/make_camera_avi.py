#!/usr/bin/env python3
"""Writes a Motion-JPEG AVI the way digital cameras do, and in the layouts
of other writers that no program installed here produces.

AVI 1.0 layout: hdrl (avih, a video strl, an optional audio strl), LIST
INFO, JUNK, movi with interleaved frames and audio chunks, and an idx1 index.
By default the video is stream 0 ('00dc'), the audio 8-bit PCM in stream 1
('01wb', odd sizes at 15 frames/s).

Every frame starts with SOI and an 'AVI1' APP0 segment (20 bytes in all) and
carries no Huffman tables: the frames rely on the standard tables. The input
frames must therefore have been encoded with the standard tables (ffmpeg:
-huffman default).

Other layouts:
  --handler FCC      the video stream header's handler ("GPJM": byte-reversed)
  --video-second     the audio stream list first, the video as stream 1
  --comment TEXT     a COM segment behind the head of every frame ("CS=ITU601"
                     marks limited-range YCbCr)
  --head KIND        avi1 (SOI and a 20-byte AVI1 APP0), avi1-62 (an AVI1 APP0
                     segment of 62 bytes) or none (SOI straight followed by DQT)
  --mpeg-audio FILE  MPEG audio (an .mp2 stream) instead of PCM, one audio
                     frame per chunk: chunk sizes alternate between odd and even
  --empty-every N    every Nth frame chunk is empty (a repeat of the previous
                     picture), indexed without flags
  --riff-limit BYTES the OpenDML layout of files past 1 GiB, as capture programs
                     write it: an 'indx' super index in every stream list and
                     LIST odml in hdrl, then further RIFF 'AVIX' chunks, each
                     RIFF at most BYTES long (at least one chunk in each) and
                     its 'movi' ending in one standard index 'ix##' per stream
                     it holds chunks of; idx1 lists the first RIFF's chunks

usage: make_camera_avi.py FRAMES.mjpeg [--audio AUDIO.u8 --rate HZ] --fps N [options] OUT.avi
FRAMES.mjpeg is a concatenation of JPEG pictures (ffmpeg -f mjpeg).
"""

import argparse
import struct

SOI, EOI, SOS, DHT, SOF0 = 0xD8, 0xD9, 0xDA, 0xC4, 0xC0


def split_jpegs(data):
    """Yields (segments, entropy) per picture: segments as (marker, body)."""
    pos = 0
    while pos < len(data):
        assert data[pos:pos + 2] == b"\xff\xd8", f"no SOI at {pos}"
        pos += 2
        segments = []
        while True:
            while data[pos + 1] == 0xFF:  # fill bytes
                pos += 1
            marker = data[pos + 1]
            length = struct.unpack(">H", data[pos + 2:pos + 4])[0]
            segments.append((marker, data[pos + 4:pos + 2 + length]))
            pos += 2 + length
            if marker == SOS:
                break
        start = pos
        while not (data[pos] == 0xFF and data[pos + 1] not in (0x00,) and not 0xD0 <= data[pos + 1] <= 0xD7):
            pos += 1
        entropy = data[start:pos]
        assert data[pos + 1] == EOI, f"picture does not end in EOI at {pos}"
        pos += 2
        yield segments, entropy


def segment(marker, body):
    return bytes([0xFF, marker]) + struct.pack(">H", len(body) + 2) + body


def camera_frame(segments, entropy, head="avi1", comment=None):
    """SOI, the head, an optional COM, then the picture's tables and scan
    without DHT or APPn/COM."""
    out = bytearray(b"\xff\xd8")
    if head == "avi1":
        out += segment(0xE0, b"AVI1" + bytes([0, 0]) + struct.pack(">II", 0, 0))
        assert len(out) == 20
    elif head == "avi1-62":
        out += segment(0xE0, b"AVI1" + bytes([0, 0]) + struct.pack(">II", 0, 0) + bytes(44))
        assert len(out) == 2 + 62
    if comment:
        out += segment(0xFE, comment.encode() + b"\0")
    for marker, payload in segments:
        if marker == DHT or 0xE0 <= marker <= 0xEF or marker == 0xFE:
            continue
        out += bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload
    out += entropy + b"\xff\xd9"
    return bytes(out)


def picture_size(segments):
    for marker, payload in segments:
        if marker == SOF0:
            height, width = struct.unpack(">HH", payload[1:5])
            return width, height
    raise SystemExit("no baseline SOF0 segment")


MPEG1_LAYER2_KBPS = (0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384)
MPEG1_RATES = (44100, 48000, 32000)


def split_mpeg_audio(data):
    """The frames of an MPEG-1 layer II stream, and its sample rate."""
    frames, pos, rate = [], 0, None
    while pos + 4 <= len(data):
        header = struct.unpack(">I", data[pos:pos + 4])[0]
        assert header >> 21 == 0x7FF and (header >> 17) & 3 == 2, f"no MPEG-1 layer II frame at {pos}"
        kbps = MPEG1_LAYER2_KBPS[(header >> 12) & 15]
        rate = MPEG1_RATES[(header >> 10) & 3]
        length = 144000 * kbps // rate + ((header >> 9) & 1)
        frames.append(data[pos:pos + length])
        pos += length
    return frames, rate


CHUNK_HEAD = 8


def chunk(fourcc, data):
    return fourcc + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")


def lst(kind, *children):
    return chunk(b"LIST", kind + b"".join(children))


def frame_pieces(args, number, frame, frame_count, ids, audio, mpeg):
    """(chunk id, data, idx1 flags) of the chunks written with frame number:
    the frame, then its share of the audio."""
    video_id, audio_id = ids
    mpeg_frames, mpeg_rate = mpeg
    pieces = [(video_id, frame, 0x10 if frame else 0)]
    if audio:
        per_frame = args.rate / args.fps
        begin, end = round(number * per_frame), round((number + 1) * per_frame)
        if begin < len(audio):
            pieces.append((audio_id, audio[begin:end], 0))
    if mpeg_frames:
        mpeg_per_frame = mpeg_rate / 1152 / args.fps
        begin, end = round(number * mpeg_per_frame), round((number + 1) * mpeg_per_frame)
        if number == frame_count - 1:
            end = len(mpeg_frames)
        pieces += [(audio_id, data, 0x10) for data in mpeg_frames[begin:end]]
    return pieces


# OpenDML layout
AVIH_TOTAL_FRAMES = 16
STRH_SAMPLE_SIZE = 44
INDX_ENTRIES = 256  # room of each super index
INDX_HEAD = struct.Struct("<HBBI4s12x")  # wLongsPerEntry, bIndexSubType, bIndexType, nEntriesInUse, dwChunkId
INDX_ENTRY = struct.Struct("<QII")  # qwOffset, dwSize, dwDuration
IX_HEAD = struct.Struct("<HBBI4sQI")  # ... dwChunkId, qwBaseOffset, dwReserved
IX_ENTRY = struct.Struct("<II")  # dwOffset (of the data from qwBaseOffset), dwSize (bit 31: not a key frame)
AVI_INDEX_OF_INDEXES, AVI_INDEX_OF_CHUNKS = 0, 1
NOT_KEY = 0x80000000
DMLH_SIZE = 248
LIST_HEAD = 12  # 'LIST' or 'RIFF', size, list type


def index_size(count):
    return CHUNK_HEAD + IX_HEAD.size + count * IX_ENTRY.size


def is_key(fourcc, data):
    return fourcc[2:] == b"wb" or (fourcc[2:] in (b"dc", b"db") and len(data) > 0)


def split_riffs(pieces, first_overhead, limit):
    """Lists of pieces, one per RIFF: a RIFF takes the next chunk while it
    stays within limit with the standard indexes (and, for the first, the
    idx1) that close it."""
    riffs, current, size = [], [], first_overhead
    for piece in pieces:
        counts = {}
        for fourcc, _, _ in current + [piece]:
            counts[fourcc] = counts.get(fourcc, 0) + 1
        closing = sum(index_size(n) for n in counts.values())
        if not riffs:
            closing += CHUNK_HEAD + 16 * (len(current) + 1)
        if current and size + len(chunk(*piece[:2])) + closing > limit:
            riffs.append(current)
            current, size = [], 2 * LIST_HEAD  # RIFF 'AVIX' and LIST movi
        current.append(piece)
        size += len(chunk(*piece[:2]))
    return riffs + [current]


def write_opendml(path, limit, avih, strls, pieces):
    """strls: (chunk id, [strh, strf chunks]) per stream in stream order."""
    ids = [fourcc for fourcc, _ in strls]
    video_id = next(fourcc for fourcc in ids if fourcc[2:] == b"dc")
    indx_room = INDX_HEAD.size + INDX_ENTRIES * INDX_ENTRY.size
    info = lst(b"INFO", chunk(b"ISFT", b"Kestrel test camera\0")) + chunk(b"JUNK", bytes(1000))

    def header(first_frames, total_frames, super_indexes):
        avih_now = avih[:AVIH_TOTAL_FRAMES] + struct.pack("<I", first_frames) + avih[AVIH_TOTAL_FRAMES + 4:]
        strl_lists = [lst(b"strl", *children, chunk(b"indx", super_indexes.get(fourcc, bytes(indx_room))))
                      for fourcc, children in strls]
        odml = lst(b"odml", chunk(b"dmlh", struct.pack("<I", total_frames) + bytes(DMLH_SIZE - 4)))
        return b"AVI " + lst(b"hdrl", chunk(b"avih", avih_now), *strl_lists, odml) + info

    head_size = CHUNK_HEAD + len(header(0, 0, {}))
    riffs = split_riffs(pieces, head_size + LIST_HEAD, limit)
    if len(riffs) > INDX_ENTRIES:
        raise SystemExit(f"{len(riffs)} RIFFs do not fit the {INDX_ENTRIES} entries of a super index")

    # Offsets first: every RIFF's movi, its standard indexes behind the data.
    bodies, super_entries, riff_start = [], {fourcc: [] for fourcc in ids}, 0
    for number, riff_pieces in enumerate(riffs):
        movi_start = riff_start + (head_size if number == 0 else LIST_HEAD)
        offset = movi_start + LIST_HEAD
        movi, idx1, entries = [], [], {fourcc: [] for fourcc in ids}
        for fourcc, data, _ in riff_pieces:
            flags = 0x10 if is_key(fourcc, data) else 0  # as the standard index has it
            idx1.append(struct.pack("<4sIII", fourcc, flags, offset - movi_start - CHUNK_HEAD, len(data)))
            entries[fourcc].append(IX_ENTRY.pack(offset + CHUNK_HEAD - riff_start,
                                                 len(data) | (0 if is_key(fourcc, data) else NOT_KEY)))
            movi.append(chunk(fourcc, data))
            offset += len(movi[-1])
        for stream, fourcc in enumerate(ids):
            if not entries[fourcc]:
                continue
            ix = chunk(b"ix%02d" % stream, IX_HEAD.pack(IX_ENTRY.size // 4, 0, AVI_INDEX_OF_CHUNKS,
                                                        len(entries[fourcc]), fourcc, riff_start, 0)
                       + b"".join(entries[fourcc]))
            sizes = [len(data) for f, data, _ in riff_pieces if f == fourcc]
            sample_size = struct.unpack_from("<I", dict(strls)[fourcc][0], CHUNK_HEAD + STRH_SAMPLE_SIZE)[0]
            duration = sum(sizes) // sample_size if fourcc[2:] == b"wb" and sample_size else len(sizes)
            super_entries[fourcc].append(INDX_ENTRY.pack(offset, len(ix), duration))
            movi.append(ix)
            offset += len(ix)
        body = lst(b"movi", *movi)
        if number == 0:
            body += chunk(b"idx1", b"".join(idx1))
        bodies.append(body)
        riff_start += CHUNK_HEAD + (len(header(0, 0, {})) if number == 0 else 4) + len(body)

    super_indexes = {fourcc: (INDX_HEAD.pack(INDX_ENTRY.size // 4, 0, AVI_INDEX_OF_INDEXES, len(entries), fourcc)
                              + b"".join(entries)).ljust(indx_room, b"\0")
                     for fourcc, entries in super_entries.items()}
    video_frames = [sum(1 for fourcc, _, _ in riff_pieces if fourcc == video_id) for riff_pieces in riffs]
    with open(path, "wb") as out:
        out.write(chunk(b"RIFF", header(video_frames[0], sum(video_frames), super_indexes) + bodies[0]))
        for body in bodies[1:]:
            out.write(chunk(b"RIFF", b"AVIX" + body))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("frames")
    parser.add_argument("output")
    parser.add_argument("--fps", type=int, default=15)
    parser.add_argument("--audio")
    parser.add_argument("--rate", type=int, default=8000)
    parser.add_argument("--handler", default="MJPG")
    parser.add_argument("--video-second", action="store_true")
    parser.add_argument("--comment")
    parser.add_argument("--head", choices=("avi1", "avi1-62", "none"), default="avi1")
    parser.add_argument("--mpeg-audio")
    parser.add_argument("--empty-every", type=int, default=0)
    parser.add_argument("--riff-limit", type=int, default=0)
    args = parser.parse_args()

    pictures = list(split_jpegs(open(args.frames, "rb").read()))
    frames = [camera_frame(s, e, args.head, args.comment) for s, e in pictures]
    if args.empty_every:
        frames = [b"" if (n + 1) % args.empty_every == 0 else f for n, f in enumerate(frames)]
    width, height = picture_size(pictures[0][0])
    audio = open(args.audio, "rb").read() if args.audio else b""
    mpeg_frames, mpeg_rate = split_mpeg_audio(open(args.mpeg_audio, "rb").read()) if args.mpeg_audio else ([], 0)
    streams = 2 if audio or mpeg_frames else 1
    video_id, audio_id = (b"01dc", b"00wb") if args.video_second else (b"00dc", b"01wb")

    avih = struct.pack("<10I4I", 1000000 // args.fps, 0, 0, 0x10 | 0x100, len(frames), 0, streams,
                       max(map(len, frames)), width, height, 0, 0, 0, 0)
    strh_v = b"vids" + args.handler.encode() + struct.pack("<IHHIIIIIIIIhhhh", 0, 0, 0, 0, 1, args.fps, 0, len(frames),
                                       max(map(len, frames)), 10000, 0, 0, 0, width, height)
    strf_v = struct.pack("<IiiHH4sIiiII", 40, width, height, 1, 24, b"MJPG", width * height * 3, 0, 0, 0, 0)
    video_list = [chunk(b"strh", strh_v), chunk(b"strf", strf_v)]
    audio_list = None
    if audio:
        strh_a = b"auds" + struct.pack("<IIHHIIIIIIIIhhhh", 0, 0, 0, 0, 0, 1, args.rate, 0, len(audio),
                                      args.rate, 0, 1, 0, 0, 0, 0)
        strf_a = struct.pack("<HHIIHHH", 1, 1, args.rate, args.rate, 1, 8, 0)
        audio_list = [chunk(b"strh", strh_a), chunk(b"strf", strf_a)]
    elif mpeg_frames:
        # One 1152-sample frame per chunk: dwScale 1152, dwRate the sample rate.
        strh_a = b"auds" + struct.pack("<IIHHIIIIIIIIhhhh", 0, 0, 0, 0, 0, 1152, mpeg_rate, 0, len(mpeg_frames),
                                      max(map(len, mpeg_frames)), 0, 0, 0, 0, 0, 0)
        strf_a = struct.pack("<HHIIHHH", 0x50, 1, mpeg_rate, 8000, 1, 0, 0)
        audio_list = [chunk(b"strh", strh_a), chunk(b"strf", strf_a)]
    hdrl = [chunk(b"avih", avih)]
    video_strl, audio_strl = lst(b"strl", *video_list), audio_list and lst(b"strl", *audio_list)
    hdrl += [audio_strl, video_strl] if args.video_second and audio_list else [video_strl]
    if audio_list and not args.video_second:
        hdrl.append(audio_strl)

    pieces = [piece for number, frame in enumerate(frames)
              for piece in frame_pieces(args, number, frame, len(frames), (video_id, audio_id), audio,
                                        (mpeg_frames, mpeg_rate))]
    if args.riff_limit:
        strls = [(audio_id, audio_list), (video_id, video_list)] if args.video_second and audio_list \
            else [(video_id, video_list)] + ([(audio_id, audio_list)] if audio_list else [])
        write_opendml(args.output, args.riff_limit, avih, strls, pieces)
        return

    movi, index, offset = [], [], 4
    for fourcc, data, flags in pieces:
        movi.append(chunk(fourcc, data))
        index.append(struct.pack("<4sIII", fourcc, flags, offset, len(data)))
        offset += len(movi[-1])

    riff = chunk(b"RIFF", b"AVI " + lst(b"hdrl", *hdrl)
                 + lst(b"INFO", chunk(b"ISFT", b"Kestrel test camera\0"))
                 + chunk(b"JUNK", bytes(1000))
                 + lst(b"movi", *movi)
                 + chunk(b"idx1", b"".join(index)))
    open(args.output, "wb").write(riff)


if __name__ == "__main__":
    main()
