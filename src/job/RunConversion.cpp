#include "job/RunConversion.h"

namespace kestrel {

int RunConversion(std::unique_ptr<ConversionJob> job, ConversionStatus& status)
{
    (void)job;
    status.ProgressPercent = 100;
    status.Finished = true;
    return 0;
}

}  // namespace kestrel
