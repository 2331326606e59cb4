// Choosing the handler of each chunk, and the placement rules of the AVI
// layout that are checked while doing so.

#include "avi/ChunkDispatch.h"

#include "avi/AviLayout.h"
#include "avi/ChunkHandler.h"
#include "avi/ChunkStream.h"
#include "avi/ConversionContext.h"
#include "avi/FrameScan.h"
#include "avi/HeaderRoomHandler.h"
#include "avi/IndexHandler.h"
#include "avi/ListHandler.h"
#include "avi/MainHeaderHandler.h"
#include "avi/OpenDmlIndexHandler.h"
#include "avi/RiffHandler.h"
#include "avi/StreamDataHandler.h"
#include "avi/StreamFormatHandler.h"
#include "avi/StreamHeaderHandler.h"
#include "avi/VideoFrameHandler.h"
#include "avi/VideoPropertiesHandler.h"
#include "base/StatusCode.h"

namespace kestrel {
namespace {

bool IsStreamDataSuffix(uint16_t suffix)
{
    return suffix == avi::kSuffixCompressedVideo || suffix == avi::kSuffixUncompressedVideo ||
           suffix == avi::kSuffixAudio || suffix == avi::kSuffixPaletteChange;
}

// OpenDML standard index chunks in 'movi' are named "ix" and the stream number.
bool IsOpenDmlIndexChunk(FourCC id)
{
    return (id & 0xFFFF) == MakeSuffix("ix") && avi::StreamNumber(id >> 16).has_value();
}

// Whether the chunk `id` of 'movi', whose size field `source` is about to
// read, belongs to the video stream and starts like a JPEG picture (SOI and
// a marker) without being a frame chunk: copied unturned, it would put an
// unturned picture in the turned file.
bool HoldsOtherPicture(ChunkStream& source, FourCC id, const WalkState& walk)
{
    if (!walk.videoStream || avi::StreamNumber(id) != walk.videoStream || IsVideoFrameChunk(id, walk.videoStream) ||
        IsOpenDmlIndexChunk(id))
        return false;
    uint8_t head[3];
    return source.PeekAt(source.Position() + 4, head, sizeof head) && head[0] == 0xFF && head[1] == 0xD8 &&
           head[2] == 0xFF;
}

}  // namespace

std::unique_ptr<ChunkHandler> CreateHandler(ConversionContext& c, FourCC id, FourCC parent, Status& refusal)
{
    ChunkStream& s = c.source;
    RiffWriter& out = c.output;
    WalkState& walk = c.walk;
    const auto refuse = [&](int32_t code, uint32_t detail = 0) {
        refusal = Status::Fail(code, detail);
        return nullptr;
    };
    const auto copy = [&] { return std::make_unique<ChunkHandler>(id, s, out); };

    if (parent == 0)
        return id == avi::kRiff ? std::make_unique<RiffHandler>(id, c) : refuse(status::kNotRiff, id);
    if (id == avi::kIdx1)
        return out.MoviBegun() ? std::make_unique<IndexHandler>(id, s, out) : refuse(status::kIdx1BeforeMovi);
    if (id == avi::kList)
        return std::make_unique<ListHandler>(id, c, parent);
    if (id == avi::kStrd)
        return parent == avi::kStrl ? copy() : refuse(status::kStrdOutsideStrl);
    if (id == avi::kStrf) {
        if (parent != avi::kStrl)
            return refuse(status::kStrfOutsideStrl);
        if (walk.lastChunkId != avi::kStrh)
            return refuse(status::kStrfBeforeStrh);
        if (walk.lastStreamType == avi::kVids)
            return std::make_unique<StreamFormatHandler>(id, s, out, c.mode, walk);
        return copy();
    }
    if (id == avi::kAvih)
        return std::make_unique<MainHeaderHandler>(id, s, out, c.mode, c.progress);
    if (id == avi::kStrh)
        return parent == avi::kStrl ? std::make_unique<StreamHeaderHandler>(id, s, out, c.mode, walk)
                                    : refuse(status::kStrhOutsideStrl);
    if (id == avi::kStrn)
        return parent == avi::kStrl ? copy() : refuse(status::kStrnOutsideStrl);
    if (id == avi::kVprp && parent == avi::kStrl && walk.lastStreamType == avi::kVids)
        return std::make_unique<VideoPropertiesHandler>(id, s, out, c.mode);
    if (id == avi::kIndx && parent == avi::kStrl)
        return std::make_unique<OpenDmlIndexHandler>(id, s, out, walk);
    if ((id == avi::kJunk && (parent == avi::kStrl || parent == avi::kHdrl)) ||
        (id == avi::kDmlh && parent == avi::kOdml))
        return std::make_unique<HeaderRoomHandler>(id, s, out, walk, c.progress, parent);

    if ((parent == avi::kMovi || parent == avi::kRec) && HoldsOtherPicture(s, id, walk)) {
        Failure failure(status::kPictureInOtherChunk, id);
        failure.offset = s.Position() - 4;
        refusal = failure;
        return nullptr;
    }
    const uint16_t suffix = FourCCSuffix(id);
    if (IsStreamDataSuffix(suffix)) {
        if (parent != avi::kMovi && parent != avi::kRec)
            return refuse(status::kStreamChunkOutsideMovi, id);
        // Compressed frames are "dc" chunks; some writers store Motion-JPEG
        // frames as "db" chunks of the video stream, which are frames too.
        if (IsVideoFrameChunk(id, walk.videoStream)) {
            if (!walk.frameSize)
                return refuse(status::kMoviBeforeStrl);
            return std::make_unique<VideoFrameHandler>(id, s, out, c.frames, c.progress, c.VideoFrameFormat());
        }
        return std::make_unique<StreamDataHandler>(id, s, out);
    }
    if ((parent == avi::kMovi || parent == avi::kRec || parent == avi::kAvixForm) && IsOpenDmlIndexChunk(id))
        return std::make_unique<OpenDmlIndexHandler>(id, s, out, walk);
    return copy();
}

}  // namespace kestrel
