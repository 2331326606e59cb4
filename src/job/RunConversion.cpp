#include "job/RunConversion.h"

#include "avi/ChunkHandler.h"
#include "avi/ChunkStream.h"
#include "avi/ConversionContext.h"
#include "job/StatusCode.h"

#include <new>

namespace kestrel {
namespace {

// The conversion proper; true on success.
bool Convert(const ConversionJob& job, ConversionStatus& status)
{
    // Both files are opened before either is tested, so the destination is
    // created (or emptied) even when the source cannot be read.
    ChunkStream source;
    ChunkStream destination;
    source.Open(job.source, false, StreamBufferSize, status);
    destination.Open(job.destination, true, StreamBufferSize, status);
    if (!source.IsOpen()) {
        status.Record(status::kCantOpenSource);
        return false;
    }
    if (!destination.IsOpen()) {
        status.Record(status::kCantOpenDestination);
        return false;
    }

    bool converted = false;
    {
        ConversionContext context(source, destination, status, job.mode);
        if (std::unique_ptr<ChunkHandler> riff = OpenRiff(context))
            converted = !riff->Process().Failed();
        ReleaseConversionBuffers(context);
    }
    // The last buffered bytes are written here; a failure to is a failure
    // of the conversion, never a success.
    const bool closed = destination.Close();
    if (converted && !closed)
        status.Record(status::kWriteError);
    source.Close();
    return converted && closed;
}

}  // namespace

int RunConversion(std::unique_ptr<ConversionJob> job, ConversionStatus& status)
{
    bool converted = false;
    try {
        converted = Convert(*job, status);
    } catch (const std::exception&) {
        // Out of memory (the only exception the core can meet): the conversion ends, like a stop, without a message.
    }
    job.reset();
    if (converted)
        status.ProgressPercent = 100;
    else
        status.StopRequested = true;
    status.Finished = true;
    return 0;
}

}  // namespace kestrel
