#include "base/RecordingEnd.h"

#include "base/StatusCode.h"

namespace kestrel {
namespace {

// 12345 as "12,345".
std::string Grouped(uint64_t value)
{
    std::string digits = std::to_string(value);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, ',');
    return digits;
}

std::string FramesText(uint32_t frames) { return std::to_string(frames) + (frames == 1 ? " frame" : " frames"); }

}  // namespace

std::string FormatRecordingEnd(const RecordingEnd& end, std::string_view source)
{
    if (!end.Any())
        return {};
    std::string line = "warning: ";
    line += source;
    if (!end.cutShort && !end.unfinalized)
        return line + ": " + Grouped(end.ignoredBytes) + " bytes from byte " + Grouped(end.ignoredFrom) +
               " ignored: not a RIFF chunk";
    const bool dropped = end.dropped != RecordingEnd::Dropped::Nothing;
    if (!end.cutShort && !dropped)
        return line + ": recording not finalized: " + FramesText(end.framesConverted) + " converted";
    line += ": recording cut short at byte " + std::to_string(end.fileSize) + ": " + FramesText(end.framesConverted) +
            " converted";
    if (!dropped)
        return line;
    line += ", the last " + Grouped(end.fileSize - end.droppedFrom) + " bytes (";
    switch (end.dropped) {
    case RecordingEnd::Dropped::Frame: line += "part of frame " + std::to_string(end.frame); break;
    case RecordingEnd::Dropped::Chunk: line += "part of a '" + PrintableFourCC(end.chunkId) + "' chunk"; break;
    case RecordingEnd::Dropped::Zeros: line += "zero bytes a writer reserved"; break;
    case RecordingEnd::Dropped::Nothing: break;
    }
    return line + ") dropped";
}

}  // namespace kestrel
