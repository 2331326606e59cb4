#pragma once

#include "ui/MainDialog.h"
#include "ui/QtUiServices.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::ui::test {

// The real widget services with the modal parts replaced: error messages and
// questions are recorded instead of shown (questions get `answerYes`), the
// choosers answer from the test's script, folders are recorded instead of
// opened, settings stay in memory unless `realSettings`, and with
// manualTicks the poll timer is only recorded so that the test runs the
// ticks itself.
class CapturingServices : public QtUiServices {
public:
    using QtUiServices::QtUiServices;

    void ShowErrorMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override
    {
        questions.push_back(text);
        return answerYes;
    }
    bool OpenFolder(const std::string& folder) override
    {
        openedFolders.push_back(folder);
        return fileManagerStarts;
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
    void SetProgress(int percent) override
    {
        progressLog.push_back(percent);
        QtUiServices::SetProgress(percent);
    }
    std::vector<std::string> ChooseFiles(const std::string&, const std::string&) override { return chosenFiles; }
    std::optional<std::string> ChooseFolder(const std::string&, const std::string& start) override
    {
        chooserStart = start;
        return chosenFolder;
    }
    std::optional<std::string> ReadSetting(const std::string& key) const override
    {
        if (realSettings)
            return QtUiServices::ReadSetting(key);
        const auto found = settings.find(key);
        return found == settings.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    void WriteSetting(const std::string& key, const std::string& value) override
    {
        if (realSettings)
            QtUiServices::WriteSetting(key, value);
        else
            settings[key] = value;
    }
    void ShowAbout() override { ++aboutShown; }
    void SetWindowTitle(const std::string& title) override
    {
        titles.push_back(title);
        QtUiServices::SetWindowTitle(title);
    }
    bool StartTimer(int id, int periodMs) override
    {
        if (!manualTicks)
            return QtUiServices::StartTimer(id, periodMs);
        manualTimerActive = true;
        return true;
    }
    void KillTimer(int id) override
    {
        manualTimerActive = false;
        QtUiServices::KillTimer(id);
    }

    bool manualTicks = false;
    bool fileManagerStarts = true;
    std::vector<std::string> overwriteQuestions;
    std::vector<OverwriteAnswer> overwriteAnswers;  // in order; Skip when none is left
    std::vector<int> progressLog;
    bool realSettings = false;
    bool answerYes = true;
    std::vector<std::string> questions;
    std::vector<std::string> openedFolders;
    std::string chooserStart;
    std::map<std::string, std::string> settings;
    bool manualTimerActive = false;
    std::vector<std::string> messages;
    std::vector<std::string> titles;
    std::vector<std::string> chosenFiles;
    std::optional<std::string> chosenFolder;
    int aboutShown = 0;
};

// A MainDialog whose services are CapturingServices, converting with `convert`
// (RunConversion when empty).
inline std::unique_ptr<MainDialog> MakeDialog(CapturingServices*& services, bool manualTicks, bool realSettings = false,
                                              BatchController::Conversion convert = {})
{
    return std::make_unique<MainDialog>(
        [&services, manualTicks, realSettings](MainDialog& dialog) {
            auto made = std::make_unique<CapturingServices>(dialog);
            made->manualTicks = manualTicks;
            made->realSettings = realSettings;
            services = made.get();
            return made;
        },
        std::move(convert));
}

}  // namespace kestrel::ui::test
