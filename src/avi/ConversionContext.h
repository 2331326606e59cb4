#pragma once

#include "avi/FrameSource.h"
#include "avi/RiffWriter.h"
#include "base/ByteOrder.h"
#include "base/ConversionStatus.h"
#include "base/FrameWarnings.h"
#include "base/RecordingEnd.h"
#include "base/Transform.h"

#include <cstdint>
#include <optional>

namespace kestrel {

class ChunkStream;

// What the walk has learned of the source so far: its RIFF chunks, streams
// and video format, and where in the chunk tree it is.
struct WalkState {
    // Source RIFF chunks met so far, and whether another follows the one
    // being walked (an OpenDML 'AVIX').
    uint32_t sourceRiffs = 0;
    bool sourceContinues = false;
    uint64_t nextRiff = 0;  // where it starts, behind any 'JUNK' or zero bytes
    // RIFF and LIST chunks open around the chunk being converted.
    uint32_t listDepth = 0;
    FourCC lastChunkId = 0;
    FourCC lastStreamType = 0;
    // Streams are numbered by the order of their 'strl' lists; the number is
    // the first two characters of their data chunks' FOURCCs ("00dc").
    int32_t streamCount = 0;
    // The number of the stream whose list is being walked, once its header was read.
    std::optional<int32_t> listStream;
    // The number of the Motion-JPEG video stream, once its header was read.
    std::optional<int32_t> videoStream;
    // The video stream's frame size as stored in the source; set by its format.
    std::optional<mjpeg::PictureSize> frameSize;
    // How the recording ended, when its writer never finished it, and the
    // refusal of a first RIFF chunk left open when no 'movi' list follows
    // in it: a file cut within its headers is damage.
    RecordingEnd recordingEnd;
    Status openRiffRefusal;
};

// What the watcher of the conversion sees: progress against the frames the
// header announces, the stop request, and the library's warnings.
struct Progress {
    explicit Progress(ConversionStatus& status) : status(status) { }

    // After each frame written: `frames` in all so far.
    void FrameWritten(uint32_t frames);
    bool StopRequested() const { return status.StopRequested; }

    ConversionStatus& status;
    uint32_t announcedFrames = 0;  // dwTotalFrames of the main header, or of 'dmlh'
    FrameWarnings warnings;
    ReplacedFrames replacedFrames;
};

// One running conversion: the source read front to back, and the four
// objects that the chunk handlers share. Each handler is given the ones it
// touches (ChunkDispatch.cpp).
struct ConversionContext {
    ConversionContext(ChunkStream& source, ChunkStream& destination, ConversionStatus& status, RotationMode mode,
                      const std::string& sourcePath, int32_t jobs, bool salvage)
        : source(source), mode(mode), output(destination), frames(sourcePath, jobs, salvage), progress(status)
    {
    }
    ConversionContext(const ConversionContext&) = delete;
    ConversionContext& operator=(const ConversionContext&) = delete;

    ChunkStream& source;
    const RotationMode mode;
    WalkState walk;
    RiffWriter output;
    FrameSource frames;
    Progress progress;

    // What every frame is transcoded with, once the video format is known:
    // the stop request ends a frame half-way.
    FrameFormat VideoFrameFormat() const
    {
        if (!walk.frameSize)
            return {};
        return {walk.frameSize->width,
                walk.frameSize->height,
                mode,
                {mjpeg::kFramesMemoryBudget, &progress.status.StopRequested}};
    }
};

}  // namespace kestrel
