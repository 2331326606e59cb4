#!/usr/bin/env python3
"""Writes the named hostile inputs of the fuzz regression corpora (one byte
picking the transform, then the file) from the bundled sample's first frame:
the conversion's into CORPUS_DIR, the preview's into PREVIEW_CORPUS_DIR
(where the byte also picks the frame shown, 0 to 3, in bits 3 and 4).

usage: make_corpus.py SAMPLE.avi CORPUS_DIR [PREVIEW_CORPUS_DIR]
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


def segment(marker, payload):
    """A JPEG marker segment: 0xFF, the marker, the big-endian length, the payload."""
    return bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload


SOI = b"\xff\xd8"
EOI = b"\xff\xd9"
SOF0, SOF2, SOF9, SOS, DQT, COM = 0xC0, 0xC2, 0xC9, 0xDA, 0xDB, 0xFE


def sof(marker, width, height, sampling):
    """A frame header: 8-bit samples, components 1.. with the given sampling factors, quantization table 0."""
    components = b"".join(struct.pack(">BBB", i + 1, factors, 0) for i, factors in enumerate(sampling))
    return segment(marker, struct.pack(">BHHB", 8, height, width, len(sampling)) + components)


def sos(components, start, end, approximation=0):
    """A scan header of (component id, DC table << 4 | AC table) pairs, spectral selection, successive approximation."""
    selectors = b"".join(struct.pack(">BB", cid, tables) for cid, tables in components)
    return segment(SOS, bytes([len(components)]) + selectors + bytes([start, end, approximation]))


FLAT_DQT = segment(DQT, b"\x00" + bytes([1] * 64))
ALL_DC = [(1, 0x00), (2, 0x11), (3, 0x11)]


def progressive_empty_scans(scans):
    """A progressive 16384x16384 4:2:0 frame: a DC scan, then AC scans of the luma, none holding a byte of data."""
    body = FLAT_DQT + sof(SOF2, 16384, 16384, [0x22, 0x11, 0x11]) + sos(ALL_DC, 0, 0)
    body += sos([(1, 0x00)], 1, 63) * (scans - 1)
    return SOI + body + EOI


def progressive_444(length):
    """A progressive 16384x16384 4:4:4 frame of `length` bytes: a DC scan and a luma AC scan of zero bytes."""
    head = SOI + FLAT_DQT + sof(SOF2, 16384, 16384, [0x11, 0x11, 0x11])
    tail = sos(ALL_DC, 0, 0) + bytes(8) + sos([(1, 0x00)], 1, 63) + bytes(8) + EOI
    return head + segment(COM, bytes(length - len(head) - len(tail) - 4)) + tail


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
    # Frames that ask for much work or memory from few bytes, and OpenDML
    # files with something between their RIFF chunks.
    tiny_baseline = (SOI + sof(SOF0, 16384, 16384, [0x11]) + b"\xff")[:16]
    arithmetic = bytearray(frame)
    arithmetic[arithmetic.index(bytes([0xFF, SOF0]))+1] = SOF9

    def opendml(between):
        return (riff(hdrl(320, 240, 5), lst(b"movi", chunk(b"00dc", frame))) + between +
                chunk(b"RIFF", b"AVIX" + lst(b"movi", *[chunk(b"00dc", frame)] * 4)))

    bounds = {
        "opendml-junk-between-riff-chunks": opendml(chunk(b"JUNK", b"")),
        "opendml-zero-padding-between-riff-chunks": opendml(bytes(2)),
        "progressive-16384-square-1001-empty-scans":
            riff(hdrl(16384, 16384), lst(b"movi", chunk(b"00dc", progressive_empty_scans(1001)))),
        "progressive-444-16384-square-446-bytes":
            riff(hdrl(16384, 16384), lst(b"movi", chunk(b"00dc", progressive_444(446)))),
        "baseline-16384-square-four-16-byte-frames":
            riff(hdrl(16384, 16384, 4), lst(b"movi", *[chunk(b"00dc", tiny_baseline)] * 4)),
        "arithmetic-coded-frame": riff(hdrl(320, 240), lst(b"movi", chunk(b"00dc", bytes(arithmetic)))),
    }
    for transform, (name, data) in enumerate(sorted(bounds.items())):
        with open(os.path.join(out, name), "wb") as f:
            f.write(bytes([transform % 5]) + data)
    # The preview's: the same, showing the last frame they hold (the fourth),
    # and the sample's first frame under each transform.
    if len(sys.argv) > 3:
        preview = sys.argv[3]
        os.makedirs(preview, exist_ok=True)
        for transform, (name, data) in enumerate(sorted(bounds.items())):
            with open(os.path.join(preview, name), "wb") as f:
                f.write(bytes([3 << 3 | transform % 5]) + data)
        for transform in range(5):
            with open(os.path.join(preview, "sample-first-frame-transform-%d" % transform), "wb") as f:
                f.write(bytes([transform]) + cases["sample-first-frame"])
    for transform, (name, data) in enumerate(sorted(cases.items())):
        with open(os.path.join(out, name), "wb") as f:
            f.write(bytes([transform % 5]) + data)
    for transform, (name, data) in enumerate(sorted(recordings.items())):
        with open(os.path.join(out, name), "wb") as f:
            f.write(bytes([transform % 5]) + data)
    # Found by fuzzing: a RIFF AVIX cut short behind a first RIFF chunk
    # without 'movi' (the walk looked at its first chunk for ever).
    open_avix = (riff(hdrl(320, 240, 5), chunk(b"\0I\0T", bytes(12556))) + b"RIFF" + struct.pack("<I", 50224) +
                 b"AVIX" + b"Li00" + struct.pack("<I", 822109028) + bytes(23))
    with open(os.path.join(out, "open-avix-behind-a-riff-without-movi"), "wb") as f:
        f.write(bytes([2]) + open_avix)


if __name__ == "__main__":
    main()
