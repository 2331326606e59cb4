#pragma once

#include "base/ConversionStatus.h"
#include "job/ConversionJob.h"

#include <memory>

namespace kestrel {

// The file streams' buffer capacity.
inline constexpr uint32_t StreamBufferSize = 1u * 1024 * 1024;

// Converts job->source into job->destination: the worker's whole run. Takes
// ownership of the job. Never throws. Records how it ended in status.Result
// (Converted, Stopped at the watcher's request, or Failed with the reason),
// then sets ProgressPercent to 100 on success and Finished last in every
// case. The destination is written through a temporary file and replaced
// only by a finished conversion: after a failure or a stop it is as it was.
int RunConversion(std::unique_ptr<ConversionJob> job, ConversionStatus& status);

}  // namespace kestrel
