#include "avi/RiffWriter.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/ChunkWriting.h"
#include "base/StatusCode.h"

#include <algorithm>
#include <cerrno>

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
// Copied payloads are moved in pieces of at most this size, so that a chunk
// of any size needs no more memory than the stream buffers.
constexpr uint64_t kCopyPieceSize = 1u * 1024 * 1024;

}  // namespace

void RiffWriter::SpillFailed()
{
    if (failure_.Ok())
        failure_ = Status::FailSystem(status::kWriteError, errno);
}

void RiffWriter::Configure(uint64_t sizeLimit, bool reserveRoom, std::string scratchFolder)
{
    legacy_.SetFolder(scratchFolder);
    scratchFolder_ = std::move(scratchFolder);
    sizeLimit_ = sizeLimit;
    reserveRoom_ = reserveRoom;
}

Status RiffWriter::Result() const { return failure_.Ok() ? out_.Result() : failure_; }

uint64_t RiffWriter::Position() const { return out_.Position(); }

uint64_t RiffWriter::BeginChunk(FourCC id, uint32_t dataSize, FourCC listType)
{
    if (moviStart_ && openInMovi_ == 0)
        BeforeMoviChild(avi::kChunkHeaderSize + uint64_t{dataSize} + (dataSize & 1));
    openInMovi_ += moviStart_ ? 1 : 0;
    return kestrel::BeginChunk(out_, id, listType);
}

Status RiffWriter::EndChunk(uint64_t start)
{
    openInMovi_ -= moviStart_ && openInMovi_ > 0 ? 1 : 0;
    if (Status result = Result(); !result.Ok())
        return result;
    return kestrel::EndChunk(out_, start);
}

Status RiffWriter::PatchLe32(uint64_t position, uint32_t value) { return kestrel::PatchLe32(out_, position, value); }

Status RiffWriter::Write(const void* data, uint32_t length)
{
    out_.Write(data, length);
    return Result();
}

Status RiffWriter::WriteZeros(uint64_t length) { return kestrel::WriteZeros(out_, length); }

Status RiffWriter::CopyFrom(ChunkStream& source, uint64_t length)
{
    const uint64_t piece = std::min(length, kCopyPieceSize);
    if (copyBuffer_.size() < piece)
        copyBuffer_.resize(static_cast<size_t>(piece));  // at most kCopyPieceSize
    while (length > 0) {
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(length, copyBuffer_.size()));
        if (!source.Read(copyBuffer_.data(), n))
            return source.Result();
        if (!out_.Write(copyBuffer_.data(), n))
            break;
        length -= n;
    }
    return Result();
}

Status RiffWriter::WriteDataChunk(FourCC id, uint32_t flags, Data kind, const uint8_t* data, uint32_t length)
{
    const uint64_t start = BeginDataChunk(id, flags, kind, length);
    if (length > 0)
        out_.Write(data, length);
    return EndChunk(start);
}

uint64_t RiffWriter::BeginDataChunk(FourCC id, uint32_t flags, Data kind, uint32_t length)
{
    const uint64_t start = BeginChunk(id, length);
    frames_ += kind == Data::VideoFrame ? 1 : 0;
    largestChunk_ = std::max(largestChunk_, length);
    if (riffs_ == 1 && !AddIndexEntry(legacy_, {id, flags, static_cast<uint32_t>(start - moviBase_), length}))
        SpillFailed();
    const std::optional<int32_t> stream = avi::StreamNumber(id);
    if (!stream || size_t(*stream) >= streams_.size())
        return start;
    const uint64_t offset = start + avi::kChunkHeaderSize - riffStart_;
    if (length >= avi::ix::kNotKeyFrame || offset > UINT32_MAX) {
        // In the first RIFF chunk the file stays one; behind it, the chunk
        // would be missing from its standard index.
        unindexable_ = true;
        if (riffs_ > 1 && failure_.Ok())
            failure_ = Status::Fail(status::kUnindexableChunk, id);
        return start;
    }
    if (!streams_[size_t(*stream)].Add(id, static_cast<uint32_t>(offset), length,
                                       (flags & avi::idx1::kFlagKeyFrame) != 0))
        SpillFailed();
    return start;
}

void RiffWriter::NoteMainHeader(uint64_t dataStart)
{
    if (!mainHeader_)
        mainHeader_ = dataStart;
}

void RiffWriter::NoteVideoStreamHeader(uint64_t dataStart)
{
    if (!videoHeader_)
        videoHeader_ = dataStart;
}

void RiffWriter::NoteStream(int32_t stream, FourCC type, uint32_t sampleSize)
{
    // Data chunks name their stream with two digits.
    if (stream < 0 || stream > 99 || size_t(stream) != streams_.size())
        return;
    streams_.emplace_back(type, sampleSize, scratchFolder_);
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
    const uint64_t start = BeginChunk(avi::kJunk, kStreamRoomSize);
    if (Status zeros = WriteZeros(kStreamRoomSize); !zeros.Ok())
        return zeros;
    NoteStreamRoom(stream, start, kStreamRoomSize);
    return EndChunk(start);
}

Status RiffWriter::EndHeaderList()
{
    if (!reserveRoom_ || headerRoom_ || extendedHeader_)
        return {};
    const uint64_t start = BeginChunk(avi::kJunk, kHeaderRoomSize);
    if (Status zeros = WriteZeros(kHeaderRoomSize); !zeros.Ok())
        return zeros;
    NoteHeaderRoom(start, kHeaderRoomSize);
    return EndChunk(start);
}

void RiffWriter::BeginFirstRiff()
{
    riffStart_ = kestrel::BeginChunk(out_, avi::kRiff, avi::kAviForm);
    riffs_ = 1;
}

void RiffWriter::BeginMovi()
{
    moviStart_ = kestrel::BeginChunk(out_, avi::kList, avi::kMovi);
    moviBase_ = *moviStart_ + avi::kChunkHeaderSize;
    moviBegun_ = true;
    moviChunks_ = 0;
    openInMovi_ = 0;
}

// Before each child of a 'movi' list, `bytes` in all: starts a new RIFF
// chunk when this one would grow past the limit.
void RiffWriter::BeforeMoviChild(uint64_t bytes)
{
    // Every 'movi' list holds at least one chunk, however large.
    if (moviChunks_ > 0 && out_.Position() - riffStart_ + bytes > sizeLimit_ && CanStartRiff() && failure_.Ok())
        if (Status started = StartNextRiff(); !started.Ok())
            failure_ = started;
    ++moviChunks_;
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
    return kestrel::EndChunk(out_, start);
}

Status RiffWriter::Finish()
{
    if (Status result = Result(); !result.Ok())
        return result;
    if (Status ended = EndMovi(); !ended.Ok())
        return ended;
    if (riffs_ == 1)
        if (Status index = WriteLegacyIndex(); !index.Ok())
            return index;
    if (mainHeader_)
        if (Status patched = PatchLe32(*mainHeader_ + avi::avih::kSuggestedBufferSize, largestChunk_); !patched.Ok())
            return patched;
    if (Status ended = kestrel::EndChunk(out_, riffStart_); !ended.Ok())
        return ended;

    // The video stream's length and 'dmlh' count every frame, in any layout;
    // readers of plain AVI files read the first RIFF chunk, so the main
    // header counts its frames.
    if (videoHeader_)
        if (Status patched = PatchLe32(*videoHeader_ + avi::strh::kLength, frames_); !patched.Ok())
            return patched;
    if (riffs_ > 1)
        for (size_t stream = 0; stream < streams_.size(); ++stream)
            if (Status index = streams_[stream].WriteSuperIndex(out_, static_cast<int32_t>(stream)); !index.Ok())
                return index;
    if (Status header = WriteExtendedHeader(); !header.Ok())
        return header;
    if (mainHeader_)
        return PatchLe32(*mainHeader_ + avi::avih::kTotalFrames, riffs_ == 1 ? frames_ : firstRiffFrames_);
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
    if (Status ended = kestrel::EndChunk(out_, *moviStart_); !ended.Ok())
        return ended;
    if (riffs_ == 1) {
        if (Status index = WriteLegacyIndex(); !index.Ok())
            return index;
        firstRiffFrames_ = frames_;
    }
    if (Status ended = kestrel::EndChunk(out_, riffStart_); !ended.Ok())
        return ended;
    riffStart_ = kestrel::BeginChunk(out_, avi::kRiff, avi::kAvixForm);
    ++riffs_;
    moviStart_ = kestrel::BeginChunk(out_, avi::kList, avi::kMovi);
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
    if (legacy_.Empty())
        return {};
    const uint64_t size = legacy_.Size();
    if (out_.Position() - riffStart_ + size > UINT32_MAX)
        return Status::Fail(status::kTooLarge);
    if (!WriteIndex(out_, legacy_))
        return out_.Good() ? Status::Fail(status::kWriteError) : out_.Result();
    largestChunk_ = std::max(largestChunk_, static_cast<uint32_t>(size));
    return {};
}

Status RiffWriter::WriteExtendedHeader()
{
    if (extendedHeader_)
        return PatchLe32(*extendedHeader_ + avi::dmlh::kTotalFrames, frames_);
    // A file of one RIFF chunk needs no 'dmlh': its room stays 'JUNK'.
    if (!headerRoom_ || riffs_ == 1)
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
