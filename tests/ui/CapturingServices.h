#pragma once

#include "ui/MainDialog.h"
#include "ui/QtUiServices.h"

#include <optional>
#include <string>
#include <vector>

namespace kestrel::ui::test {

// The real widget services with the modal parts replaced: error messages are
// recorded instead of shown, the choosers answer from the test's script, and
// with manualTicks the poll timer is only recorded so that the test runs the
// ticks itself.
class CapturingServices : public QtUiServices {
public:
    using QtUiServices::QtUiServices;

    void ShowErrorMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> ChooseFiles(const std::string&, const std::string&) override { return chosenFiles; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return chosenFolder; }
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
    bool manualTimerActive = false;
    std::vector<std::string> messages;
    std::vector<std::string> titles;
    std::vector<std::string> chosenFiles;
    std::optional<std::string> chosenFolder;
    int aboutShown = 0;
};

// A MainDialog whose services are CapturingServices.
inline std::unique_ptr<MainDialog> MakeDialog(CapturingServices*& services, bool manualTicks)
{
    return std::make_unique<MainDialog>([&services, manualTicks](MainDialog& dialog) {
        auto made = std::make_unique<CapturingServices>(dialog);
        made->manualTicks = manualTicks;
        services = made.get();
        return made;
    });
}

}  // namespace kestrel::ui::test
