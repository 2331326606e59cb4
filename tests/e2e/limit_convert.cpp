// Converts one file with a given RIFF size limit, so that the end-to-end
// tests make multi-RIFF (OpenDML) outputs from small inputs. The limit is a
// parameter of the core, not an option of kestrel-cli.
//
// usage: kestrel_limit_convert --riff-limit BYTES -t TRANSFORM [-j N] SOURCE DESTINATION

#include "base/StatusCode.h"
#include "job/RunConversion.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

int main(int argc, char** argv)
{
    using namespace kestrel;
    auto job = std::make_unique<ConversionJob>();
    std::string paths[2];
    int pathCount = 0;
    bool usable = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--riff-limit" && hasValue) {
            job->riffSizeLimit = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "-t" && hasValue) {
            const std::optional<RotationMode> mode = ParseTransform(argv[++i]);
            usable = usable && mode.has_value();
            job->mode = mode.value_or(job->mode);
        } else if (arg == "-j" && hasValue) {
            job->jobs = std::atoi(argv[++i]);
        } else if (pathCount < 2 && !arg.starts_with("-")) {
            paths[pathCount++] = arg;
        } else {
            usable = false;
        }
    }
    if (!usable || pathCount != 2 || job->riffSizeLimit == 0) {
        std::fputs("usage: kestrel_limit_convert --riff-limit BYTES -t TRANSFORM [-j N] SOURCE DESTINATION\n", stderr);
        return 2;
    }
    job->source = paths[0];
    job->destination = paths[1];
    ConversionStatus status;
    RunConversion(std::move(job), status);
    if (status.Succeeded())
        return 0;
    std::fprintf(stderr, "%s\n", FormatFailure(status.Result.failure, paths[0], paths[1]).c_str());
    return 1;
}
