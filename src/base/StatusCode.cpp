#include "base/StatusCode.h"

#include "base/Failure.h"

#include <cstdio>
#include <iterator>
#include <system_error>

namespace kestrel {
namespace {

// Which path a message prints, and how it prints the detail value.
enum class Path { Source, Destination };
enum class Detail { None, FourCC, Decimal, TwoDecimals };

struct StatusText {
    int32_t code;
    Path path;
    Detail detail;
    const char* pattern;
};

// clang-format off
constexpr StatusText kStatusTexts[] = {
    {status::kCantOpenSource,      Path::Source,      Detail::None,   "Couldn't open file %s for reading"},
    {status::kCantOpenDestination, Path::Destination, Detail::None,   "Couldn't open file %s for writing"},
    {status::kReadError,           Path::Source,      Detail::None,   "Error reading file %s"},
    {status::kWriteError,          Path::Destination, Detail::None,   "Error writing file %s"},
    {status::kNotRiff,             Path::Source,      Detail::FourCC, "%s\nis not a RIFF file (code is '%s')"},
    {status::kNotAvi,              Path::Source,      Detail::FourCC, "%s\nis not an AVI file (FCC code is '%s')"},
    {status::kNotMjpegHandler,     Path::Source,      Detail::FourCC, "Video stream in\n%s\nis not a motion JPEG(MJPG) stream (header FCC code is %s)"},
    {status::kNotMjpegFormat,      Path::Source,      Detail::FourCC, "Video stream in\n%s\nis not a motion JPEG(MJPG) stream (format FCC code is %s)"},
    {status::kNot24Bit,            Path::Source,      Detail::Decimal, "Video stream in\n%s\nis not a 24-bit stream (header indicates %d bits)"},
    {status::kStrhOutsideStrl,     Path::Source,      Detail::None,   "%s\nis malformed: stream header chunk 'strh' appears outside of stream list 'strl'"},
    {status::kStrfOutsideStrl,     Path::Source,      Detail::None,   "%s\nis malformed: stream format chunk 'strf' appears outside of stream list 'strl'"},
    {status::kStrdOutsideStrl,     Path::Source,      Detail::None,   "%s\nis malformed: stream chunk 'strd' appears outside of stream list 'strl'"},
    {status::kStrnOutsideStrl,     Path::Source,      Detail::None,   "%s\nis malformed: stream chunk 'strn' appears outside of stream list 'strl'"},
    {status::kStrfBeforeStrh,      Path::Source,      Detail::None,   "%s\nis malformed: stream format chunk 'strf' appears before stream header chunk 'strh'"},
    {status::kMoviBeforeStrl,      Path::Source,      Detail::None,   "%s\nis malformed: stream chunk list 'movi' appears before stream header list 'strl'"},
    {status::kRecOutsideMovi,      Path::Source,      Detail::None,   "%s\nis malformed: stream chunk list 'rec ' appears outside stream chunk list 'movie'"},
    {status::kIdx1BeforeMovi,      Path::Source,      Detail::None,   "%s\nis malformed: index chunk 'idx1' appears before stream chunk list 'movi'"},
    {status::kStreamChunkOutsideMovi, Path::Source,   Detail::FourCC, "%s\nis malformed: stream chunk '%s' appears outside of list 'movi' or 'rec '"},
    {status::kBadFrameSize,        Path::Source,      Detail::TwoDecimals, "Video stream in\n%s\nhas an unsupported frame size (%d x %d pixels)"},
    {status::kTooLarge,            Path::Destination, Detail::None,   "%s\nwould grow past the 4 GB size limit of an AVI file"},
    {status::kFrameDamaged,        Path::Source,      Detail::Decimal, "%s\nis damaged: video frame %d cannot be decoded"},
    {status::kFrameTooShort,       Path::Source,      Detail::Decimal, "%s\nis damaged: video frame %d is too short to be a JPEG picture"},
    {status::kFrameUnexpected,     Path::Source,      Detail::Decimal, "%s\nis not supported: video frame %d is not one full-size colour picture"},
    {status::kChunkWrongSize,      Path::Source,      Detail::FourCC, "%s\nis malformed: chunk '%s' has the wrong size"},
    {status::kOutOfMemory,         Path::Source,      Detail::None,   "Couldn't convert %s (out of memory)"},
    {status::kCantReplaceDestination, Path::Destination, Detail::None, "Couldn't replace file %s with the converted file"},
    {status::kNoOutputDirectory,   Path::Destination, Detail::None,   "No output directory is given: please choose one%.0s"},
    {status::kCantCreateOutputDirectory, Path::Destination, Detail::None, "Couldn't create the output directory %s"},
    {status::kDestinationNotAFile, Path::Destination, Detail::None,   "Couldn't write file %s: something other than a regular file has that name"},
    {status::kNoVideoStream,       Path::Source,      Detail::None,   "%s\nhas no Motion-JPEG video stream"},
    {status::kPictureTooLarge,     Path::Source,      Detail::TwoDecimals, "Video stream in\n%s\nhas pictures too large to convert (%d x %d pixels; at most 16384 x 16384 pixels)"},
    {status::kFrameNotBaseline,    Path::Source,      Detail::Decimal, "%s\nis not supported: video frame %d is progressive or arithmetic-coded (only baseline frames, as cameras write them, are converted)"},
    {status::kFrameTooLarge,       Path::Source,      Detail::TwoDecimals, "%s\nis not supported: video frame %d needs more than %d MiB of memory to turn"},
    {status::kFrameTooFewBytes,    Path::Source,      Detail::Decimal, "%s\nis damaged: video frame %d has far too few bytes for its picture"},
    {status::kPictureInOtherChunk, Path::Source,      Detail::FourCC, "%s\nis not supported: its chunk '%s' holds a JPEG picture of the video stream but is not a video frame chunk"},
    {status::kUnindexableChunk,    Path::Destination, Detail::FourCC, "%s\ncannot index its chunk '%s': it is too large, or too far from the start of its RIFF chunk, for an OpenDML index"},
    {status::kRiffExtension,       Path::Source,      Detail::FourCC, "%s\nis damaged: it continues past its first RIFF chunk in a RIFF chunk of type '%s', not an OpenDML 'AVIX' chunk"},
};
// clang-format on

}  // namespace

bool IsReplaceableFrame(int32_t code)
{
    return code == status::kFrameDamaged || code == status::kFrameTooShort || code == status::kFrameTooFewBytes ||
           code == status::kFrameNotBaseline;
}

namespace {

// The codes whose message names a file the system failed to open, read,
// write or rename; they end with the system's reason.
bool IsFileError(int32_t code)
{
    return code == status::kCantOpenSource || code == status::kCantOpenDestination || code == status::kReadError ||
           code == status::kWriteError || code == status::kCantReplaceDestination ||
           code == status::kCantCreateOutputDirectory;
}

std::string SystemReason(const Failure& failure)
{
    if (failure.systemError != 0)
        return std::error_code(failure.systemError, std::generic_category()).message();
    // A read that found no error but no bytes either ran into the file's end.
    return failure.code == status::kReadError ? "unexpected end of file" : "unknown error";
}

}  // namespace

std::string FormatStatusMessage(int32_t code, uint32_t detail, std::string_view source, std::string_view destination,
                                uint32_t detail2)
{
    for (const StatusText& text : kStatusTexts) {
        if (text.code != code)
            continue;
        const std::string path(text.path == Path::Source ? source : destination);
        const std::string fourcc = PrintableFourCC(detail);
        // The pattern is one of the literals above; the size is asked first so
        // that no path length can overflow the text.
        auto format = [&](char* out, size_t size) {
            switch (text.detail) {
            case Detail::None: return std::snprintf(out, size, text.pattern, path.c_str());
            case Detail::FourCC: return std::snprintf(out, size, text.pattern, path.c_str(), fourcc.c_str());
            case Detail::Decimal: return std::snprintf(out, size, text.pattern, path.c_str(), static_cast<int>(detail));
            case Detail::TwoDecimals:
                return std::snprintf(out, size, text.pattern, path.c_str(), static_cast<int>(detail),
                                     static_cast<int>(detail2));
            }
            return 0;
        };
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
        const int length = format(nullptr, 0);
        std::string message(static_cast<size_t>(length > 0 ? length : 0), '\0');
        format(message.data(), message.size() + 1);
#pragma GCC diagnostic pop
        return message;
    }
    return {};
}

std::string PrintableFourCC(uint32_t code)
{
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<unsigned char>(code >> (8 * i));
        if (byte >= 0x20 && byte < 0x7F) {
            text.push_back(static_cast<char>(byte));
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        }
    }
    return text;
}

std::string FormatFailure(const Failure& failure, std::string_view source, std::string_view destination)
{
    std::string message;
    if (failure.code == status::kSourceNotAFile) {
        static constexpr const char* kKinds[] = {"something other than a regular file", "a directory", "a FIFO",
                                                 "a socket", "a device"};
        const uint32_t kind = failure.detail < std::size(kKinds) ? failure.detail : 0;
        message = std::string(source) + "\nis not a regular file: it is " + kKinds[kind];
    } else if (failure.code == status::kNestedTooDeep) {
        message = std::string(source) + "\nis malformed: list '" + PrintableFourCC(failure.detail) + "' at offset " +
                  std::to_string(failure.offset) + " nests lists more than " +
                  std::to_string(status::kMaximumListDepth) + " levels deep";
    } else if (failure.code == status::kChunkOverrun) {
        message =
            std::string(source) + "\nis malformed: chunk '" + PrintableFourCC(failure.detail) + "' at offset " +
            std::to_string(failure.offset) + " runs past the end of " +
            (failure.parent == 0 ? std::string("the file") : "its list '" + PrintableFourCC(failure.parent) + "'");
    } else {
        message = FormatStatusMessage(failure.code, failure.detail, source, destination, failure.detail2);
    }
    if (failure.systemError != 0 || IsFileError(failure.code))
        message += ": " + SystemReason(failure);
    if (!failure.libraryMessage.empty())
        message += "\nJPEG library: " + failure.libraryMessage;
    return message;
}

std::string SameFileMessage(std::string_view source)
{
    return "Source and destination files are the same: " + std::string(source);
}

}  // namespace kestrel
