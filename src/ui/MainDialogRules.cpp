#include "ui/MainDialogRules.h"

#include "job/JobPaths.h"
#include "ui/InputPaths.h"
#include "ui/Resources.h"
#include "ui/UiServices.h"

#include <string_view>

namespace kestrel::ui {
namespace {

constexpr std::string_view kAviExtension = ".avi";

// A remembered choice box index, when it is one of `count`.
int StoredIndex(const std::optional<std::string>& value, int count)
{
    if (!value || value->size() != 1 || (*value)[0] < '0' || (*value)[0] >= '0' + count)
        return 0;
    return (*value)[0] - '0';
}

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

RotationMode CheckedMode(const UiServices& ui)
{
    RotationMode mode = kTransforms.front().mode;
    for (const TransformInfo& transform : kTransforms)
        if (ui.IsChecked(RadioButtonId(transform.mode)))
            mode = transform.mode;
    return mode;
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
    ui_.SetComboIndex(IDC_DEST_KIND, StoredIndex(ui_.ReadSetting(kDestinationKindKey), 3));
    ui_.SetControlText(IDC_SUFFIX, ui_.ReadSetting(kSuffixKey).value_or(std::string()));
    ui_.SetComboIndex(IDC_EXISTING, StoredIndex(ui_.ReadSetting(kExistingPolicyKey), 3));
    ui_.SetCheckBox(IDC_SALVAGE, ui_.ReadSetting(kSalvageKey) == std::string("1"));
    ui_.SetWindowTitle(kAppTitle);
}

void MainDialogRules::SaveSettings()
{
    ui_.WriteSetting(kTransformKey, std::string(Describe(CheckedMode(ui_)).name));
    ui_.WriteSetting(kOutputDirectoryKey, ui_.ControlText(IDC_OUTPUT_DIR));
    ui_.WriteSetting(kDestinationKindKey, std::to_string(ui_.ComboIndex(IDC_DEST_KIND)));
    ui_.WriteSetting(kSuffixKey, ui_.ControlText(IDC_SUFFIX));
    ui_.WriteSetting(kExistingPolicyKey, std::to_string(ui_.ComboIndex(IDC_EXISTING)));
    ui_.WriteSetting(kSalvageKey, ui_.IsChecked(IDC_SALVAGE) ? "1" : "0");
}

void MainDialogRules::AddChosenFiles()
{
    AddDroppedFiles(ui_.ChooseFiles(tr("Choose an AVI File").toStdString(), tr("AVI Files (*.avi)").toStdString()));
}

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
    // Into one folder, two files of one name clash in any folder, so a
    // batch running or not.
    if (ui_.ComboIndex(IDC_DEST_KIND) != 0)
        return false;
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
        tr("; it is not added").toStdString());
    return true;
}

void MainDialogRules::AddFiles(const std::vector<std::string>& paths)
{
    bool converting = false;
    for (int i = 0; i < ui_.ListCount(); ++i)
        converting = converting || ui_.ListStatus(i).state == RowState::Converting;
    bool cleared = converting;
    const RotationMode mode = CheckedMode(ui_);
    for (const std::string& path : paths) {
        if (path.empty() || IsListed(path))
            continue;
        // A new batch starts from a list of files still to convert.
        if (!cleared) {
            ClearFinished();
            cleared = true;
        }
        if (ClashesWithListed(path))
            continue;
        ui_.ListAppend(path);
        ui_.ListSetTransform(ui_.ListCount() - 1, mode);
    }
}

void MainDialogRules::AddDroppedFiles(const std::vector<std::string>& names)
{
    const InputPaths sorted = SortInputPaths(names);
    AddFiles(sorted.files);
    if (!sorted.refused.empty())
        ui_.ShowErrorMessage(RefusedPathsMessage(sorted.refused));
}

void MainDialogRules::RemoveSelectedFile()
{
    const std::vector<int> selected = ui_.ListSelectedRows();
    for (auto row = selected.rbegin(); row != selected.rend(); ++row)
        ui_.ListDelete(*row);
}

void MainDialogRules::ClearFinished()
{
    for (int row = ui_.ListCount() - 1; row >= 0; --row) {
        if (IsFinished(ui_.ListStatus(row).state))
            ui_.ListDelete(row);
    }
}

void MainDialogRules::ApplyTransform(RotationMode mode)
{
    std::vector<int> rows = ui_.ListSelectedRows();
    if (rows.empty()) {
        for (int row = 0; row < ui_.ListCount(); ++row)
            rows.push_back(row);
    }
    for (int row : rows)
        ui_.ListSetTransform(row, mode);
}

void MainDialogRules::ChooseOutputDirectory()
{
    if (auto folder = ui_.ChooseFolder(tr("Choose an Output Directory").toStdString(), ui_.ControlText(IDC_OUTPUT_DIR)))
        ui_.SetControlText(IDC_OUTPUT_DIR, *folder);
}

}  // namespace kestrel::ui
