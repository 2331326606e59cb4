#!/usr/bin/env python3
"""Structural check of an AVI file written by kestrel-cli.

usage: avi_check.py OUTPUT.avi [--source SOURCE.avi --transform T]

On the output alone:
  - the RIFF size matches the file and every LIST size matches its children;
  - the last chunk of the RIFF is an 'idx1' that lists every stream data
    chunk of 'movi' (and of 'rec ' lists in it) in file order, with its id,
    its offset from the 'movi' list type (first chunk at 4), the flags 0x10
    for 'dc'/'db' and 'wb' (0 for an empty 'dc'/'db' chunk, a repeated
    frame), 0x100 for 'pc' and the chunk's own size as its length (without
    the pad byte of odd data);
  - no OpenDML index is left ('indx' in a stream list, 'ix##' in 'movi');
  - the main header has its has-index flag.

An output of more than one RIFF (OpenDML, AVI 2.0) is checked instead for:
  - a RIFF 'AVI ' followed by RIFF 'AVIX' chunks covering the file, each
    'AVIX' holding one LIST movi, each movi ending in its standard indexes;
  - an 'indx' super index in the stream list of every stream with data,
    whose entries each point at a standard index 'ix##' of that stream with
    the stated size and duration (frames, or audio bytes / dwSampleSize),
    every 'ix##' listed by one entry and unused entries zero;
  - standard index entries that each point at a data chunk of their RIFF
    with the index's chunk id, its size and the right key-frame bit (set for
    'pc' and empty frames), every data chunk of every 'movi' indexed once;
  - 'dmlh' counting every video frame, 'avih' those of the first RIFF;
  - an 'idx1' closing the first RIFF that lists exactly its 'movi' chunks
    by the rules above.

Given the source and the transform, the output is also compared with it
chunk by chunk: the same tree in the same order, the source's 'idx1'
dropped, OpenDML index chunks turned into 'JUNK' chunks of the same size,
width and height exchanged in 'avih', the video 'strh' rcFrame, the video
'strf' and 'vprp' for cw/acw (and nothing else changed there), every video
frame re-encoded behind the source frame's first 20 bytes (or behind SOI and
a JFIF APP0 when the source frame has no such head) followed by the source
frame's other APPn and COM segments in their order, then DRI, DQT, SOF0 and
SOS with no Huffman tables, and every other chunk byte for byte the same.
When the source or the output has more than one RIFF, the headers are
compared as above and the 'movi' contents as one sequence over all RIFFs
(the output's own standard indexes left out, the source's as 'JUNK' of the
same size); an output of several RIFFs writes its 'indx' over the source's
'indx' or a 'JUNK' of at least 40 bytes in the stream list, and LIST odml
over the source's or over a 'JUNK' of at least 16 bytes in hdrl; a stream
list and hdrl may end in room added for them ('JUNK' of 4120 and 260
bytes, or what was written over it). Of a source cut short (check's cut
argument, given the whole source) the output holds the first of its movi
chunks, and its frame counts are those of the frames it holds.

Exits 0 when all is well, 1 with one message per fault on stderr.
"""

import argparse
import mmap
import struct
import sys

TRANSFORMS = ("cw", "acw", "180", "mirror-x", "mirror-y")
QUARTER_TURNS = ("cw", "acw")

CHUNK_HEADER = 8
FRAME_HEAD = 20  # SOI and one APP0 segment, kept from the source frame

# avih (main header)
AVIH_SIZE = 56
AVIH_FLAGS, AVIH_SUGGESTED_BUFFER, AVIH_WIDTH, AVIH_HEIGHT = 12, 28, 32, 36
AVIF_HASINDEX = 0x10
# strh (stream header)
STRH_SIZE = 56
STRH_TYPE, STRH_HANDLER, STRH_FRAME_RIGHT, STRH_FRAME_BOTTOM = 0, 4, 52, 54
# strf of a video stream (bitmap info header)
STRF_WIDTH, STRF_HEIGHT = 4, 8
# vprp (OpenDML video properties)
VPRP_H_TOTAL, VPRP_V_TOTAL = 12, 16
VPRP_ASPECT, VPRP_WIDTH, VPRP_HEIGHT, VPRP_FIELDS, VPRP_FIELD_INFO = 20, 24, 28, 32, 36
VPRP_FIELD_SIZE = 32
VPRP_FIELD_PAIRS = ((0, 4), (8, 12))  # compressed and valid bitmap height/width
AVIH_TOTAL_FRAMES = 16
STRH_LENGTH, STRH_SAMPLE_SIZE = 32, 44
DMLH_TOTAL_FRAMES = 0
# OpenDML: super index ('indx') and standard index ('ix##')
INDX_HEAD = struct.Struct("<HBBI4s12x")  # wLongsPerEntry, bIndexSubType, bIndexType, nEntriesInUse, dwChunkId
INDX_ENTRY = struct.Struct("<QII")  # qwOffset, dwSize (header included), dwDuration
IX_HEAD = struct.Struct("<HBBI4sQI")  # ..., dwChunkId, qwBaseOffset, dwReserved
IX_ENTRY = struct.Struct("<II")  # dwOffset (of the data, from qwBaseOffset), dwSize
AVI_INDEX_OF_INDEXES, AVI_INDEX_OF_CHUNKS = 0, 1
NOT_KEY_FRAME = 0x80000000
INDX_ROOM_MIN, ODML_ROOM_MIN = 40, 16  # JUNK data that can hold an indx / a LIST odml
ADDED_INDX_ROOM, ADDED_ODML_ROOM = 4120, 260  # JUNK data added to a stream list / hdrl
# idx1 entries
IDX1_ENTRY = struct.Struct("<4sIII")
IDX1_FLAGS = {b"dc": 0x10, b"db": 0x10, b"wb": 0x10, b"pc": 0x100}
STREAM_DATA_SUFFIXES = tuple(IDX1_FLAGS)


class CheckError(Exception):
    pass


class Chunk:
    """One chunk of the RIFF tree; lists carry their type and children."""

    def __init__(self, data, offset, path):
        if offset + CHUNK_HEADER > len(data):
            raise CheckError(f"{path}: chunk header at {offset} runs past the end of the file")
        self.data = data
        self.offset = offset
        self.id = data[offset:offset + 4]
        self.size = struct.unpack_from("<I", data, offset + 4)[0]
        self.list_type = None
        self.children = []
        self.path = f"{path}/{self.name()}@{offset}"
        if self.id in (b"RIFF", b"LIST"):
            if self.size < 4:
                raise CheckError(f"{self.path}: list size {self.size} is smaller than its list type")
            self.list_type = data[offset + 8:offset + 12]
            self.path = f"{path}/{self.name()}@{offset}"
            self.children = parse_children(data, offset + 12, offset + CHUNK_HEADER + self.size, self.path)

    def name(self):
        kind = self.id.decode("latin-1")
        return f"{kind}:{self.list_type.decode('latin-1')}" if self.list_type else kind

    @property
    def padded_size(self):
        return self.size + (self.size & 1)

    @property
    def end(self):
        return self.offset + CHUNK_HEADER + self.padded_size

    @property
    def payload(self):
        start = self.offset + CHUNK_HEADER
        return self.data[start:start + self.size]

    def is_list(self, list_type=None):
        return self.list_type is not None and (list_type is None or self.list_type == list_type)


def parse_children(data, start, end, path):
    if end > len(data):
        raise CheckError(f"{path}: size says it ends at {end}, the file ends at {len(data)}")
    children, offset = [], start
    while offset < end:
        child = Chunk(data, offset, path)
        if child.end > end:
            raise CheckError(f"{child.path}: size {child.size} runs past the end of its list at {end}")
        children.append(child)
        offset = child.end
    return children


def parse_riffs(data, label):
    """The RIFF chunks of the file: 'AVI ' then any number of 'AVIX'."""
    riffs, offset = [], 0
    while offset < len(data):
        riff = Chunk(data, offset, label)
        expected = b"AVI " if not riffs else b"AVIX"
        if riff.id != b"RIFF" or riff.list_type != expected:
            raise CheckError(f"{riff.path}: expected RIFF '{expected.decode()}', found {riff.id!r} {riff.list_type!r}")
        riffs.append(riff)
        offset = riff.end
    if not riffs:
        raise CheckError(f"{label}: empty file")
    if riffs[-1].end != len(data):
        raise CheckError(f"{label}: RIFF size {riffs[-1].size} covers {riffs[-1].end} bytes, the file has {len(data)}")
    return riffs


def parse_file(data, label):
    """The first RIFF, after checking the whole sequence."""
    return parse_riffs(data, label)[0]


def load(path):
    with open(path, "rb") as f:
        if f.seek(0, 2) == 0:
            return b""
        return mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ)


def is_stream_data(chunk):
    return not chunk.is_list() and chunk.id[2:] in STREAM_DATA_SUFFIXES


def is_opendml_index(chunk, parent):
    if parent.is_list(b"strl"):
        return chunk.id == b"indx"
    if parent.is_list(b"movi") or parent.is_list(b"rec "):
        return chunk.id[:2] == b"ix" and chunk.id[2:].isdigit()
    return False


def le32(payload, offset):
    return struct.unpack_from("<I", payload, offset)[0]


def le16(payload, offset):
    return struct.unpack_from("<H", payload, offset)[0]


def find_movi(riff):
    movi = [c for c in riff.children if c.is_list(b"movi")]
    if len(movi) != 1:
        raise CheckError(f"expected one 'movi' list in the RIFF, found {len(movi)}")
    return movi[0]


def walk(chunk):
    """Yields (chunk, parent) depth-first in file order."""
    for child in chunk.children:
        yield child, chunk
        yield from walk(child)


def check_output_alone(riffs, faults):
    if len(riffs) == 1:
        for chunk, parent in walk(riffs[0]):
            if is_opendml_index(chunk, parent):
                faults.append(f"{chunk.path}: OpenDML index chunk left in the output")
    else:
        OpenDmlCheck(riffs, faults).run()
    check_idx1(riffs[0], faults)
    avih = [c for c, _ in walk(riffs[0]) if c.id == b"avih"]
    if not avih:
        faults.append("no 'avih' main header")
    elif avih[0].size == AVIH_SIZE and not le32(avih[0].payload, AVIH_FLAGS) & AVIF_HASINDEX:
        faults.append(f"{avih[0].path}: the has-index flag (0x10) is not set")


def check_idx1(riff, faults):
    """The last chunk of the (first) RIFF is an idx1 listing its movi's chunks."""
    last = riff.children[-1] if riff.children else None
    if last is None or last.id != b"idx1":
        faults.append(f"the last chunk of the RIFF is {last and last.path}, not 'idx1'")
        return
    idx1 = [c for c in riff.children if c.id == b"idx1"]
    if len(idx1) != 1:
        faults.append(f"the RIFF holds {len(idx1)} 'idx1' chunks")
    if last.size % IDX1_ENTRY.size:
        faults.append(f"{last.path}: size {last.size} is not a multiple of {IDX1_ENTRY.size}")
        return

    movi = find_movi(riff)
    movi_base = movi.offset + CHUNK_HEADER  # offsets count from the 'movi' list type
    data_chunks = [c for c, _ in walk(movi) if is_stream_data(c)]
    entries = list(IDX1_ENTRY.iter_unpack(last.payload))
    if len(entries) != len(data_chunks):
        faults.append(f"idx1 has {len(entries)} entries, 'movi' holds {len(data_chunks)} stream data chunks")
    for number, (entry, chunk) in enumerate(zip(entries, data_chunks)):
        suffix = chunk.id[2:]
        flags = 0 if suffix in (b"dc", b"db") and chunk.size == 0 else IDX1_FLAGS[suffix]
        expected = (chunk.id, flags, chunk.offset - movi_base, chunk.size)
        if entry != expected:
            faults.append(f"idx1 entry {number} is (id, flags, offset, length) = {fmt_entry(entry)}, "
                          f"expected {fmt_entry(expected)} for {chunk.path}")
            if len(faults) > 20:
                return


def is_key_frame(chunk):
    """Key frames in the standard indexes: as the idx1 flag 0x10."""
    suffix = chunk.id[2:]
    return suffix == b"wb" or (suffix in (b"dc", b"db") and chunk.size > 0)


def stream_lists(riff):
    hdrl = [c for c in riff.children if c.is_list(b"hdrl")]
    if not hdrl:
        raise CheckError("no LIST hdrl in the first RIFF")
    return hdrl[0], [c for c in hdrl[0].children if c.is_list(b"strl")]


def video_stream_number(strls):
    for number, strl in enumerate(strls):
        strh = next((c for c in strl.children if c.id == b"strh"), None)
        if strh is not None and strh.payload[:4] == b"vids":
            return number
    return None


def stream_number(chunk):
    return int(chunk.id[:2]) if chunk.id[:2].isdigit() else None


def is_video_chunk(chunk, video):
    return is_stream_data(chunk) and chunk.id[2:] in (b"dc", b"db") and stream_number(chunk) == video


def movi_leaves(riffs):
    """(chunk, parent) of every chunk in the movi lists of all RIFFs, rec lists opened, in file order."""
    for riff in riffs:
        for movi in (c for c in riff.children if c.is_list(b"movi")):
            for chunk, parent in walk(movi):
                if not chunk.is_list():
                    yield chunk, parent


class OpenDmlCheck:
    """The indexes and frame counts of a file of several RIFFs."""

    def __init__(self, riffs, faults):
        self.riffs = riffs
        self.faults = faults
        self.data = {}  # data offset (behind the chunk header) -> (chunk, RIFF number)
        self.indexes = {}  # offset of an ix## chunk -> (chunk, RIFF number)
        self.times_indexed = {}  # data offset -> entries pointing at it
        self.listed = set()  # offsets of the ix## chunks listed by a super index

    def fault(self, text):
        self.faults.append(text)

    def run(self):
        for number, riff in enumerate(self.riffs):
            movis = [c for c in riff.children if c.is_list(b"movi")]
            if len(movis) != 1:
                self.fault(f"{riff.path}: holds {len(movis)} LIST movi, expected one")
            if number and len(riff.children) != len(movis):
                self.fault(f"{riff.path}: holds {[c.name() for c in riff.children]}, expected LIST movi alone")
            for movi in movis:
                for chunk, parent in walk(movi):
                    if is_stream_data(chunk):
                        self.data[chunk.offset + CHUNK_HEADER] = (chunk, number)
                    elif is_opendml_index(chunk, parent):
                        self.indexes[chunk.offset] = (chunk, number)
                kinds = [is_opendml_index(c, movi) for c in movi.children]
                if True in kinds and not all(kinds[kinds.index(True):]):
                    self.fault(f"{movi.path}: its standard indexes are not its last chunks")
        hdrl, strls = stream_lists(self.riffs[0])
        for stream, strl in enumerate(strls):
            self.check_super_index(stream, strl)
        for offset, (chunk, _) in self.indexes.items():
            if offset not in self.listed:
                self.fault(f"{chunk.path}: no super index entry points at this standard index")
        unindexed = [chunk.path for offset, (chunk, _) in self.data.items() if offset not in self.times_indexed]
        if unindexed:
            self.fault(f"{len(unindexed)} data chunks are in no standard index, the first {unindexed[:3]}")
        twice = [self.data[offset][0].path for offset, times in self.times_indexed.items() if times > 1]
        if twice:
            self.fault(f"{len(twice)} data chunks are in more than one standard index entry, the first {twice[:3]}")
        self.check_frame_counts(hdrl, video_stream_number(strls))

    def check_super_index(self, stream, strl):
        own = [c for c in self.data.values() if stream_number(c[0]) == stream]
        indx = [c for c in strl.children if c.id == b"indx"]
        if len(indx) != 1:
            if own or indx:
                self.fault(f"{strl.path}: stream {stream} has {len(own)} data chunks and {len(indx)} 'indx' chunks")
            return
        indx = indx[0]
        if indx.size < INDX_HEAD.size:
            self.fault(f"{indx.path}: size {indx.size} is smaller than a super index header")
            return
        p = indx.payload
        longs, sub_type, index_type, count, chunk_id = INDX_HEAD.unpack_from(p)
        if (longs, sub_type, index_type) != (INDX_ENTRY.size // 4, 0, AVI_INDEX_OF_INDEXES):
            self.fault(f"{indx.path}: (wLongsPerEntry, bIndexSubType, bIndexType) = {(longs, sub_type, index_type)}, "
                       f"expected (4, 0, {AVI_INDEX_OF_INDEXES})")
        if any(p[8 + 4:INDX_HEAD.size]):
            self.fault(f"{indx.path}: reserved dwords are not zero")
        if own and {c.id for c, _ in own if c.id[2:] != b"pc"} != {chunk_id}:
            self.fault(f"{indx.path}: dwChunkId {chunk_id!r}, the stream's chunks are "
                       f"{sorted({c.id for c, _ in own})}")
        used = INDX_HEAD.size + count * INDX_ENTRY.size
        if used > indx.size:
            self.fault(f"{indx.path}: nEntriesInUse {count} needs {used} bytes, the chunk has {indx.size}")
            return
        if any(p[used:]):
            self.fault(f"{indx.path}: the entries behind nEntriesInUse {count} are not zero")
        sample_size = self.sample_size(strl)
        for entry in range(count):
            offset, size, duration = INDX_ENTRY.unpack_from(p, INDX_HEAD.size + entry * INDX_ENTRY.size)
            where = f"{indx.path}: entry {entry}"
            ix = self.indexes.get(offset)
            if ix is None:
                self.fault(f"{where}: qwOffset {offset} is not the start of a standard index chunk")
                continue
            ix, riff_number = ix
            if offset in self.listed:
                self.fault(f"{where}: {ix.path} is listed twice")
            self.listed.add(offset)
            if ix.id != b"ix%02d" % stream:
                self.fault(f"{where}: points at {ix.path}, expected a chunk 'ix{stream:02d}'")
            if size != ix.size + CHUNK_HEADER:
                self.fault(f"{where}: dwSize {size}, {ix.path} takes {ix.size + CHUNK_HEADER} bytes with its header")
            chunks = self.check_standard_index(ix, riff_number, chunk_id)
            if chunks is None:
                continue
            audio = self.stream_type(strl) == b"auds" and sample_size > 0
            expected = sum(c.size for c in chunks) // sample_size if audio else len(chunks)
            if duration != expected:
                self.fault(f"{where}: dwDuration {duration}, expected {expected} "
                           f"({'audio bytes / dwSampleSize' if audio else 'chunks'} of {ix.path})")

    def check_standard_index(self, ix, riff_number, chunk_id):
        """The data chunks that ix lists (None when its header is wrong)."""
        if ix.size < IX_HEAD.size:
            self.fault(f"{ix.path}: size {ix.size} is smaller than a standard index header")
            return None
        p = ix.payload
        longs, sub_type, index_type, count, ix_chunk_id, base, reserved = IX_HEAD.unpack_from(p)
        if (longs, sub_type, index_type, reserved) != (IX_ENTRY.size // 4, 0, AVI_INDEX_OF_CHUNKS, 0):
            self.fault(f"{ix.path}: (wLongsPerEntry, bIndexSubType, bIndexType, dwReserved) = "
                       f"{(longs, sub_type, index_type, reserved)}, expected (2, 0, {AVI_INDEX_OF_CHUNKS}, 0)")
        if ix_chunk_id != chunk_id:
            self.fault(f"{ix.path}: dwChunkId {ix_chunk_id!r}, its super index has {chunk_id!r}")
        if IX_HEAD.size + count * IX_ENTRY.size > ix.size:
            self.fault(f"{ix.path}: nEntriesInUse {count} needs {IX_HEAD.size + count * IX_ENTRY.size} bytes, "
                       f"the chunk has {ix.size}")
            return None
        chunks = []
        for entry in range(count):
            offset, size = IX_ENTRY.unpack_from(p, IX_HEAD.size + entry * IX_ENTRY.size)
            where = f"{ix.path}: entry {entry} (dwOffset {offset}, dwSize {size:#x})"
            target = self.data.get(base + offset)
            if target is None:
                self.fault(f"{where}: qwBaseOffset + dwOffset = {base + offset} is not the data of a stream chunk")
                continue
            chunk, chunk_riff = target
            self.times_indexed[base + offset] = self.times_indexed.get(base + offset, 0) + 1
            chunks.append(chunk)
            if chunk_riff != riff_number:
                self.fault(f"{where}: points into another RIFF, at {chunk.path}")
            if chunk.id != ix_chunk_id and not (chunk.id[2:] == b"pc" and chunk.id[:2] == ix_chunk_id[:2]):
                self.fault(f"{where}: points at {chunk.path}, not a {ix_chunk_id!r} chunk")
            expected = chunk.size | (0 if is_key_frame(chunk) else NOT_KEY_FRAME)
            if size != expected:
                self.fault(f"{where}: expected dwSize {expected:#x} for {chunk.path} "
                           f"({'key frame' if is_key_frame(chunk) else 'bit 31: not a key frame'})")
        return chunks

    @staticmethod
    def strh(strl):
        return next((c for c in strl.children if c.id == b"strh"), None)

    def stream_type(self, strl):
        strh = self.strh(strl)
        return strh.payload[:4] if strh else None

    def sample_size(self, strl):
        strh = self.strh(strl)
        return le32(strh.payload, STRH_SAMPLE_SIZE) if strh and strh.size >= STRH_SIZE else 0

    def check_frame_counts(self, hdrl, video):
        per_riff = [0] * len(self.riffs)
        for chunk, number in self.data.values():
            if is_video_chunk(chunk, video):
                per_riff[number] += 1
        odml = [c for c in hdrl.children if c.is_list(b"odml")]
        dmlh = [c for o in odml for c in o.children if c.id == b"dmlh"]
        if len(dmlh) != 1 or dmlh[0].size < 4:
            self.fault(f"{hdrl.path}: expected one LIST odml with a 'dmlh', found {[c.name() for c in odml + dmlh]}")
        elif le32(dmlh[0].payload, 0) != sum(per_riff):
            self.fault(f"{dmlh[0].path}: dwTotalFrames {le32(dmlh[0].payload, 0)}, the file holds "
                       f"{sum(per_riff)} video frames")
        avih = [c for c in hdrl.children if c.id == b"avih"]
        if avih and avih[0].size == AVIH_SIZE and le32(avih[0].payload, AVIH_TOTAL_FRAMES) != per_riff[0]:
            self.fault(f"{avih[0].path}: dwTotalFrames {le32(avih[0].payload, AVIH_TOTAL_FRAMES)}, the first RIFF "
                       f"holds {per_riff[0]} video frames")


def fmt_entry(entry):
    ckid, flags, offset, length = entry
    return f"({ckid.decode('latin-1')}, {flags:#x}, {offset}, {length})"


def header_segments(frame):
    """(marker, bytes) of each segment in front of the first SOS, SOS included."""
    segments, pos = [], 2
    while pos + 4 <= len(frame):
        if frame[pos] != 0xFF:
            raise CheckError(f"no marker at byte {pos}")
        marker = frame[pos + 1]
        if marker == 0xFF:  # fill byte
            pos += 1
            continue
        end = pos + 2 + struct.unpack_from(">H", frame, pos + 2)[0]
        segments.append((marker, frame[pos:end]))
        if marker == 0xDA:
            return segments
        pos = end
    raise CheckError("no SOS segment")


def jpeg_segments(frame):
    """Marker codes of the segments in front of the first SOS."""
    return [marker for marker, _ in header_segments(frame)]


def is_app_or_com(marker):
    return 0xE0 <= marker <= 0xEF or marker == 0xFE


def has_whole_head(frame):
    """The frame's first 20 bytes are SOI and one whole APPn or COM segment:
    the head a converted frame keeps."""
    return (frame[:2] == b"\xff\xd8" and len(frame) > FRAME_HEAD and frame[2] == 0xFF
            and is_app_or_com(frame[3]) and frame[4:6] == b"\x00\x10")


def carried_segments(frame):
    """The APPn and COM segments of a source frame, other than its kept head,
    that its converted frame carries behind its head, as bytes."""
    segments = header_segments(frame)
    if has_whole_head(frame):
        segments = segments[1:]
    return b"".join(data for marker, data in segments if is_app_or_com(marker))


class Comparison:
    """Walks source and output trees side by side."""

    def __init__(self, transform, faults, source_riffs, output_riffs, cut=False):
        self.swap = transform in QUARTER_TURNS
        self.cut = cut
        self.faults = faults
        self.stream_types = []  # fccType of each stream, in stream list order
        self.video_stream = None
        self.source_riffs, self.output_riffs = source_riffs, output_riffs
        # movi contents compared as one sequence over all RIFFs
        self.flat = len(source_riffs) > 1 or len(output_riffs) > 1 or cut
        self.opendml_out = len(output_riffs) > 1

    def run(self):
        if self.cut:  # the frames the output holds, which its counts must say
            video = video_stream_number(stream_lists(self.output_riffs[0])[1])
            self.frames = sum(1 for c, _ in movi_leaves(self.output_riffs) if is_video_chunk(c, video))
        self.compare_lists(self.source_riffs[0], self.output_riffs[0])
        if not self.flat:
            return
        self.compare_movi_sequences()
        if not self.opendml_out:  # several RIFFs became one: avih counts every frame
            avih = [c for c, _ in walk(self.output_riffs[0]) if c.id == b"avih"]
            frames = sum(1 for c, _ in movi_leaves(self.output_riffs) if is_video_chunk(c, self.video_stream))
            if avih and avih[0].size == AVIH_SIZE and le32(avih[0].payload, AVIH_TOTAL_FRAMES) != frames:
                self.fault(avih[0], f"dwTotalFrames {le32(avih[0].payload, AVIH_TOTAL_FRAMES)}, "
                                    f"the output holds {frames} video frames")

    def compare_movi_sequences(self):
        """The chunks of all movi lists in order; the output's own standard
        indexes left out (checked on their own)."""
        source = list(movi_leaves(self.source_riffs))
        output = [(c, p) for c, p in movi_leaves(self.output_riffs)
                  if not (self.opendml_out and is_opendml_index(c, p))]
        if self.cut and len(output) <= len(source):
            source = source[:len(output)]  # the chunks before the cut
        if len(source) != len(output):
            self.faults.append(f"the output's movi lists hold {len(output)} chunks besides its standard indexes, "
                               f"the source's {len(source)}")
        first_faults = len(self.faults)
        for (s, parent), (o, _) in zip(source, output):
            if len(self.faults) - first_faults > 20:
                return
            if is_opendml_index(s, parent):
                if o.id != b"JUNK" or o.size != s.size:
                    self.fault(o, f"source's {s.name()} of size {s.size} became {o.name()} of size {o.size}, "
                                  "expected a JUNK chunk of the same size")
            elif o.id != s.id:
                self.fault(o, f"source has {s.path} here")
            elif self.is_video_frame(s, parent):
                self.compare_frame(s, o)
            elif s.payload != o.payload:
                self.fault(o, f"differs from the source's {s.path} ({s.size} -> {o.size} bytes)")

    def drop_added_room(self, output, src, out):
        """A stream list or hdrl may end in room added for an indx or LIST odml."""
        if len(out) != len(src) + 1:
            return out
        room = out[-1]
        if output.is_list(b"strl"):
            written = room.id == b"indx"
            size = ADDED_INDX_ROOM
        else:
            written = room.is_list(b"odml")
            size = ADDED_ODML_ROOM
        if (room.id == b"JUNK" or (written and self.opendml_out)) and room.size == size:
            return out[:-1]
        return out

    def fault(self, chunk, text):
        self.faults.append(f"{chunk.path}: {text}")

    def compare_lists(self, source, output):
        src = list(source.children)
        out = list(output.children)
        if source.id == b"RIFF":
            src = [c for c in src if c.id != b"idx1"]  # the source's index is dropped
            out = out[:-1] if out and out[-1].id == b"idx1" else out
        elif source.is_list(b"strl") or source.is_list(b"hdrl"):
            out = self.drop_added_room(output, src, out)
        if len(src) != len(out):
            self.fault(output, "children differ from the source's: "
                       f"{[c.name() for c in src]} became {[c.name() for c in out]}")
            return
        for s, o in zip(src, out):
            self.compare(s, o, source)

    def compare(self, s, o, parent):
        if self.compare_opendml_room(s, o, parent):
            return
        if s.is_list():
            if not o.is_list(s.list_type):
                self.fault(o, f"source has {s.name()} here")
                return
            self.compare_lists(s, o)
            return
        if is_opendml_index(s, parent):
            if o.id != b"JUNK" or o.size != s.size:
                self.fault(o, f"source's {s.name()} of size {s.size} became {o.name()} of size {o.size}, "
                              "expected a JUNK chunk of the same size")
            return
        if o.id != s.id:
            self.fault(o, f"source has {s.name()} here")
            return
        handler = {b"avih": self.compare_avih, b"strh": self.compare_strh, b"strf": self.compare_strf,
                   b"vprp": self.compare_vprp}.get(s.id)
        if handler and parent.is_list(b"strl" if s.id != b"avih" else b"hdrl"):
            handler(s, o)
        elif self.cut and s.id == b"dmlh":
            self.expect_fields(s, o, {DMLH_TOTAL_FRAMES: self.frames})
        elif self.is_video_frame(s, parent):
            self.compare_frame(s, o)
        elif s.payload != o.payload:
            self.fault(o, f"differs from the source's ({s.size} -> {o.size} bytes)")

    def compare_opendml_room(self, s, o, parent):
        """Chunks that hold, or give room to, the output's own indx and
        LIST odml; True when handled here."""
        if s.is_list(b"movi") and self.flat:
            if not o.is_list(b"movi"):
                self.fault(o, f"source has {s.name()} here")
            return True
        if not self.opendml_out:
            return False
        if parent.is_list(b"strl") and (s.id == b"indx" or (s.id == b"JUNK" and s.size >= INDX_ROOM_MIN)) \
                and o.id == b"indx":
            if o.size != s.size:
                self.fault(o, f"indx of size {o.size} written over the source's {s.name()} of size {s.size}")
            return True
        if parent.is_list(b"hdrl") and (s.is_list(b"odml") or (s.id == b"JUNK" and s.size >= ODML_ROOM_MIN)) \
                and o.is_list(b"odml"):
            if o.size != s.size:
                self.fault(o, f"LIST odml of size {o.size} written over the source's {s.name()} of size {s.size}")
            return True
        return False

    def is_video_frame(self, chunk, parent):
        if not (parent.is_list(b"movi") or parent.is_list(b"rec ")):
            return False
        suffix = chunk.id[2:]
        if suffix == b"dc":
            return True
        return suffix == b"db" and chunk.id[:2].isdigit() and int(chunk.id[:2]) == self.video_stream

    def expect_fields(self, s, o, changes, width=4):
        """changes: {offset: value expected in the output}; other fields unchanged."""
        fmt = "<I" if width == 4 else "<H"
        so, oo = bytearray(s.payload), bytearray(o.payload)
        for offset, value in changes.items():
            got = struct.unpack_from(fmt, oo, offset)[0]
            if got != value:
                self.fault(o, f"field at offset {offset} is {got}, expected {value}")
            so[offset:offset + width] = oo[offset:offset + width] = bytes(width)
        if so != oo:
            diff = [i for i in range(min(len(so), len(oo))) if so[i] != oo[i]]
            self.fault(o, f"unexpected changes at offsets {diff[:8]} (sizes {len(so)}, {len(oo)})")

    def compare_avih(self, s, o):
        if s.size != AVIH_SIZE or o.size != AVIH_SIZE:
            self.fault(o, f"main header size {s.size} -> {o.size}")
            return
        p = s.payload
        width, height = le32(p, AVIH_WIDTH), le32(p, AVIH_HEIGHT)
        if self.swap:
            width, height = height, width
        # The suggested buffer size is recomputed; blank it on both sides.
        o_flags_masked = bytearray(o.payload)
        o_flags_masked[AVIH_SUGGESTED_BUFFER:AVIH_SUGGESTED_BUFFER + 4] = p[AVIH_SUGGESTED_BUFFER:AVIH_SUGGESTED_BUFFER + 4]
        if self.flat:  # frame counts of the first RIFF or of all, checked elsewhere
            o_flags_masked[AVIH_TOTAL_FRAMES:AVIH_TOTAL_FRAMES + 4] = p[AVIH_TOTAL_FRAMES:AVIH_TOTAL_FRAMES + 4]
        self.expect_fields(s, FakeChunk(o, bytes(o_flags_masked)), {
            AVIH_FLAGS: le32(p, AVIH_FLAGS) | AVIF_HASINDEX, AVIH_WIDTH: width, AVIH_HEIGHT: height})

    def compare_strh(self, s, o):
        if s.size < STRH_SIZE:
            if s.payload != o.payload:
                self.fault(o, "short stream header changed")
            self.stream_types.append(s.payload[:4])
            return
        p = s.payload
        self.stream_types.append(p[STRH_TYPE:STRH_TYPE + 4])
        if p[STRH_TYPE:STRH_TYPE + 4] == b"vids":
            if self.cut:  # a cut source's length is not the output's
                if le32(o.payload, STRH_LENGTH) != self.frames:
                    self.fault(o, f"dwLength {le32(o.payload, STRH_LENGTH)}, the output holds {self.frames} frames")
                o = FakeChunk(o, o.payload[:STRH_LENGTH] + p[STRH_LENGTH:STRH_LENGTH + 4] + o.payload[STRH_LENGTH + 4:])
            if self.video_stream is None:
                self.video_stream = len(self.stream_types) - 1
            right, bottom = le16(p, STRH_FRAME_RIGHT), le16(p, STRH_FRAME_BOTTOM)
            if self.swap:
                right, bottom = bottom, right
            self.expect_fields(s, o, {STRH_FRAME_RIGHT: right, STRH_FRAME_BOTTOM: bottom}, width=2)
        elif p != o.payload:
            self.fault(o, "a non-video stream header changed")

    def current_stream_is_video(self):
        return bool(self.stream_types) and self.stream_types[-1] == b"vids"

    def compare_strf(self, s, o):
        if not self.current_stream_is_video():
            if s.payload != o.payload:
                self.fault(o, "a non-video stream format changed")
            return
        p = s.payload
        width, height = le32(p, STRF_WIDTH), le32(p, STRF_HEIGHT)
        if self.swap:
            width, height = height, width
        self.expect_fields(s, o, {STRF_WIDTH: width, STRF_HEIGHT: height})

    def compare_vprp(self, s, o):
        p = s.payload
        if not self.current_stream_is_video() or not self.swap or len(p) < VPRP_FIELD_INFO + 8:
            if p != o.payload:
                self.fault(o, "video properties changed")
            return
        aspect = le32(p, VPRP_ASPECT)
        changes = {VPRP_WIDTH: le32(p, VPRP_HEIGHT), VPRP_HEIGHT: le32(p, VPRP_WIDTH),
                   VPRP_ASPECT: (aspect << 16 | aspect >> 16) & 0xFFFFFFFF}
        # The total line length and line count (with blanking) may stay or
        # follow the picture.
        h_total, v_total = le32(p, VPRP_H_TOTAL), le32(p, VPRP_V_TOTAL)
        if (le32(o.payload, VPRP_H_TOTAL), le32(o.payload, VPRP_V_TOTAL)) == (v_total, h_total):
            changes.update({VPRP_H_TOTAL: v_total, VPRP_V_TOTAL: h_total})
        for field in range(le32(p, VPRP_FIELDS)):
            base = VPRP_FIELD_INFO + field * VPRP_FIELD_SIZE
            if base + VPRP_FIELD_SIZE > len(p):
                break
            for a, b in VPRP_FIELD_PAIRS:
                changes[base + a] = le32(p, base + b)
                changes[base + b] = le32(p, base + a)
        self.expect_fields(s, o, changes)

    def compare_frame(self, s, o):
        frame = o.payload
        if not s.payload:
            if frame:
                self.fault(o, "an empty frame chunk (a repeat) is no longer empty")
            return
        if has_whole_head(s.payload):
            if frame[:FRAME_HEAD] != s.payload[:FRAME_HEAD]:
                self.fault(o, f"frame does not begin with the source frame's first {FRAME_HEAD} bytes")
        elif frame[:4] != b"\xff\xd8\xff\xe0" or frame[6:11] != b"JFIF\0" or frame[4:6] != b"\x00\x10":
            self.fault(o, "frame of a source frame without a 20-byte head does not begin with SOI and JFIF APP0")
        if frame[-2:] != b"\xff\xd9":
            self.fault(o, "frame does not end with EOI")
        try:
            segments = header_segments(frame)
            carried = carried_segments(s.payload)
        except CheckError as error:
            self.fault(o, f"frame header: {error}")
            return
        markers = [marker for marker, _ in segments]
        if 0xC4 in markers:
            self.fault(o, "frame carries Huffman tables (DHT)")
        # Behind the head: the source's APPn and COM segments as they were,
        # then the header block.
        behind = b"".join(data for _, data in segments[1:])
        if not behind.startswith(carried):
            self.fault(o, f"the source frame's APPn/COM segments ({len(carried)} bytes) do not follow the head")
        elif [m for m, _ in segments[1:] if not is_app_or_com(m)] != [0xDD, 0xDB, 0xC0, 0xDA] or \
                b"".join(data for m, data in segments[1:] if is_app_or_com(m)) != carried:
            self.fault(o, f"frame header is {[hex(m) for m in markers]}: expected the head, the source's "
                          "APPn/COM segments, DRI, DQT, SOF0, SOS")


class FakeChunk:
    """A chunk seen with a different payload (for masking fields)."""

    def __init__(self, chunk, payload):
        self.path = chunk.path
        self.payload = payload


def check(output_path, source_path=None, transform=None, cut=False):
    """Returns the list of faults found (empty when the file is sound).
    cut: the output is of the source cut short, so it holds the first of
    the source's movi chunks, and avih dwTotalFrames, the video strh dwLength
    and dmlh count the frames it holds."""
    faults = []
    try:
        output = parse_riffs(load(output_path), output_path)
        check_output_alone(output, faults)
        if source_path:
            source = parse_riffs(load(source_path), source_path)
            Comparison(transform, faults, source, output, cut).run()
    except CheckError as error:
        faults.append(str(error))
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output")
    parser.add_argument("--source")
    parser.add_argument("--transform", choices=TRANSFORMS)
    args = parser.parse_args()
    if bool(args.source) != bool(args.transform):
        parser.error("--source and --transform go together")
    faults = check(args.output, args.source, args.transform)
    for fault in faults:
        print(f"avi_check: {fault}", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
