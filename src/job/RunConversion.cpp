#include "job/RunConversion.h"

#include "avi/ChunkHandler.h"
#include "avi/ChunkStream.h"
#include "avi/ConversionContext.h"
#include "base/StatusCode.h"

#include <cerrno>
#include <new>

namespace kestrel {
namespace {

Status OpenFailure(int32_t code)
{
    Failure failure{code};
    failure.systemError = errno;
    return failure;
}

// The conversion proper.
Status Convert(const ConversionJob& job, ConversionStatus& status)
{
    // Both files are opened before either is tested, so the destination is
    // created (or emptied) even when the source cannot be read.
    ChunkStream source;
    ChunkStream destination;
    const bool sourceOpen = source.Open(job.source, false, StreamBufferSize);
    const int sourceError = errno;
    const bool destinationOpen = destination.Open(job.destination, true, StreamBufferSize);
    if (!sourceOpen) {
        errno = sourceError;
        return OpenFailure(status::kCantOpenSource);
    }
    if (!destinationOpen)
        return OpenFailure(status::kCantOpenDestination);

    Status converted;
    {
        ConversionContext context(source, destination, status, job.mode);
        converted = ConvertRiffFile(context);
        ReleaseConversionBuffers(context);
    }
    // The last buffered bytes are written here; a failure to is a failure
    // of the conversion, never a success.
    const bool closed = destination.Close();
    source.Close();
    if (converted.Ok() && !closed)
        return destination.Result();
    return converted;
}

}  // namespace

int RunConversion(std::unique_ptr<ConversionJob> job, ConversionStatus& status)
{
    ConversionResult result;
    try {
        const Status converted = Convert(*job, status);
        result.outcome = converted.Ok() ? Outcome::Converted : converted.IsStopped() ? Outcome::Stopped : Outcome::Failed;
        result.failure = converted.failure();
    } catch (const std::exception&) {
        // Out of memory (bad_alloc, or a length_error of a vector): the only
        // exceptions the core can meet.
        result.outcome = Outcome::Failed;
        result.failure = Failure{status::kOutOfMemory};
    }
    job.reset();
    status.Result = std::move(result);
    if (status.Result.outcome == Outcome::Converted)
        status.ProgressPercent = 100;
    status.Finished = true;
    return 0;
}

}  // namespace kestrel
