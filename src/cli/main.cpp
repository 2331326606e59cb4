// kestrel-cli: rotates or mirrors Motion-JPEG AVI files from the command line.
//
// Exit status: 0 when every file was converted (or skipped by -n), 1 when a
// file failed or was refused (its message on standard error; later files
// are not started unless -k is given), 2 for a usage error, 128 + the signal
// after SIGINT, SIGTERM or SIGHUP. Standard output and error are checked at
// exit: a failed write to either ends in status 1 (with a message on
// standard error when that still works).

#include "base/FilePath.h"
#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "cli/Messages.h"
#include "cli/OutputNaming.h"
#include "cli/ProgressLine.h"
#include "cli/StopSignals.h"
#include "job/FileSystem.h"
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

// How one file ended, for the batch; Fatal: it failed, and so would every other.
enum class FileResult { Converted, Skipped, Failed, Fatal, Interrupted };

// One file of the batch: its source, its destination and its place.
struct FileTask {
    const std::string& source;
    const std::string& destination;
    int index;  // from 1
    int count;
};

// The output directory of -o, created with its parents when the first file
// that exists is about to be converted, so that a batch of missing files
// creates nothing.
class OutputDirectory {
public:
    explicit OutputDirectory(const std::optional<std::string>& path) : path_(path) { }
    bool Prepare()
    {
        if (!path_ || prepared_)
            return true;
        const kestrel::Status prepared = kestrel::PrepareOutputDirectory(*path_);
        if (!prepared.Ok()) {
            PrintError(kestrel::FailureLine(prepared.failure(), "", *path_));
            return false;
        }
        prepared_ = true;
        return true;
    }

private:
    const std::optional<std::string>& path_;
    bool prepared_ = false;
};

// What stands in the way of converting a file before anything is written:
// a missing source or one that is not a regular file, a destination that
// is the source, a source with more names than one for -i. Prints why.
bool RefuseFile(const FileTask& task, const Options& options)
{
    const std::string& source = task.source;
    const std::string& destination = task.destination;
    if (const kestrel::Status usable = kestrel::CheckSource(source); !usable.Ok()) {
        PrintError(kestrel::FailureLine(usable.failure(), source, destination));
        return true;
    }
    if (options.inPlace) {
        if (const uint64_t links = kestrel::HardLinkCount(source); links > 1) {
            PrintError(source + " has " + std::to_string(links) +
                       " hard links; converting it in place would split them: convert it with -o DIR or --suffix "
                       "TEXT");
            return true;
        }
    } else if (kestrel::IsSameFile(source, destination)) {
        PrintError(kestrel::SameFileMessage(source) +
                   "; write it elsewhere with -o DIR, replace it with --in-place, or name the converted file "
                   "NAME+TEXT.avi with --suffix TEXT");
        return true;
    }
    return false;
}

// Converts one file on a worker thread while this one redraws the progress
// line and watches for SIGINT, SIGTERM and SIGHUP, which stop the conversion
// (its temporary file removed, the destination untouched).
FileResult ConvertFile(const FileTask& task, const Options& options, OutputDirectory& outputDirectory,
                       kestrel::StopSignals& signals, kestrel::OutputLines& lines)
{
    const std::string& source = task.source;
    const std::string& destination = task.destination;
    if (RefuseFile(task, options))
        return FileResult::Failed;
    if (!outputDirectory.Prepare())
        return FileResult::Fatal;
    std::error_code error;
    if (options.noClobber && std::filesystem::exists(kestrel::PathFromUtf8(destination), error)) {
        if (!options.quiet)
            lines.Print(source + ": skipped, " + destination + " exists");
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
                          [&](int) { status.StopRequested = true; }, std::chrono::milliseconds(100));
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
        return signals.Caught() != 0 ? FileResult::Interrupted : FileResult::Failed;
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
        lines.Print(source + " -> " + destination + " (" + std::to_string(status.FramesConverted.load()) + " frames)");
        // An empty clip converts, but is worth a word.
        if (status.FramesConverted == 0)
            std::fprintf(stderr, "warning: %s: 0 frames: its video stream holds no frame\n", source.c_str());
    }
    return FileResult::Converted;
}

// Refuses the batch before anything is written when the output directory
// is empty or two files would be written to the same place.
bool CheckBatch(const Options& options, const std::vector<std::string>& destinations)
{
    if (options.outputDirectory && options.outputDirectory->empty()) {
        PrintError(kestrel::FailureLine(kestrel::Failure(kestrel::status::kNoOutputDirectory), "", ""));
        return false;
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

// The batch: the exit status.
int Run(int argc, char** argv, kestrel::OutputLines& lines)
{
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
    OutputDirectory outputDirectory(options.outputDirectory);
    const int count = static_cast<int>(options.files.size());
    int converted = 0;
    int skipped = 0;
    std::vector<std::string> failed;
    for (int i = 0; i < count; ++i) {
        const FileTask task{options.files[i], destinations[i], i + 1, count};
        // A stop that came too late to stop the file before still stops the batch.
        if (const int signal = signals.Poll()) {
            PrintError("stopped: " + task.source + " was not converted");
            return 128 + signal;
        }
        switch (ConvertFile(task, options, outputDirectory, signals, lines)) {
        case FileResult::Converted: ++converted; continue;
        case FileResult::Skipped: ++skipped; continue;
        case FileResult::Interrupted: return 128 + signals.Caught();
        case FileResult::Fatal: return 1;
        case FileResult::Failed: failed.push_back(task.source); break;
        }
        if (!options.keepGoing)
            return 1;
    }
    if (const int signal = signals.Poll())
        return 128 + signal;
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

}  // namespace

int main(int argc, char** argv)
{
    // A log of both streams keeps the order of the lines.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    kestrel::PrepareConsole();
    kestrel::OutputLines lines;
    const int exitStatus = Run(argc, argv, lines);
    return kestrel::CloseStandardStreams(exitStatus, lines);
}
