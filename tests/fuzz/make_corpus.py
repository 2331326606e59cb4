#!/usr/bin/env python3
"""Writes the named hostile inputs of the fuzz regression corpus (one byte
picking the transform, then the file) from the bundled sample's first frame.

usage: make_corpus.py SAMPLE.avi CORPUS_DIR
"""
import os
import struct
import sys


def chunk(fourcc, data, size=None):
    size = len(data) if size is None else size
    return fourcc + struct.pack("<I", size) + data + (b"\0" if len(data) % 2 else b"")


def lst(kind, *children):
    return chunk(b"LIST", kind + b"".join(children))


def riff(*children):
    return chunk(b"RIFF", b"AVI " + b"".join(children))


def avih(frames=1):
    return chunk(b"avih", struct.pack("<14I", 40000, 0, 0, 0x10, frames, 0, 1, 0, 320, 240, 0, 0, 0, 0))


def strh(kind=b"vids", handler=b"MJPG"):
    return chunk(b"strh", kind + handler + struct.pack("<IHHIIIIIIIIhhhh", 0, 0, 0, 0, 1, 25, 0, 1, 0, 0xFFFFFFFF, 0,
                                                       0, 0, 320, 240))


def strf(width, height):
    return chunk(b"strf", struct.pack("<IiiHH4sIiiII", 40, width, height, 1, 24, b"MJPG", 0, 0, 0, 0, 0))


def hdrl(width, height, frames=1):
    return lst(b"hdrl", avih(frames), lst(b"strl", strh(), strf(width, height)))


def first_frame(sample):
    data = open(sample, "rb").read()
    at = data.index(b"00dc", data.index(b"movi"))
    size = struct.unpack_from("<I", data, at + 4)[0]
    return data[at + 8:at + 8 + size]


def main():
    sample, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    frame = first_frame(sample)
    nested = b""
    levels = 5000
    for i in range(levels):
        nested += b"LIST" + struct.pack("<I", (levels - i) * 12 - 8) + b"INFO"
    audio_strl = lst(b"strl", strh(b"auds", b"\0\0\0\0"), chunk(b"strf", struct.pack("<HHIIHH", 1, 1, 8000, 16000, 2, 16)))
    cases = {
        "nested-lists-5000-deep": riff(hdrl(320, 240), nested),
        "vprp-size-beyond-the-file": riff(lst(b"hdrl", avih(), lst(b"strl", strh(), strf(320, 240),
                                                                     chunk(b"vprp", bytes(60), 0xFFFFFFF0)))),
        "strf-65500-square": riff(hdrl(65500, 65500)),
        "strf-20000-square-small-frames": riff(hdrl(20000, 20000), lst(b"movi", chunk(b"00dc", frame))),
        "empty-riff": b"RIFF" + struct.pack("<I", 4) + b"AVI ",
        "audio-only": riff(lst(b"hdrl", avih(0), audio_strl), lst(b"movi", chunk(b"00wb", bytes(100)))),
        "video-stream-without-frames": riff(hdrl(320, 240, 0), lst(b"movi")),
        "two-fields-in-one-chunk": riff(hdrl(320, 240), lst(b"movi", chunk(b"00dc", frame + frame))),
        "frame-size-0xfffffffe": riff(hdrl(320, 240), lst(b"movi", chunk(b"00dc", frame, 0xFFFFFFFE))),
        "sample-first-frame": riff(hdrl(320, 240), lst(b"movi", chunk(b"00dc", frame))),
    }
    # Recordings cut short or never finalized: open lists, a cut chunk, a
    # tail of zeros. Numbered apart, so that the cases above keep their bytes.
    whole = riff(hdrl(320, 240, 3), lst(b"movi", chunk(b"00dc", frame), chunk(b"00dc", frame), chunk(b"00dc", frame)))
    unfinalized = bytearray(whole)
    struct.pack_into("<I", unfinalized, 4, 0)
    movi = unfinalized.index(b"movi") - 8
    struct.pack_into("<I", unfinalized, movi + 4, 0)
    recordings = {
        "recording-cut-inside-a-frame": whole[:len(whole) - len(frame) // 2],
        "recording-cut-inside-a-chunk-header": whole[:len(whole) - len(frame) - 4],
        "recording-never-finalized": bytes(unfinalized),
        "recording-never-finalized-zero-tail": bytes(unfinalized) + bytes(2048),
    }
    for transform, (name, data) in enumerate(sorted(cases.items())):
        with open(os.path.join(out, name), "wb") as f:
            f.write(bytes([transform % 5]) + data)
    for transform, (name, data) in enumerate(sorted(recordings.items())):
        with open(os.path.join(out, name), "wb") as f:
            f.write(bytes([transform % 5]) + data)


if __name__ == "__main__":
    main()
