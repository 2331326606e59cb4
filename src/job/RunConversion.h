#pragma once

#include "job/ConversionJob.h"
#include "job/ConversionStatus.h"

#include <memory>

namespace kestrel {

// The file streams' buffer capacity.
inline constexpr uint32_t StreamBufferSize = 16u * 1024 * 1024;

// Converts job->source into job->destination: the worker's whole run. Takes
// ownership of the job. Never throws. On failure StopRequested is set and
// StatusCode says why (0 for a stop by the user); on success StopRequested
// stays clear and ProgressPercent is 100. Finished is set last in every case.
// The destination keeps whatever was written up to a failure.
int RunConversion(std::unique_ptr<ConversionJob> job, ConversionStatus& status);

}  // namespace kestrel
