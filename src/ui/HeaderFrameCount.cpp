#include "ui/HeaderFrameCount.h"

#include "avi/VideoFrameReader.h"
#include "ui/FirstFrame.h"

namespace kestrel::ui {

uint32_t HeaderFrameCount(const std::string& path)
{
    avi::VideoFrameReader reader;
    if (OpenFrameReader(reader, path) != FirstFrameError::None)
        return 0;
    return reader.AnnouncedFrames();
}

}  // namespace kestrel::ui
