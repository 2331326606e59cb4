#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrel::ui {

// What the main dialog's rules and the batch controller need from the window
// system, addressed by control id (Resources.h). Texts are paths and captions
// in the file system's 8-bit encoding. One implementation drives real Qt
// widgets; tests put in-memory ones behind the same calls.
class UiServices {
public:
    virtual ~UiServices() = default;

    // Input list (IDC_INPUT_LIST): entries kept in insertion order.
    virtual int ListCount() const = 0;
    virtual std::string ListText(int index) const = 0;
    virtual void ListAppend(const std::string& text) = 0;
    // The selected entry, or -1 when none is.
    virtual int ListSelection() const = 0;
    // Deleting an index out of range (-1 included) changes nothing.
    virtual void ListDelete(int index) = 0;
    // Marks an entry as failed, with `message` as its tooltip; an index out
    // of range changes nothing.
    virtual void ListMarkFailed(int index, const std::string& message) = 0;
    // Takes the failure marks off all entries.
    virtual void ListClearMarks() = 0;

    // Text of a button, a label or the edit box.
    virtual std::string ControlText(int id) const = 0;
    virtual void SetControlText(int id, const std::string& text) = 0;
    virtual void EnableControl(int id, bool enable) = 0;
    virtual bool IsControlEnabled(int id) const = 0;
    // Radio buttons: checking one unchecks the others of its group.
    virtual bool IsChecked(int id) const = 0;
    virtual void SetChecked(int id) = 0;

    virtual std::string WindowTitle() const = 0;
    virtual void SetWindowTitle(const std::string& title) = 0;

    // Progress bar (IDC_PROGRESS), 0..100.
    virtual void SetProgress(int percent) = 0;
    virtual int Progress() const = 0;

    // A modal error message with one OK button and the application's name as
    // caption; returns when the user has closed it.
    virtual void ShowErrorMessage(const std::string& text) = 0;
    // A modal question with Yes and No, the application's name as caption;
    // true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // The status line under the progress bar; with a non-empty `folder`, the
    // button beside it opens that folder in the file manager. An empty text
    // clears the line and hides the button.
    virtual void ShowBatchOutcome(const std::string& text, const std::string& folder) = 0;
    // Opens a folder in the desktop's file manager.
    virtual void OpenFolder(const std::string& folder) = 0;

    // The poll timer: ticks reach MainDialog::OnTimer until it is killed.
    // StartTimer reports whether the timer runs.
    virtual bool StartTimer(int id, int periodMs) = 0;
    virtual void KillTimer(int id) = 0;
    virtual bool IsTimerActive(int id) const = 0;

    // The multi-selection file chooser: full paths in the chooser's order,
    // nothing when cancelled.
    virtual std::vector<std::string> ChooseFiles(const std::string& title, const std::string& filter) = 0;
    // The folder chooser, opened at `start` (or, when that is no folder, at
    // its nearest existing parent): the chosen folder's path, nothing when
    // cancelled.
    virtual std::optional<std::string> ChooseFolder(const std::string& title, const std::string& start) = 0;
    // The user's documents folder, or nothing when there is none.
    virtual std::optional<std::string> DocumentsFolder() const = 0;

    // The user's settings, kept between runs: the value stored under `key`,
    // or nothing when there is none.
    virtual std::optional<std::string> ReadSetting(const std::string& key) const = 0;
    virtual void WriteSetting(const std::string& key, const std::string& value) = 0;

    // The About box, modal.
    virtual void ShowAbout() = 0;
};

}  // namespace kestrel::ui
