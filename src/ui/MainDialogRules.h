#pragma once

#include <string>
#include <vector>

namespace kestrel::ui {

class UiServices;

// How files enter and leave the input list and how the output directory is
// set, written against the window services so that it runs without a display.
class MainDialogRules {
public:
    explicit MainDialogRules(UiServices& ui) : ui_(ui) {}

    // The dialog's state when it opens: "90° Anticlockwise" checked, the
    // user's documents folder (or nothing) as output directory, title "Kestrel".
    void SetStartState();
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
    // "...": the folder chooser's answer replaces the output directory;
    // cancelling keeps it.
    void ChooseOutputDirectory();

private:
    bool IsListed(const std::string& path) const;

    UiServices& ui_;
};

// Whether a name ends in ".avi", letter case ignored.
bool HasAviExtension(const std::string& name);

}  // namespace kestrel::ui
