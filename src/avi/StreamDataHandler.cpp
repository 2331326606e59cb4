#include "avi/StreamDataHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/RiffWriter.h"

namespace kestrel {

Status StreamDataHandler::Process()
{
    const uint16_t suffix = FourCCSuffix(id_);
    // Every audio chunk starts a decodable piece, like an uncompressed frame:
    // players that trust the index want both marked as key frames.
    const uint32_t flags = suffix == avi::kSuffixUncompressedVideo || suffix == avi::kSuffixAudio
                               ? avi::idx1::kFlagKeyFrame
                           : suffix == avi::kSuffixPaletteChange ? avi::idx1::kFlagNoTime
                                                                 : 0;
    const uint64_t start = output_.BeginDataChunk(id_, flags, RiffWriter::Data::Other, size_);
    if (Status copied = output_.CopyFrom(source_, size_); !copied.Ok())
        return copied;
    return output_.EndChunk(start);
}

}  // namespace kestrel
