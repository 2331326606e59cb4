#pragma once

#include "ui/Resources.h"
#include "ui/UiServices.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace kestrel::ui::test {

// The window services kept in memory: the list, texts, enabled flags and the
// one radio group, with the messages and titles recorded for the tests to
// read. The timer never ticks by itself; tests call OnTimer.
class FakeUiServices : public UiServices {
public:
    FakeUiServices() { texts[IDC_GO] = "&Go"; }

    int ListCount() const override { return static_cast<int>(list.size()); }
    std::string ListText(int index) const override
    {
        return index >= 0 && index < ListCount() ? list[static_cast<size_t>(index)] : std::string();
    }
    void ListAppend(const std::string& text) override { list.push_back(text); }
    int ListSelection() const override { return selection < ListCount() ? selection : -1; }
    std::vector<int> ListSelectedRows() const override
    {
        std::vector<int> rows;
        for (int row : selectedRows)
            if (row < ListCount())
                rows.push_back(row);
        if (rows.empty() && ListSelection() >= 0)
            rows.push_back(selection);
        return rows;
    }
    void ListDelete(int index) override
    {
        if (index < 0 || index >= ListCount())
            return;
        list.erase(list.begin() + index);
        if (selection == index)
            selection = -1;
        else if (selection > index)
            --selection;
        if (size_t(index) < rows.size())
            rows.erase(rows.begin() + index);
        if (size_t(index) < transforms.size())
            transforms.erase(transforms.begin() + index);
    }
    void ListSetStatus(int index, const RowStatus& status) override
    {
        if (index < 0 || index >= ListCount())
            return;
        if (rows.size() <= size_t(index))
            rows.resize(size_t(index) + 1);
        rows[size_t(index)] = status;
        statusLog.push_back({index, status.state});
    }
    RowStatus ListStatus(int index) const override
    {
        return index >= 0 && size_t(index) < rows.size() && index < ListCount() ? rows[size_t(index)] : RowStatus();
    }
    void ListSetTransform(int index, RotationMode mode) override
    {
        if (index < 0 || index >= ListCount())
            return;
        if (transforms.size() <= size_t(index))
            transforms.resize(size_t(index) + 1);
        transforms[size_t(index)] = mode;
    }
    std::optional<RotationMode> ListTransform(int index) const override
    {
        return index >= 0 && size_t(index) < transforms.size() ? transforms[size_t(index)] : std::nullopt;
    }
    // The rows in a state, by index.
    std::vector<int> RowsIn(RowState state) const
    {
        std::vector<int> found;
        for (int i = 0; i < ListCount(); ++i)
            if (ListStatus(i).state == state)
                found.push_back(i);
        return found;
    }

    std::string ControlText(int id) const override
    {
        const auto found = texts.find(id);
        return found == texts.end() ? std::string() : found->second;
    }
    void SetControlText(int id, const std::string& text) override { texts[id] = text; }
    void EnableControl(int id, bool enable) override
    {
        if (enable)
            disabled.erase(id);
        else
            disabled.insert(id);
    }
    bool IsControlEnabled(int id) const override { return !disabled.contains(id); }
    int ComboIndex(int id) const override
    {
        const auto found = combos.find(id);
        return found == combos.end() ? 0 : found->second;
    }
    void SetComboIndex(int id, int index) override { combos[id] = index; }
    bool IsChecked(int id) const override { return checked.contains(id) || checkBoxes.contains(id); }
    void SetChecked(int id) override { checked = {id}; }
    void SetCheckBox(int id, bool on) override
    {
        if (on)
            checkBoxes.insert(id);
        else
            checkBoxes.erase(id);
    }

    std::string WindowTitle() const override { return titles.empty() ? std::string() : titles.back(); }
    void SetWindowTitle(const std::string& title) override { titles.push_back(title); }

    void SetProgress(int percent) override
    {
        progress = percent;
        progressLog.push_back(percent);
    }
    int Progress() const override { return progress; }

    void ShowErrorMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override
    {
        questions.push_back(text);
        return answerYes;
    }
    OverwriteAnswer AskOverwrite(const std::string& destination) override
    {
        overwriteQuestions.push_back(destination);
        if (overwriteAnswers.empty())
            return OverwriteAnswer::Skip;
        const OverwriteAnswer answer = overwriteAnswers.front();
        overwriteAnswers.erase(overwriteAnswers.begin());
        return answer;
    }
    void ShowBatchOutcome(const std::string& text, const std::string& folder) override
    {
        outcome = text;
        outcomeFolder = folder;
    }
    void AnnounceBatchEnd(const std::string& text) override { announced.push_back(text); }
    bool OpenFolder(const std::string& folder) override
    {
        openedFolders.push_back(folder);
        return fileManagerStarts;
    }

    bool StartTimer(int id, int) override
    {
        timerActive = timerStarts && id == kProgressTimerId;
        return timerActive;
    }
    void KillTimer(int) override { timerActive = false; }
    bool IsTimerActive(int) const override { return timerActive; }

    std::vector<std::string> ChooseFiles(const std::string& title, const std::string& filter) override
    {
        chooserTitle = title;
        chooserFilter = filter;
        return chosenFiles;
    }
    std::optional<std::string> ChooseFolder(const std::string& title, const std::string& start) override
    {
        chooserTitle = title;
        chooserStart = start;
        return chosenFolder;
    }
    std::optional<std::string> DocumentsFolder() const override { return documents; }
    std::optional<std::string> ReadSetting(const std::string& key) const override
    {
        const auto found = settings.find(key);
        return found == settings.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    void WriteSetting(const std::string& key, const std::string& value) override { settings[key] = value; }
    void ShowAbout() override { ++aboutShown; }

    std::vector<std::string> list;
    int selection = -1;
    std::vector<int> selectedRows;  // several selected rows; else `selection`
    std::vector<RowStatus> rows;    // parallel to `list` as far as set
    std::vector<std::optional<RotationMode>> transforms;
    std::vector<std::pair<int, RowState>> statusLog;
    std::map<int, int> combos;
    std::vector<int> progressLog;
    std::vector<std::string> overwriteQuestions;
    std::vector<OverwriteAnswer> overwriteAnswers;  // in order; Skip when none is left
    std::vector<std::string> announced;
    bool fileManagerStarts = true;
    std::map<int, std::string> texts;
    std::set<int> disabled;
    std::set<int> checked;
    std::set<int> checkBoxes;
    std::vector<std::string> titles;
    int progress = 0;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    bool answerYes = true;
    std::string outcome;
    std::string outcomeFolder;
    std::vector<std::string> openedFolders;
    std::map<std::string, std::string> settings;
    bool timerStarts = true;
    bool timerActive = false;
    std::string chooserTitle;
    std::string chooserFilter;
    std::string chooserStart;
    std::vector<std::string> chosenFiles;
    std::optional<std::string> chosenFolder;
    std::optional<std::string> documents;
    int aboutShown = 0;
};

}  // namespace kestrel::ui::test
