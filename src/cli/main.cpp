// kestrel-cli: rotates or mirrors Motion-JPEG AVI files from the command line.
//
// Exit status: 0 when every file was converted (or skipped by -n), 1 when a
// file failed or was refused (its message on standard error; later files
// are not started unless -k is given), 2 for a usage error, 128 + the signal
// after SIGINT or SIGTERM.

#include "base/FilePath.h"
#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "cli/Messages.h"
#include "cli/OutputNaming.h"
#include "cli/ProgressLine.h"
#include "cli/StopSignals.h"
#include "job/JobPaths.h"
#include "job/RunConversion.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using kestrel::Options;
using kestrel::PrintError;

// How one file ended, for the batch.
enum class FileResult { Converted, Skipped, Failed, Interrupted };

// One file of the batch: its source, its destination and its place.
struct FileTask {
    const std::string& source;
    const std::string& destination;
    int index;  // from 1
    int count;
};

// Converts one file on a worker thread while this one redraws the progress
// line and watches for SIGINT and SIGTERM, which stop the conversion (its
// temporary file removed, the destination untouched); `signal` then says which.
FileResult ConvertFile(const FileTask& task, const Options& options, kestrel::StopSignals& signals, int& signal)
{
    const std::string& source = task.source;
    const std::string& destination = task.destination;
    if (!options.inPlace && kestrel::IsSameFile(source, destination)) {
        PrintError(kestrel::SameFileMessage(source) +
                   "; write it elsewhere with -o DIR, replace it with --in-place, or name the converted file "
                   "NAME+TEXT.avi with --suffix TEXT");
        return FileResult::Failed;
    }
    std::error_code error;
    if (options.noClobber && std::filesystem::exists(kestrel::PathFromUtf8(destination), error)) {
        if (!options.quiet)
            std::printf("%s: skipped, %s exists\n", source.c_str(), destination.c_str());
        return FileResult::Skipped;
    }
    // Read before the conversion: in place, the source is replaced by then.
    const auto sourceTime = std::filesystem::last_write_time(kestrel::PathFromUtf8(source), error);
    const bool timeKnown = !error;

    kestrel::ConversionStatus status;
    auto job = std::make_unique<kestrel::ConversionJob>();
    job->source = source;
    job->destination = destination;
    job->mode = options.mode;
    job->replacesSource = options.inPlace;
    job->jobs = options.jobs;
    job->salvage = options.salvage;
    kestrel::ProgressLine progress(source, task.index, task.count, !options.quiet);
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
    if (!options.quiet && status.Result.outcome == kestrel::Outcome::Converted) {
        if (status.Result.replacedFrames.Any())
            std::fprintf(stderr, "%s\n", kestrel::FormatReplacedFrames(status.Result.replacedFrames, source).c_str());
        if (status.Result.recordingEnd.Any())
            std::fprintf(stderr, "%s\n", kestrel::FormatRecordingEnd(status.Result.recordingEnd, source).c_str());
    }

    switch (status.Result.outcome) {
    case kestrel::Outcome::Converted: break;
    case kestrel::Outcome::Stopped:
        PrintError("stopped: " + source + " was not converted");
        return FileResult::Interrupted;
    case kestrel::Outcome::Failed: {
        std::string line = kestrel::FailureLine(status.Result.failure, source, destination);
        const int32_t code = status.Result.failure.code;
        if (kestrel::IsReplaceableFrame(code))
            line += "; --salvage converts it, each damaged frame repeating the frame before it";
        PrintError(line);
        return signal != 0 ? FileResult::Interrupted : FileResult::Failed;
    }
    }
    if (options.preserveTime) {
        if (timeKnown)
            std::filesystem::last_write_time(kestrel::PathFromUtf8(destination), sourceTime, error);
        if (!timeKnown || error) {
            PrintError("couldn't give " + destination + " the modification time of " + source + ": " + error.message());
            return FileResult::Failed;
        }
    }
    if (!options.quiet) {
        std::printf("%s -> %s (%d frames)\n", source.c_str(), destination.c_str(),
                    static_cast<int>(status.FramesConverted));
        // An empty clip converts, but is worth a word.
        if (status.FramesConverted == 0)
            std::fprintf(stderr, "warning: %s: 0 frames: its video stream holds no frame\n", source.c_str());
    }
    return FileResult::Converted;
}

// Refuses the batch before anything is written when the output directory
// can't be had or two files would be written to the same place.
bool CheckBatch(const Options& options, const std::vector<std::string>& destinations)
{
    if (options.outputDirectory) {
        if (kestrel::Status prepared = kestrel::PrepareOutputDirectory(*options.outputDirectory); !prepared.Ok()) {
            PrintError(kestrel::FailureLine(prepared.failure(), "", *options.outputDirectory));
            return false;
        }
    }
    if (const auto conflict = kestrel::FindBatchConflict(options.files, destinations)) {
        PrintError(*conflict + "; nothing was converted");
        return false;
    }
    return true;
}

// Parses the command line into `options`; the exit status when the program
// ends here (help, version or a usage error).
std::optional<int> ParseCommandLine(std::vector<std::string> arguments, Options& options)
{
    CLI::App app{"", std::string(kestrel::kProgramName)};
    kestrel::AddOptions(app, options);
    try {
        // CLI11 takes the arguments last first, without the program's name.
        arguments.erase(arguments.begin());
        std::reverse(arguments.begin(), arguments.end());
        app.parse(arguments);
    } catch (const CLI::CallForHelp& request) {
        return app.exit(request);
    } catch (const CLI::CallForVersion& request) {
        return app.exit(request);
    } catch (const CLI::ParseError& error) {
        PrintError(kestrel::OneLine(error.what()) + " (see kestrel-cli --help)");
        return 2;
    }
    if (const auto reason = kestrel::Validate(options)) {
        PrintError(*reason);
        return 2;
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv)
{
    // A log of both streams keeps the order of the lines.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    kestrel::PrepareConsole();

    Options options;
    if (const auto exitStatus = ParseCommandLine(kestrel::Utf8Arguments(argc, argv), options))
        return *exitStatus;

    const kestrel::Naming naming{options.inPlace, options.suffix, options.outputDirectory};
    std::vector<std::string> destinations;
    for (const std::string& file : options.files)
        destinations.push_back(kestrel::DestinationOf(file, naming));
    if (!CheckBatch(options, destinations))
        return 1;

    // Before any thread starts, so that every thread leaves the signals to
    // the waiting loop.
    kestrel::StopSignals signals;
    const int count = static_cast<int>(options.files.size());
    int converted = 0;
    int skipped = 0;
    std::vector<std::string> failed;
    for (int i = 0; i < count; ++i) {
        const FileTask task{options.files[i], destinations[i], i + 1, count};
        int signal = 0;
        switch (ConvertFile(task, options, signals, signal)) {
        case FileResult::Converted: ++converted; continue;
        case FileResult::Skipped: ++skipped; continue;
        case FileResult::Interrupted: return 128 + signal;
        case FileResult::Failed: failed.push_back(task.source); break;
        }
        if (!options.keepGoing)
            return 1;
    }
    if (failed.empty())
        return 0;
    std::string summary = std::to_string(converted) + " converted, ";
    if (skipped > 0)
        summary += std::to_string(skipped) + " skipped, ";
    PrintError(summary + std::to_string(failed.size()) + " failed");
    for (const std::string& file : failed)
        PrintError("failed: " + file);
    return 1;
}
