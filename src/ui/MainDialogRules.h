#pragma once

#include "base/Transform.h"

#include <QCoreApplication>

#include <string>
#include <vector>

namespace kestrel::ui {

class UiServices;

// How files enter and leave the input list, how transforms are given to
// rows and how the destination is set, written against the window services
// so that it runs without a display.
class MainDialogRules {
    Q_DECLARE_TR_FUNCTIONS(MainDialogRules)
public:
    explicit MainDialogRules(UiServices& ui) : ui_(ui) { }

    // The dialog's state when it opens: the transform, output directory,
    // destination choice, suffix and overwrite policy remembered from the
    // last run; without them "90° Anticlockwise", the user's documents
    // folder (or nothing), into that folder, asking. Title "Kestrel".
    void SetStartState();
    // Remembers them for the next run.
    void SaveSettings();
    // "Add...": the files chosen in the AVI file chooser.
    void AddChosenFiles();
    // Appends each path that is not listed yet, letter case ignored, in the
    // order given, with the checked transform; a path given twice is added
    // once. Rows left with an outcome by the last batch go first, unless a
    // batch is running.
    void AddFiles(const std::vector<std::string>& paths);
    // Paths dropped on the window or named on its command line: regular
    // ".avi" files, and those of folders, are added by the rule of
    // AddFiles; the rest are refused in one message that says why.
    void AddDroppedFiles(const std::vector<std::string>& names);
    // "Remove": deletes the selected entries; without a selection nothing happens.
    void RemoveSelectedFile();
    // "Clear Finished": deletes the rows that have an outcome.
    void ClearFinished();
    // A transform chosen: it applies to the selected rows, or to all rows
    // when none is selected.
    void ApplyTransform(RotationMode mode);
    // "...": the folder chooser, opened at the output directory; its answer
    // replaces the output directory, cancelling keeps it.
    void ChooseOutputDirectory();

private:
    bool IsListed(const std::string& path) const;
    // Whether `path` would be written where a listed file is; says so.
    bool ClashesWithListed(const std::string& path);

    UiServices& ui_;
};

// Keys of the remembered settings.
inline constexpr const char* kOutputDirectoryKey = "outputDirectory";
inline constexpr const char* kTransformKey = "transform";
inline constexpr const char* kDestinationKindKey = "destination";
inline constexpr const char* kSuffixKey = "suffix";
inline constexpr const char* kExistingPolicyKey = "whenExists";
inline constexpr const char* kSalvageKey = "salvage";

// The transform's radio button by the short name under which it is
// remembered ("cw", "acw", "180", "mirror-x", "mirror-y"); 0 for an unknown one.
int TransformButtonByName(const std::string& name);

// The transform the radio buttons select: the last checked, else the first.
RotationMode CheckedMode(const UiServices& ui);

// Whether a name ends in ".avi", letter case ignored.
bool HasAviExtension(const std::string& name);

}  // namespace kestrel::ui
