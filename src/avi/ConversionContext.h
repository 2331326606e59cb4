#pragma once

#include "avi/FrameWorkspace.h"
#include "avi/RiffWriter.h"
#include "base/ByteOrder.h"
#include "base/ConversionStatus.h"
#include "base/FrameWarnings.h"
#include "base/Transform.h"
#include "mjpeg/FrameTranscoder.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

class ChunkStream;
class FramePipeline;

// The state of one running conversion that the chunk handlers share.
struct ConversionContext {
    // Out of line, where the pipeline's type is complete.
    ConversionContext(ChunkStream& source, ChunkStream& destination, ConversionStatus& status, RotationMode mode);
    ~ConversionContext();
    ConversionContext(const ConversionContext&) = delete;
    ConversionContext& operator=(const ConversionContext&) = delete;

    ChunkStream& source;
    ChunkStream& destination;
    ConversionStatus& status;
    RotationMode Mode;
    // The source's path, for the frame pipeline's own handles, and how many
    // threads transcode frames; 1 (or no path): the walker transcodes each
    // frame itself.
    std::string SourcePath;
    int32_t Jobs = 1;

    // The RIFF chunks being written and their indexes.
    RiffWriter Output;
    // Destination offset of the 'movi' list type; unset before the 'movi' list.
    std::optional<uint64_t> MoviBase;
    // Source RIFF chunks walked so far, and whether another follows the
    // one being walked (an OpenDML 'AVIX').
    uint32_t SourceRiffs = 0;
    bool SourceContinues = false;
    // The largest size of any non-list chunk read or frame written, for
    // dwSuggestedBufferSize.
    uint32_t LargestChunkSize = 0;
    uint32_t TotalFrames = 0;  // dwTotalFrames of the main header, or of 'dmlh'
    uint32_t FramesDone = 0;
    FourCC LastChunkId = 0;
    FourCC LastStreamType = 0;

    // Streams are numbered by the order of their 'strl' lists; the number is
    // the first two characters of their data chunks' FOURCCs ("00dc").
    int32_t StreamCount = 0;
    // RIFF and LIST chunks open around the chunk being converted.
    uint32_t ListDepth = 0;
    // The number of the stream whose list is being walked, once its header was read.
    std::optional<int32_t> ListStream;
    // The number of the Motion-JPEG video stream, once its header was read.
    std::optional<int32_t> VideoStream;
    // Frame size of the video stream as stored in the source; set by its format.
    bool HaveVideoFormat = false;
    int32_t FrameWidth = 0;
    int32_t FrameHeight = 0;

    // Scratch for copied payloads, and the walker's frame buffers; each
    // allocated on first use and freed by ReleaseConversionBuffers.
    std::vector<uint8_t> CopyBuffer;
    FrameWorkspace Workspace;
    // The workers transcoding the frames of the 'movi' list being walked,
    // when there are any.
    std::unique_ptr<FramePipeline> Pipeline;

    // What every frame is transcoded with.
    FrameFormat VideoFrameFormat() const { return {FrameWidth, FrameHeight, Mode}; }

    // The JPEG library's warnings about the frames so far.
    FrameWarnings Warnings;
};

// Stops the frame pipeline and frees every buffer that a conversion
// allocates on first use.
void ReleaseConversionBuffers(ConversionContext& context);

}  // namespace kestrel
