#include "avi/StreamFormatHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/RiffWriter.h"
#include "avi/VideoFormat.h"
#include "base/StatusCode.h"

#include <algorithm>

namespace kestrel {
Status StreamFormatHandler::Process()
{
    // The bitmap info header; whatever a writer stores behind it (some add
    // zero bytes and count them in biSize) is copied unchanged.
    if (size_ < avi::strf::kSize)
        return Status::Fail(status::kChunkWrongSize, id_);
    uint8_t format[avi::strf::kSize];
    if (!source_.Read(format, sizeof format))
        return source_.Result();

    mjpeg::PictureSize size;
    if (Status checked = avi::ReadVideoFormat(format, size); !checked.Ok())
        return checked;
    walk_.frameSize = size;
    if (SwapsDimensions(mode_))
        std::swap_ranges(format + avi::strf::kWidth, format + avi::strf::kWidth + 4, format + avi::strf::kHeight);

    const uint64_t start = BeginChunk(id_);
    if (Status written = output_.Write(format, sizeof format); !written.Ok())
        return written;
    if (Status copied = output_.CopyFrom(source_, size_ - avi::strf::kSize); !copied.Ok())
        return copied;
    return output_.EndChunk(start);
}

}  // namespace kestrel
