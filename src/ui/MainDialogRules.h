#pragma once

#include <string>
#include <vector>

namespace kestrel::ui {

class UiServices;

// How files enter and leave the input list and how the output directory is
// set, written against the window services so that it runs without a display.
class MainDialogRules {
public:
    explicit MainDialogRules(UiServices& ui) : ui_(ui) { }

    // The dialog's state when it opens: the transform and output directory
    // remembered from the last run; without them "90° Anticlockwise" and the
    // user's documents folder (or nothing). Title "Kestrel".
    void SetStartState();
    // Remembers the checked transform and the output directory for the next run.
    void SaveSettings();
    // "Add...": the files chosen in the AVI file chooser.
    void AddChosenFiles();
    // Appends each path that is not listed yet, letter case ignored, in the
    // order given; a path given twice is added once.
    void AddFiles(const std::vector<std::string>& paths);
    // Names dropped on the window: only those ending in ".avi" in any letter
    // case are added, by the rule of AddFiles.
    void AddDroppedFiles(const std::vector<std::string>& names);
    // "Remove": deletes the selected entry; without a selection nothing happens.
    void RemoveSelectedFile();
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

// The transform's radio button by the short name under which it is
// remembered ("cw", "acw", "180", "mirror-x", "mirror-y"); 0 for an unknown one.
int TransformButtonByName(const std::string& name);

// Whether a name ends in ".avi", letter case ignored.
bool HasAviExtension(const std::string& name);

}  // namespace kestrel::ui
