#pragma once

#include "base/Transform.h"

#include <optional>
#include <string>
#include <vector>

namespace kestrel::ui {

// Where a listed file stands in the batch.
enum class RowState { Waiting, Converting, Done, Skipped, Failed };

// A row's state as the list shows it: the percentage of a converting file,
// and the reason of a skipped or failed one (its full message for the tooltip).
struct RowStatus {
    RowState state = RowState::Waiting;
    int percent = 0;
    std::string message;
};

// Whether a row has an outcome of a batch.
constexpr bool IsFinished(RowState state)
{
    return state == RowState::Done || state == RowState::Skipped || state == RowState::Failed;
}

// The answers to "the destination exists: replace it?".
enum class OverwriteAnswer { Replace, Skip, ReplaceAll, SkipAll };

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
    // The selected entry (the first of several), or -1 when none is.
    virtual int ListSelection() const = 0;
    // Every selected entry, in list order.
    virtual std::vector<int> ListSelectedRows() const = 0;
    // Deleting an index out of range (-1 included) changes nothing.
    virtual void ListDelete(int index) = 0;
    // A row's state (a new row is waiting); an index out of range changes
    // nothing, and reads as waiting.
    virtual void ListSetStatus(int index, const RowStatus& status) = 0;
    virtual RowStatus ListStatus(int index) const = 0;
    // A row's own transform; nothing for a row that has none yet.
    virtual void ListSetTransform(int index, RotationMode mode) = 0;
    virtual std::optional<RotationMode> ListTransform(int index) const = 0;

    // Text of a button, a label or the edit box.
    virtual std::string ControlText(int id) const = 0;
    virtual void SetControlText(int id, const std::string& text) = 0;
    virtual void EnableControl(int id, bool enable) = 0;
    virtual bool IsControlEnabled(int id) const = 0;
    // Choice boxes: the index of the chosen entry.
    virtual int ComboIndex(int id) const = 0;
    virtual void SetComboIndex(int id, int index) = 0;
    // Radio buttons: checking one unchecks the others of its group. Check
    // boxes: IsChecked, and SetCheckBox to check or clear one.
    virtual bool IsChecked(int id) const = 0;
    virtual void SetChecked(int id) = 0;
    virtual void SetCheckBox(int id, bool checked) = 0;

    virtual std::string WindowTitle() const = 0;
    virtual void SetWindowTitle(const std::string& title) = 0;

    // Progress bar (IDC_PROGRESS), 0..100: the whole batch's.
    virtual void SetProgress(int percent) = 0;
    virtual int Progress() const = 0;

    // A modal error message with one OK button and the application's name as
    // caption; returns when the user has closed it.
    virtual void ShowErrorMessage(const std::string& text) = 0;
    // A modal question with Yes and No, the application's name as caption;
    // true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // `destination` exists: replace it or skip its file, this once or for
    // the rest of the batch. Modal.
    virtual OverwriteAnswer AskOverwrite(const std::string& destination) = 0;
    // The status line under the progress bar; with a non-empty `folder`, the
    // button beside it opens that folder in the file manager. An empty text
    // clears the line and hides the button.
    virtual void ShowBatchOutcome(const std::string& text, const std::string& folder) = 0;
    // A batch has ended: when the window is not the active one, the desktop
    // is asked to draw the user's attention to it, and to show `text` as a
    // notification where it can.
    virtual void AnnounceBatchEnd(const std::string& text) = 0;
    // Opens a folder in the desktop's file manager; false when no file
    // manager could be started.
    virtual bool OpenFolder(const std::string& folder) = 0;

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
