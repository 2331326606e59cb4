#include "ui/BatchOutcome.h"

#include <string_view>

namespace kestrel::ui {
namespace {

std::string Files(int count) { return std::to_string(count) + (count == 1 ? " file" : " files"); }

// The name behind the last separator of either kind.
std::string_view FileName(std::string_view path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string BatchOutcomeText(const BatchOutcome& outcome)
{
    const std::string converted = Files(outcome.converted) + " converted to " + outcome.outputDir;
    if (outcome.left == 0)
        return converted;
    std::string text = "Stopped: ";
    text += FileName(outcome.current);
    text += outcome.failed ? " failed, " : " not finished, ";
    text += Files(outcome.left) + " left";
    if (outcome.converted > 0)
        text += "; " + converted;
    return text;
}

}  // namespace kestrel::ui
