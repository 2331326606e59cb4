#pragma once

#include "ui/UiServices.h"

namespace kestrel::ui {

class MainDialog;

// The window services over the Qt widgets of a MainDialog. Every call is one
// widget operation; the rules live in MainDialogRules and BatchController.
class QtUiServices : public UiServices {
public:
    explicit QtUiServices(MainDialog& dialog) : dialog_(dialog) { }

    int ListCount() const override;
    std::string ListText(int index) const override;
    void ListAppend(const std::string& text) override;
    int ListSelection() const override;
    std::vector<int> ListSelectedRows() const override;
    void ListDelete(int index) override;
    void ListSetStatus(int index, const RowStatus& status) override;
    RowStatus ListStatus(int index) const override;
    void ListSetTransform(int index, RotationMode mode) override;
    std::optional<RotationMode> ListTransform(int index) const override;

    std::string ControlText(int id) const override;
    void SetControlText(int id, const std::string& text) override;
    void EnableControl(int id, bool enable) override;
    bool IsControlEnabled(int id) const override;
    int ComboIndex(int id) const override;
    void SetComboIndex(int id, int index) override;
    bool IsChecked(int id) const override;
    void SetChecked(int id) override;
    void SetCheckBox(int id, bool checked) override;

    std::string WindowTitle() const override;
    void SetWindowTitle(const std::string& title) override;

    void SetProgress(int percent) override;
    int Progress() const override;

    void ShowErrorMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    OverwriteAnswer AskOverwrite(const std::string& destination) override;
    void ShowBatchOutcome(const std::string& text, const std::string& folder) override;
    // QApplication::alert, and the freedesktop notification service over
    // D-Bus where the build has Qt D-Bus and the session offers it.
    void AnnounceBatchEnd(const std::string& text) override;
    bool OpenFolder(const std::string& folder) override;

    bool StartTimer(int id, int periodMs) override;
    void KillTimer(int id) override;
    bool IsTimerActive(int id) const override;

    std::vector<std::string> ChooseFiles(const std::string& title, const std::string& filter) override;
    std::optional<std::string> ChooseFolder(const std::string& title, const std::string& start) override;
    std::optional<std::string> DocumentsFolder() const override;

    // Kept by QSettings under the organisation and application "Kestrel".
    std::optional<std::string> ReadSetting(const std::string& key) const override;
    void WriteSetting(const std::string& key, const std::string& value) override;

    void ShowAbout() override;

protected:
    MainDialog& Dialog() const { return dialog_; }

private:
    MainDialog& dialog_;
};

}  // namespace kestrel::ui
