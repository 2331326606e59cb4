#include "ui/MainDialogRules.h"

#include "job/JobPaths.h"
#include "ui/Resources.h"
#include "ui/UiServices.h"

#include <string_view>

namespace kestrel::ui {
namespace {

constexpr std::string_view kAviExtension = ".avi";

}  // namespace

// The transforms' canonical names are stable: they are stored in the user's settings.
int TransformButtonByName(const std::string& name)
{
    for (const TransformInfo& transform : kTransforms) {
        if (name == transform.name)
            return RadioButtonId(transform.mode);
    }
    return 0;
}

bool HasAviExtension(const std::string& name)
{
    // The extension is plain ASCII, and in UTF-8 no byte of a multi-byte
    // character can be mistaken for one of its characters.
    return name.size() >= kAviExtension.size() &&
           EqualIgnoringCase(std::string_view(name).substr(name.size() - kAviExtension.size()), kAviExtension);
}

void MainDialogRules::SetStartState()
{
    const int remembered = TransformButtonByName(ui_.ReadSetting(kTransformKey).value_or(std::string()));
    ui_.SetChecked(remembered != 0 ? remembered : IDC_ROT_ACW);
    const std::string outputDir = ui_.ReadSetting(kOutputDirectoryKey).value_or(std::string());
    ui_.SetControlText(IDC_OUTPUT_DIR, outputDir.empty() ? ui_.DocumentsFolder().value_or(std::string()) : outputDir);
    ui_.SetWindowTitle(kAppTitle);
}

void MainDialogRules::SaveSettings()
{
    for (const TransformInfo& transform : kTransforms) {
        if (ui_.IsChecked(RadioButtonId(transform.mode)))
            ui_.WriteSetting(kTransformKey, std::string(transform.name));
    }
    ui_.WriteSetting(kOutputDirectoryKey, ui_.ControlText(IDC_OUTPUT_DIR));
}

void MainDialogRules::AddChosenFiles() { AddFiles(ui_.ChooseFiles("Choose an AVI File", "AVI Files (*.avi)")); }

bool MainDialogRules::IsListed(const std::string& path) const
{
    const int count = ui_.ListCount();
    for (int i = 0; i < count; ++i) {
        if (EqualIgnoringCase(ui_.ListText(i), path))
            return true;
    }
    return false;
}

bool MainDialogRules::ClashesWithListed(const std::string& path)
{
    // Destinations are the output directory and the file's name: two files
    // of one name clash in any directory, so a batch running or not.
    const std::string outputDir = ui_.ControlText(IDC_OUTPUT_DIR).empty() ? "." : ui_.ControlText(IDC_OUTPUT_DIR);
    std::vector<std::string> sources;
    for (int i = 0; i < ui_.ListCount(); ++i)
        sources.push_back(ui_.ListText(i));
    sources.push_back(path);
    const auto clash = FindDestinationClash(sources, outputDir);
    if (!clash)
        return false;
    ui_.ShowErrorMessage(
        DestinationClashMessage(sources[clash->first], path, MakeDestinationPath(outputDir, sources[clash->first])) +
        "; it is not added");
    return true;
}

void MainDialogRules::AddFiles(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        if (!path.empty() && !IsListed(path) && !ClashesWithListed(path))
            ui_.ListAppend(path);
    }
}

void MainDialogRules::AddDroppedFiles(const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        if (HasAviExtension(name) && !IsListed(name) && !ClashesWithListed(name))
            ui_.ListAppend(name);
    }
}

void MainDialogRules::RemoveSelectedFile()
{
    const int selected = ui_.ListSelection();
    if (selected >= 0)
        ui_.ListDelete(selected);
}

void MainDialogRules::ChooseOutputDirectory()
{
    if (auto folder = ui_.ChooseFolder("Choose an Output Directory", ui_.ControlText(IDC_OUTPUT_DIR)))
        ui_.SetControlText(IDC_OUTPUT_DIR, *folder);
}

}  // namespace kestrel::ui
