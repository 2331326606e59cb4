// Choosing the handler of each chunk, and the placement rules of the AVI
// layout that are checked while doing so.

#include "avi/AviLayout.h"
#include "avi/ChunkHandler.h"
#include "avi/ChunkStream.h"
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

}  // namespace

std::unique_ptr<ChunkHandler> ChunkHandler::CreateHandler(ConversionContext& c, FourCC id, FourCC parent,
                                                          Status& refusal)
{
    ChunkStream& s = c.source;
    ChunkStream& d = c.destination;
    const auto refuse = [&](int32_t code, uint32_t detail = 0) {
        refusal = Status::Fail(code, detail);
        return nullptr;
    };

    if (parent == 0)
        return id == avi::kRiff ? std::make_unique<RiffHandler>(id, s, d, c) : refuse(status::kNotRiff, id);
    if (id == avi::kIdx1)
        return c.MoviBase ? std::make_unique<IndexHandler>(id, s, d, c) : refuse(status::kIdx1BeforeMovi);
    if (id == avi::kList)
        return std::make_unique<ListHandler>(id, s, d, c, parent);
    if (id == avi::kStrd)
        return parent == avi::kStrl ? std::make_unique<ChunkHandler>(id, s, d, c) : refuse(status::kStrdOutsideStrl);
    if (id == avi::kStrf) {
        if (parent != avi::kStrl)
            return refuse(status::kStrfOutsideStrl);
        if (c.LastChunkId != avi::kStrh)
            return refuse(status::kStrfBeforeStrh);
        if (c.LastStreamType == avi::kVids)
            return std::make_unique<StreamFormatHandler>(id, s, d, c);
        return std::make_unique<ChunkHandler>(id, s, d, c);
    }
    if (id == avi::kAvih)
        return std::make_unique<MainHeaderHandler>(id, s, d, c);
    if (id == avi::kStrh)
        return parent == avi::kStrl ? std::make_unique<StreamHeaderHandler>(id, s, d, c)
                                    : refuse(status::kStrhOutsideStrl);
    if (id == avi::kStrn)
        return parent == avi::kStrl ? std::make_unique<ChunkHandler>(id, s, d, c) : refuse(status::kStrnOutsideStrl);
    if (id == avi::kVprp && parent == avi::kStrl && c.LastStreamType == avi::kVids)
        return std::make_unique<VideoPropertiesHandler>(id, s, d, c);
    if (id == avi::kIndx && parent == avi::kStrl)
        return std::make_unique<OpenDmlIndexHandler>(id, s, d, c);
    if ((id == avi::kJunk && (parent == avi::kStrl || parent == avi::kHdrl)) ||
        (id == avi::kDmlh && parent == avi::kOdml))
        return std::make_unique<HeaderRoomHandler>(id, s, d, c, parent);

    const uint16_t suffix = FourCCSuffix(id);
    if (IsStreamDataSuffix(suffix)) {
        if (parent != avi::kMovi && parent != avi::kRec)
            return refuse(status::kStreamChunkOutsideMovi, id);
        // Compressed frames are "dc" chunks; some writers store Motion-JPEG
        // frames as "db" chunks of the video stream, which are frames too.
        if (IsVideoFrameChunk(id, c.VideoStream)) {
            if (!c.HaveVideoFormat)
                return refuse(status::kMoviBeforeStrl);
            return std::make_unique<VideoFrameHandler>(id, s, d, c);
        }
        return std::make_unique<StreamDataHandler>(id, s, d, c);
    }
    if ((parent == avi::kMovi || parent == avi::kRec || parent == avi::kAvixForm) && IsOpenDmlIndexChunk(id))
        return std::make_unique<OpenDmlIndexHandler>(id, s, d, c);
    return std::make_unique<ChunkHandler>(id, s, d, c);
}

}  // namespace kestrel
