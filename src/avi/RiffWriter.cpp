#include "avi/RiffWriter.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/ChunkWriting.h"
#include "base/StatusCode.h"

#include <algorithm>

namespace kestrel {
namespace {

// Room larger than this is not taken: a source's 'JUNK' may be of any size.
constexpr uint32_t kLargestRoom = 1u << 20;
// The room the writer leaves: a super index of 256 entries (256 RIFF
// chunks: 256 GB at the default limit) and an 'odml' list with the usual
// 'dmlh' chunk.
constexpr uint32_t kReservedIndexEntries = 256;
constexpr uint32_t kStreamRoomSize = avi::indx::kHeaderSize + kReservedIndexEntries * avi::indx::kEntrySize;
constexpr uint32_t kOdmlListHead = avi::kListTypeSize + avi::kChunkHeaderSize;  // "odml", then dmlh's header
constexpr uint32_t kHeaderRoomSize = kOdmlListHead + avi::dmlh::kUsualSize;
static_assert(kStreamRoomSize == 4120 && kHeaderRoomSize == 260);

}  // namespace

void RiffWriter::Configure(uint64_t sizeLimit, bool reserveRoom)
{
    sizeLimit_ = sizeLimit;
    reserveRoom_ = reserveRoom;
}

void RiffWriter::NoteMainHeader(uint64_t dataStart)
{
    if (!mainHeader_)
        mainHeader_ = dataStart;
}

void RiffWriter::NoteStream(int32_t stream, FourCC type, uint32_t sampleSize)
{
    // Data chunks name their stream with two digits.
    if (stream < 0 || stream > 99 || size_t(stream) != streams_.size())
        return;
    streams_.emplace_back(type, sampleSize);
}

void RiffWriter::NoteStreamRoom(int32_t stream, uint64_t chunkStart, uint32_t dataSize)
{
    if (stream >= 0 && size_t(stream) < streams_.size() && dataSize >= avi::indx::kMinimumSize &&
        dataSize <= kLargestRoom)
        streams_[size_t(stream)].SetRoom({chunkStart, dataSize});
}

void RiffWriter::NoteHeaderRoom(uint64_t chunkStart, uint32_t dataSize)
{
    if (!headerRoom_ && dataSize >= kOdmlListHead + avi::dmlh::kMinimumSize && dataSize % 2 == 0 &&
        dataSize <= kLargestRoom)
        headerRoom_ = OpenDmlIndex::Room{chunkStart, dataSize};
}

void RiffWriter::NoteExtendedHeader(uint64_t dataStart)
{
    if (!extendedHeader_)
        extendedHeader_ = dataStart;
}

Status RiffWriter::EndStreamList(int32_t stream)
{
    if (!reserveRoom_ || stream < 0 || size_t(stream) >= streams_.size() || streams_[size_t(stream)].HasRoom())
        return {};
    const uint64_t start = BeginChunk(out_, avi::kJunk);
    if (Status zeros = WriteZeros(out_, kStreamRoomSize); !zeros.Ok())
        return zeros;
    NoteStreamRoom(stream, start, kStreamRoomSize);
    return EndChunk(out_, start);
}

Status RiffWriter::EndHeaderList()
{
    if (!reserveRoom_ || headerRoom_ || extendedHeader_)
        return {};
    const uint64_t start = BeginChunk(out_, avi::kJunk);
    if (Status zeros = WriteZeros(out_, kHeaderRoomSize); !zeros.Ok())
        return zeros;
    NoteHeaderRoom(start, kHeaderRoomSize);
    return EndChunk(out_, start);
}

void RiffWriter::BeginFirstRiff()
{
    riffStart_ = BeginChunk(out_, avi::kRiff, avi::kAviForm);
    riffs_ = 1;
}

uint64_t RiffWriter::BeginMovi()
{
    moviStart_ = BeginChunk(out_, avi::kList, avi::kMovi);
    moviBase_ = *moviStart_ + avi::kChunkHeaderSize;
    moviChunks_ = 0;
    return moviBase_;
}

Status RiffWriter::BeforeMoviChunk(uint64_t bytes)
{
    if (!moviStart_)
        return {};
    // Every 'movi' list holds at least one chunk, however large.
    if (moviChunks_ > 0 && out_.Position() - riffStart_ + bytes > sizeLimit_ && CanStartRiff())
        if (Status started = StartNextRiff(); !started.Ok())
            return started;
    ++moviChunks_;
    return {};
}

void RiffWriter::AddChunk(FourCC id, uint32_t flags, uint64_t chunkStart, uint32_t length, bool videoFrame)
{
    if (riffs_ == 1)
        legacy_.push_back({id, flags, static_cast<uint32_t>(chunkStart - moviBase_), length});
    frames_ += videoFrame ? 1 : 0;
    const std::optional<int32_t> stream = avi::StreamNumber(id);
    if (!stream || size_t(*stream) >= streams_.size())
        return;
    const uint64_t offset = chunkStart + avi::kChunkHeaderSize - riffStart_;
    if (length >= avi::ix::kNotKeyFrame || offset > UINT32_MAX) {
        unindexable_ = true;
        return;
    }
    streams_[size_t(*stream)].Add(id, static_cast<uint32_t>(offset), length, (flags & avi::idx1::kFlagKeyFrame) != 0);
}

Status RiffWriter::EndMovi()
{
    if (!moviStart_)
        return {};
    if (riffs_ > 1) {
        if (Status indexes = WriteStandardIndexes(); !indexes.Ok())
            return indexes;
    } else {
        plainMoviEnded_ = true;
    }
    const uint64_t start = *moviStart_;
    moviStart_.reset();
    return EndChunk(out_, start);
}

Status RiffWriter::Finish(uint32_t& largestChunk, bool sourceContinued)
{
    if (Status ended = EndMovi(); !ended.Ok())
        return ended;
    if (riffs_ == 1)
        if (Status index = WriteLegacyIndex(); !index.Ok())
            return index;
    largestChunk = std::max(largestChunk, legacySize_);
    if (mainHeader_)
        if (Status patched = PatchLe32(out_, *mainHeader_ + avi::avih::kSuggestedBufferSize, largestChunk);
            !patched.Ok())
            return patched;
    if (Status ended = EndChunk(out_, riffStart_); !ended.Ok())
        return ended;

    if (riffs_ == 1) {
        // One RIFF chunk from several: the main header counts every frame.
        if (sourceContinued && mainHeader_)
            return PatchLe32(out_, *mainHeader_ + avi::avih::kTotalFrames, frames_);
        return {};
    }
    for (size_t stream = 0; stream < streams_.size(); ++stream)
        if (Status index = streams_[stream].WriteSuperIndex(out_, static_cast<int32_t>(stream)); !index.Ok())
            return index;
    if (Status header = WriteExtendedHeader(); !header.Ok())
        return header;
    // Readers of plain AVI files read the first RIFF chunk: the main header
    // counts its frames, 'dmlh' all of them.
    if (mainHeader_)
        return PatchLe32(out_, *mainHeader_ + avi::avih::kTotalFrames, firstRiffFrames_);
    return {};
}

bool RiffWriter::CanStartRiff() const
{
    if (plainMoviEnded_ || unindexable_ || streams_.empty())
        return false;
    return std::all_of(streams_.begin(), streams_.end(),
                       [&](const OpenDmlIndex& stream) { return stream.Capacity() > riffs_; });
}

Status RiffWriter::StartNextRiff()
{
    if (Status indexes = WriteStandardIndexes(); !indexes.Ok())
        return indexes;
    if (Status ended = EndChunk(out_, *moviStart_); !ended.Ok())
        return ended;
    if (riffs_ == 1) {
        if (Status index = WriteLegacyIndex(); !index.Ok())
            return index;
        firstRiffFrames_ = frames_;
    }
    if (Status ended = EndChunk(out_, riffStart_); !ended.Ok())
        return ended;
    riffStart_ = BeginChunk(out_, avi::kRiff, avi::kAvixForm);
    ++riffs_;
    moviStart_ = BeginChunk(out_, avi::kList, avi::kMovi);
    moviChunks_ = 0;
    return out_.Result();
}

Status RiffWriter::WriteStandardIndexes()
{
    for (size_t stream = 0; stream < streams_.size(); ++stream)
        if (streams_[stream].HasChunks())
            if (Status index = streams_[stream].WriteStandardIndex(out_, riffStart_, static_cast<int32_t>(stream));
                !index.Ok())
                return index;
    return {};
}

Status RiffWriter::WriteLegacyIndex()
{
    if (legacy_.empty())
        return {};
    const uint64_t size = legacy_.size() * uint64_t{avi::idx1::kEntrySize};
    if (out_.Position() - riffStart_ + size > UINT32_MAX)
        return Status::Fail(status::kTooLarge);
    if (!WriteIndex(out_, legacy_))
        return out_.Result();
    IndexEntries().swap(legacy_);
    legacySize_ = static_cast<uint32_t>(size);
    return {};
}

Status RiffWriter::WriteExtendedHeader()
{
    if (extendedHeader_)
        return PatchLe32(out_, *extendedHeader_ + avi::dmlh::kTotalFrames, frames_);
    if (!headerRoom_)
        return {};
    // The room becomes LIST 'odml' holding a 'dmlh' chunk that fills it.
    std::vector<uint8_t> list(avi::kChunkHeaderSize + size_t(headerRoom_->size));
    WriteLe32(list.data(), avi::kList);
    WriteLe32(list.data() + 4, headerRoom_->size);
    WriteLe32(list.data() + 8, avi::kOdml);
    WriteLe32(list.data() + 12, avi::kDmlh);
    WriteLe32(list.data() + 16, headerRoom_->size - kOdmlListHead);
    WriteLe32(list.data() + 20 + avi::dmlh::kTotalFrames, frames_);
    out_.WriteAt(headerRoom_->start, list.data(), static_cast<uint32_t>(list.size()));
    return out_.Result();
}

}  // namespace kestrel
