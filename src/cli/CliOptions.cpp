#include "cli/CliOptions.h"

#include "KestrelVersion.h"

#include <CLI/CLI.hpp>

namespace kestrel {
namespace {

// What a transform does, for the help text.
std::string_view Effect(RotationMode mode)
{
    switch (mode) {
    case RotationMode::Clockwise90: return "90° clockwise";
    case RotationMode::Anticlockwise90: return "90° anticlockwise (the default)";
    case RotationMode::Rotate180: return "180°";
    case RotationMode::MirrorX: return "Mirror X: each row reversed (left-right)";
    case RotationMode::MirrorY: return "Mirror Y: the row order reversed (top-bottom)";
    }
    return {};
}

std::string Spellings(const TransformInfo& info)
{
    std::string text;
    for (std::string_view spelling : info.spellings) {
        if (spelling.empty())
            break;
        if (!text.empty())
            text += ", ";
        text += spelling;
    }
    return text;
}

// The transforms' table, one line each, then how files are named.
std::string Footer()
{
    std::string text = "Transforms (-t), by any of their names, in any letter case:\n";
    for (const TransformInfo& info : kTransforms) {
        std::string names = "  " + Spellings(info);
        names.resize(std::max<size_t>(names.size() + 2, 38), ' ');
        text += names + std::string(Effect(info.mode)) + "\n";
    }
    text += "\n"
            "Output names: by default each FILE is written under its own name into the\n"
            "current folder; -o DIR writes it into DIR, --suffix TEXT writes NAME+TEXT.avi\n"
            "beside the source (or into DIR), -i replaces the source once its converted\n"
            "file is complete. An existing destination is replaced unless -n is given.\n"
            "\n"
            "Exit status: 0 every file converted or skipped, 1 a file failed or was\n"
            "refused, 2 usage error, 130 or 143 stopped by SIGINT or SIGTERM.";
    return text;
}

}  // namespace

void AddOptions(CLI::App& app, Options& options)
{
    app.description("Rotates or mirrors the picture of Motion-JPEG AVI files.");
    app.footer(Footer());
    app.get_formatter()->column_width(26);
    app.set_version_flag("--version", std::string("kestrel-cli ") + KESTREL_VERSION, "Print the version and exit");

    app.add_option("-t,--transform", options.transform, "The transform, by one of the names below (default: acw)")
        ->option_text("NAME");
    app.add_option_function<std::string>(
           "-o,--output-dir", [&](const std::string& dir) { options.outputDirectory = dir; },
           "Write the converted files into DIR (created if missing)")
        ->option_text("DIR");
    app.add_option_function<std::string>(
           "--suffix", [&](const std::string& text) { options.suffix = text; },
           "Name each converted file NAME+TEXT.avi")
        ->option_text("TEXT");
    app.add_flag("-i,--in-place", options.inPlace, "Replace each FILE with its converted file");
    app.add_flag("-n,--no-clobber", options.noClobber, "Skip a file whose destination exists");
    app.add_flag("-k,--keep-going", options.keepGoing, "Go on with the next file after a failure");
    app.add_flag("-p,--preserve-time", options.preserveTime, "Give each converted file its source's modification time");
    app.add_flag("-q,--quiet", options.quiet, "Print errors only");
    app.add_flag("--salvage", options.salvage, "Convert files with damaged frames, each repeating the frame before it");
    app.add_option("-j,--jobs", options.jobs,
                   "Threads transcoding frames side by side (default: " + std::to_string(options.jobs) + ")")
        ->check(CLI::Range(1, 1024))
        ->option_text("N");
    app.add_option("FILE", options.files, "Motion-JPEG AVI files, converted in this order")
        ->required()
        ->option_text("...");
}

std::optional<std::string> Validate(Options& options)
{
    if (const auto mode = ParseTransform(options.transform)) {
        options.mode = *mode;
    } else {
        std::string names;
        for (const TransformInfo& info : kTransforms)
            names += (names.empty() ? "" : ", ") + Spellings(info);
        return "unknown transform '" + options.transform + "'; use one of " + names;
    }
    if (options.inPlace && (options.outputDirectory || options.suffix || options.noClobber))
        return "-i replaces each FILE: it goes with neither -o, --suffix nor -n";
    if (options.suffix && options.suffix->find('/') != std::string::npos)
        return "the suffix '" + *options.suffix + "' may not contain '/'; use -o DIR for another folder";
    return std::nullopt;
}

}  // namespace kestrel
