// kestrel-cli: rotates or mirrors Motion-JPEG AVI files from the command line.
//
// Exit status: 0 when every file was converted, 1 when a file failed or was
// refused (its message on standard error; later files are not started),
// 2 for a usage error.

#include "cli/ProgressLine.h"
#include "cli/StopSignals.h"
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

// How one file ended, for the batch.
enum class FileResult { Converted, Failed, Interrupted };

// Converts one file on a worker thread while this one redraws the progress
// line and watches for SIGINT and SIGTERM, which stop the conversion (its
// temporary file removed, the destination untouched); `signal` then says which.
FileResult ConvertFile(const std::string& source, const Options& options, kestrel::StopSignals& signals, int& signal)
{
    const std::string destination = kestrel::MakeDestinationPath(options.outputDirectory, source);
    if (kestrel::IsSameFile(source, destination)) {
        std::fprintf(stderr, "%s\n", kestrel::SameFileMessage(source).c_str());
        return FileResult::Failed;
    }

    kestrel::ConversionStatus status;
    auto job = std::make_unique<kestrel::ConversionJob>(kestrel::ConversionJob{source, destination, options.mode});
    kestrel::ProgressLine progress(source, !options.quiet && isatty(STDERR_FILENO));
    std::thread worker([&] {
        kestrel::RunConversion(std::move(job), status);
        signals.WakeWaiter();
    });
    signals.WaitForWorker([&] { return status.Finished.load(); },
                          [&] { progress.Update(status.ProgressPercent, status.FramesConverted); },
                          [&](int caught) {
                              signal = caught;
                              status.StopRequested = true;
                          },
                          std::chrono::milliseconds(100));
    worker.join();
    progress.Finish();
    if (!options.quiet && status.Result.warnings.Any())
        std::fprintf(stderr, "%s\n", kestrel::FormatFrameWarnings(status.Result.warnings, source).c_str());

    switch (status.Result.outcome) {
    case kestrel::Outcome::Converted:
        break;
    case kestrel::Outcome::Stopped:
        std::fprintf(stderr, "Stopped: %s was not converted\n", source.c_str());
        return FileResult::Interrupted;
    case kestrel::Outcome::Failed:
        std::fprintf(stderr, "%s\n", kestrel::FormatFailure(status.Result.failure, source, destination).c_str());
        return signal != 0 ? FileResult::Interrupted : FileResult::Failed;
    }
    if (!options.quiet)
        std::printf("%s -> %s (%d frames)\n", source.c_str(), destination.c_str(),
                    static_cast<int>(status.FramesConverted));
    return FileResult::Converted;
}

// Refuses the batch before anything is written when the output directory
// can't be had or two sources would be written to the same destination.
bool CheckBatch(const Options& options)
{
    if (kestrel::Status prepared = kestrel::PrepareOutputDirectory(options.outputDirectory); !prepared.Ok()) {
        std::fprintf(stderr, "%s\n", kestrel::FormatFailure(prepared.failure(), "", options.outputDirectory).c_str());
        return false;
    }
    if (const auto clash = kestrel::FindDestinationClash(options.files, options.outputDirectory)) {
        const std::string& first = options.files[clash->first];
        const std::string message = kestrel::DestinationClashMessage(
            first, options.files[clash->second], kestrel::MakeDestinationPath(options.outputDirectory, first));
        std::fprintf(stderr, "%s; nothing was converted\n", message.c_str());
        return false;
    }
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

    if (!CheckBatch(options))
        return 1;
    // Before any thread starts, so that every thread leaves the signals to
    // the waiting loop.
    kestrel::StopSignals signals;
    for (const std::string& file : options.files) {
        int signal = 0;
        switch (ConvertFile(file, options, signals, signal)) {
        case FileResult::Converted: continue;
        case FileResult::Failed: return 1;
        case FileResult::Interrupted: return 128 + signal;
        }
    }
    return 0;
}
