#include "avi/StreamDataHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"

namespace kestrel {

Status StreamDataHandler::Process()
{
    const uint16_t suffix = FourCCSuffix(id_);
    IndexEntry entry;
    entry.chunkId = id_;
    // Every audio chunk starts a decodable piece, like an uncompressed frame:
    // players that trust the index want both marked as key frames.
    entry.flags = suffix == avi::kSuffixUncompressedVideo || suffix == avi::kSuffixAudio ? avi::idx1::kFlagKeyFrame
                  : suffix == avi::kSuffixPaletteChange                                  ? avi::idx1::kFlagNoTime
                                                                                         : 0;
    entry.offset = static_cast<uint32_t>(destination_.Position() - context_.MoviBase.value_or(0));
    entry.length = size_;
    AppendIndexEntry(context_.IndexEntries, entry);
    return ChunkHandler::Process();
}

}  // namespace kestrel
