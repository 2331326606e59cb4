#include "ui/HeaderFrameCount.h"

#include "avi/VideoFrameReader.h"

namespace kestrel::ui {

uint32_t HeaderFrameCount(const std::string& path)
{
    avi::VideoFrameReader reader;
    if (reader.Open(path) != avi::VideoFrameReader::Error::None)
        return 0;
    return reader.AnnouncedFrames();
}

}  // namespace kestrel::ui
