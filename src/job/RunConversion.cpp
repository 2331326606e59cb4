#include "job/RunConversion.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/ChunkWalker.h"
#include "avi/ConversionContext.h"
#include "base/FilePath.h"
#include "base/StatusCode.h"
#include "job/FileSystem.h"
#include "job/JobPaths.h"
#include "job/OutputFile.h"
#include "job/PlatformFiles.h"

#include <cerrno>
#include <new>
#include <utility>

namespace kestrel {
namespace {

// The conversion proper.
Status Convert(const ConversionJob& job, ConversionStatus& status, ConversionResult& result)
{
    if (Status kind = CheckSource(job.source); !kind.Ok())
        return kind;
    // The source is opened and its first bytes read before anything is
    // created for writing: a source that can't be read leaves the
    // destination's folder as it was.
    ChunkStream source;
    if (!source.Open(job.source, ChunkStream::Mode::Read, StreamBufferSize))
        return Status::FailSystem(status::kCantOpenSource, errno);
    uint8_t head[avi::kChunkHeaderSize + avi::kListTypeSize];
    errno = 0;
    if (!source.PeekAt(0, head, sizeof head))
        return Status::FailSystem(status::kReadError, errno);

    // In place, a symbolic link stays a link: the file it leads to is
    // replaced, beside itself.
    std::string target = job.destination;
    if (job.replacesSource) {
        if (Status resolved = ResolveLinks(job.destination, target, status::kCantOpenDestination); !resolved.Ok())
            return resolved;
    }
    // Declared before the stream, so that the stream is closed before an
    // unfinished temporary file is removed.
    OutputFile output(target);
    if (job.replacesSource)
        output.TakeOwnerAndPermissionsOf(job.source);
    ChunkStream destination;
    if (Status created = output.Create(destination, StreamBufferSize); !created.Ok())
        return created;

    Status converted;
    {
        ConversionContext context(source, destination, status, job.mode, job.source, job.jobs, job.salvage);
        // A source of half the limit may outgrow one RIFF chunk once re-encoded.
        // Index entries beyond a few MiB wait beside the destination.
        const std::string folder = Utf8FromPath(PathFromUtf8(target).parent_path());
        context.output.Configure(job.riffSizeLimit, source.Size() >= job.riffSizeLimit / 2,
                                 folder.empty() ? "." : folder);
        converted = ConvertRiffFile(context);
        context.frames.Release();
        result.warnings = std::move(context.progress.warnings);
        result.recordingEnd = context.walk.recordingEnd;
        result.replacedFrames = context.progress.replacedFrames;
        result.framesFromWorkers = context.frames.counts().fromWorkers;
        result.framesByWalker = context.frames.counts().byWalker;
    }
    source.Close();
    if (!converted.Ok())
        return converted;
    // The last buffered bytes are written, the file closed and renamed onto
    // the destination; a failure of any is a failure of the conversion.
    return output.Commit(destination);
}

}  // namespace

int RunConversion(std::unique_ptr<ConversionJob> job, ConversionStatus& status)
{
    ConversionResult result;
    try {
        const Status converted = Convert(*job, status, result);
        result.outcome = converted.Ok()          ? Outcome::Converted
                         : converted.IsStopped() ? Outcome::Stopped
                                                 : Outcome::Failed;
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
