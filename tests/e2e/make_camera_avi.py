#!/usr/bin/env python3
"""Writes a Motion-JPEG AVI the way digital cameras do.

AVI 1.0 layout: hdrl (avih, a video strl, an optional 8-bit PCM audio strl),
LIST INFO, JUNK, movi with interleaved 00dc frames and 01wb audio chunks (the
audio chunks have odd sizes at 15 frames/s), and an idx1 index.

Every frame starts with SOI and an 'AVI1' APP0 segment (20 bytes in all) and
carries no Huffman tables: the frames rely on the standard tables. The input
frames must therefore have been encoded with the standard tables (ffmpeg:
-huffman default).

usage: make_camera_avi.py FRAMES.mjpeg [--audio AUDIO.u8 --rate HZ] --fps N OUT.avi
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


def camera_frame(segments, entropy):
    """SOI, AVI1 APP0, then the picture's tables and scan without DHT or APPn/COM."""
    body = b"AVI1" + bytes([0, 0]) + struct.pack(">II", 0, 0)
    out = bytearray(b"\xff\xd8\xff\xe0" + struct.pack(">H", len(body) + 2) + body)
    assert len(out) == 20
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


def chunk(fourcc, data):
    return fourcc + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")


def lst(kind, *children):
    return chunk(b"LIST", kind + b"".join(children))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("frames")
    parser.add_argument("output")
    parser.add_argument("--fps", type=int, default=15)
    parser.add_argument("--audio")
    parser.add_argument("--rate", type=int, default=8000)
    args = parser.parse_args()

    pictures = list(split_jpegs(open(args.frames, "rb").read()))
    frames = [camera_frame(s, e) for s, e in pictures]
    width, height = picture_size(pictures[0][0])
    audio = open(args.audio, "rb").read() if args.audio else b""
    streams = 2 if audio else 1

    avih = struct.pack("<10I4I", 1000000 // args.fps, 0, 0, 0x10 | 0x100, len(frames), 0, streams,
                       max(map(len, frames)), width, height, 0, 0, 0, 0)
    strh_v = b"vidsMJPG" + struct.pack("<IHHIIIIIIIIhhhh", 0, 0, 0, 0, 1, args.fps, 0, len(frames),
                                       max(map(len, frames)), 10000, 0, 0, 0, width, height)
    strf_v = struct.pack("<IiiHH4sIiiII", 40, width, height, 1, 24, b"MJPG", width * height * 3, 0, 0, 0, 0)
    hdrl = [chunk(b"avih", avih), lst(b"strl", chunk(b"strh", strh_v), chunk(b"strf", strf_v))]
    if audio:
        strh_a = b"auds" + struct.pack("<IIHHIIIIIIIIhhhh", 0, 0, 0, 0, 0, 1, args.rate, 0, len(audio),
                                      args.rate, 0, 1, 0, 0, 0, 0)
        strf_a = struct.pack("<HHIIHHH", 1, 1, args.rate, args.rate, 1, 8, 0)
        hdrl.append(lst(b"strl", chunk(b"strh", strh_a), chunk(b"strf", strf_a)))

    movi, index, offset = [], [], 4
    per_frame = args.rate / args.fps
    for number, frame in enumerate(frames):
        pieces = [(b"00dc", frame, 0x10)]
        if audio:
            begin, end = round(number * per_frame), round((number + 1) * per_frame)
            if begin < len(audio):
                pieces.append((b"01wb", audio[begin:end], 0))
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
