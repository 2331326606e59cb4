// kestrel-cli: rotates or mirrors Motion-JPEG AVI files from the command line.
//
// Exit status: 0 when every file was converted, 1 when a file failed or was
// refused (its message on standard error; later files are not started),
// 2 for a usage error.

#include "cli/ProgressLine.h"
#include "job/JobPaths.h"
#include "job/RunConversion.h"
#include "base/StatusCode.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using kestrel::RotationMode;

// The transforms' names for the help text: "cw, acw, 180, mirror-x or mirror-y".
std::string TransformNames()
{
    std::string names;
    for (size_t i = 0; i < kestrel::kTransforms.size(); ++i) {
        if (i > 0)
            names += i + 1 == kestrel::kTransforms.size() ? " or " : ", ";
        names += kestrel::kTransforms[i].name;
    }
    return names;
}

struct Options {
    RotationMode mode = RotationMode::Anticlockwise90;
    std::string outputDirectory = ".";
    bool quiet = false;
    std::vector<std::string> files;
};

// Converts one file on a worker thread while this one redraws the progress
// line; true on success.
bool ConvertFile(const std::string& source, const Options& options)
{
    const std::string destination = kestrel::MakeDestinationPath(options.outputDirectory, source);
    if (kestrel::IsSameFile(source, destination)) {
        std::fprintf(stderr, "%s\n", kestrel::SameFileMessage(source).c_str());
        return false;
    }

    kestrel::ConversionStatus status;
    auto job = std::make_unique<kestrel::ConversionJob>(kestrel::ConversionJob{source, destination, options.mode});
    kestrel::ProgressLine progress(source, !options.quiet && isatty(STDERR_FILENO));
    std::thread worker(kestrel::RunConversion, std::move(job), std::ref(status));
    while (!status.Finished) {
        progress.Update(status.ProgressPercent, status.FramesConverted);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    worker.join();
    progress.Finish();

    if (!status.Succeeded()) {
        // A stop comes only from this program, which does not ask for one.
        const std::string message = kestrel::FormatFailure(status.Result.failure, source, destination);
        std::fprintf(stderr, "%s\n", message.c_str());
        return false;
    }
    if (!options.quiet)
        std::printf("%s -> %s (%d frames)\n", source.c_str(), destination.c_str(),
                    static_cast<int>(status.FramesConverted));
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    CLI::App app{"Rotates or mirrors the picture of Motion-JPEG AVI files.\n"
                 "Each FILE is written under the same name into the output directory.",
                 "kestrel-cli"};
    app.add_option_function<std::string>(
           "-t,--transform", [&](const std::string& name) { options.mode = *kestrel::ParseTransform(name); },
           TransformNames() + " (default acw)")
        ->check(CLI::Validator(
            [](std::string& name) {
                return kestrel::ParseTransform(name) ? std::string() : "unknown transform: " + name;
            },
            "TRANSFORM", "transform"))
        ->option_text("TRANSFORM");
    app.add_option("-o,--output-dir", options.outputDirectory, "where the converted files go (default: .)")
        ->option_text("DIR");
    app.add_flag("-q,--quiet", options.quiet, "no progress line and no summary");
    app.add_option("FILE", options.files, "Motion-JPEG AVI files, converted in this order")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : 2;
    }

    for (const std::string& file : options.files)
        if (!ConvertFile(file, options))
            return 1;
    return 0;
}
