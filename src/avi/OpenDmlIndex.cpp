#include "avi/OpenDmlIndex.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/ChunkWriting.h"
#include "base/StatusCode.h"

#include <algorithm>

namespace kestrel {
namespace {

uint32_t Digit(int32_t value) { return static_cast<uint32_t>('0' + value % 10); }

// A stream data chunk's id: the two-digit stream number, then the suffix ("01wb").
FourCC StreamChunkId(int32_t stream, uint16_t suffix)
{
    return Digit(stream / 10) | Digit(stream) << 8 | uint32_t{suffix} << 16;
}

// A standard index chunk's id: "ix", then the two-digit stream number ("ix01").
FourCC StandardIndexId(int32_t stream)
{
    return uint32_t{'i'} | uint32_t{'x'} << 8 | Digit(stream / 10) << 16 | Digit(stream) << 24;
}

}  // namespace

bool OpenDmlIndex::Add(FourCC chunkId, uint32_t offset, uint32_t size, bool keyFrame)
{
    if (chunkId_ == 0)
        chunkId_ = chunkId;
    uint8_t entry[avi::ix::kEntrySize];
    WriteLe32(entry + avi::ix::kEntryOffset, offset);
    WriteLe32(entry + avi::ix::kEntrySizeField, keyFrame ? size : size | avi::ix::kNotKeyFrame);
    entryBytes_ += size;
    return entries_.Append(entry, sizeof entry);
}

FourCC OpenDmlIndex::ChunkId(int32_t streamNumber) const
{
    if (chunkId_ != 0)
        return chunkId_;
    return StreamChunkId(streamNumber, streamType_ == avi::kVids ? avi::kSuffixCompressedVideo : avi::kSuffixAudio);
}

Status OpenDmlIndex::WriteStandardIndex(ChunkStream& out, uint64_t riffStart, int32_t streamNumber)
{
    const auto count = static_cast<uint32_t>(entries_.Size() / avi::ix::kEntrySize);
    // Video counts frames; audio of fixed-size samples counts samples.
    const auto duration =
        static_cast<uint32_t>(sampleSize_ > 0 && streamType_ != avi::kVids ? entryBytes_ / sampleSize_ : count);
    const uint64_t start = BeginChunk(out, StandardIndexId(streamNumber));
    uint8_t header[avi::ix::kHeaderSize] = {};
    WriteLe16(header + avi::indx::kLongsPerEntry, avi::ix::kEntrySize / 4);
    header[avi::indx::kIndexType] = avi::indx::kIndexOfChunks;
    WriteLe32(header + avi::indx::kEntriesInUse, count);
    WriteLe32(header + avi::indx::kChunkId, ChunkId(streamNumber));
    WriteLe64(header + avi::ix::kBaseOffset, riffStart);
    out.Write(header, sizeof header);
    if (!entries_.MoveTo(out) && out.Good())
        return Status::Fail(status::kWriteError);
    if (Status ended = EndChunk(out, start); !ended.Ok())
        return ended;
    written_.push_back({start, static_cast<uint32_t>(out.Position() - start), duration});
    entryBytes_ = 0;
    return {};
}

void OpenDmlIndex::SetRoom(const Room& room)
{
    if (!room_)
        room_ = room;
}

uint32_t OpenDmlIndex::Capacity() const
{
    return room_ && room_->size >= avi::indx::kMinimumSize
               ? (room_->size - avi::indx::kHeaderSize) / avi::indx::kEntrySize
               : 0;
}

Status OpenDmlIndex::WriteSuperIndex(ChunkStream& out, int32_t streamNumber) const
{
    std::vector<uint8_t> chunk(avi::kChunkHeaderSize + size_t(room_->size));
    uint8_t* data = chunk.data() + avi::kChunkHeaderSize;
    WriteLe32(chunk.data(), avi::kIndx);
    WriteLe32(chunk.data() + 4, room_->size);
    WriteLe16(data + avi::indx::kLongsPerEntry, avi::indx::kEntrySize / 4);
    data[avi::indx::kIndexType] = avi::indx::kIndexOfIndexes;
    WriteLe32(data + avi::indx::kEntriesInUse, static_cast<uint32_t>(written_.size()));
    WriteLe32(data + avi::indx::kChunkId, ChunkId(streamNumber));
    uint8_t* entry = data + avi::indx::kHeaderSize;
    for (const SuperEntry& written : written_) {
        WriteLe64(entry + avi::indx::kEntryOffset, written.offset);
        WriteLe32(entry + avi::indx::kEntrySizeField, written.size);
        WriteLe32(entry + avi::indx::kEntryDuration, written.duration);
        entry += avi::indx::kEntrySize;
    }
    out.WriteAt(room_->start, chunk.data(), static_cast<uint32_t>(chunk.size()));
    return out.Result();
}

}  // namespace kestrel
