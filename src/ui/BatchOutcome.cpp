#include "ui/BatchOutcome.h"

#include <QCoreApplication>

namespace kestrel::ui {
namespace {

}  // namespace

std::string FileNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string BatchOutcomeText(const BatchOutcome& outcome)
{
    QString text;
    if (outcome.stopped && outcome.current.empty())
        text = QCoreApplication::translate("BatchOutcome", "Stopped, %n file(s) left; ", nullptr, outcome.left);
    else if (outcome.stopped)
        text = QCoreApplication::translate("BatchOutcome", "Stopped: %1 not finished, %n file(s) left; ", nullptr,
                                           outcome.left)
                   .arg(QString::fromStdString(FileNameOf(outcome.current)));
    if (outcome.replacedSources)
        text +=
            QCoreApplication::translate("BatchOutcome", "%n file(s) converted in place", nullptr, outcome.converted);
    else if (outcome.folder.empty())
        text += QCoreApplication::translate("BatchOutcome", "%n file(s) converted beside their sources", nullptr,
                                            outcome.converted);
    else
        text += QCoreApplication::translate("BatchOutcome", "%n file(s) converted to %1", nullptr, outcome.converted)
                    .arg(QString::fromStdString(outcome.folder));
    if (outcome.skipped > 0)
        text += QCoreApplication::translate("BatchOutcome", ", %n skipped", nullptr, outcome.skipped);
    if (outcome.failed > 0)
        text += QCoreApplication::translate("BatchOutcome", ", %n failed", nullptr, outcome.failed);
    return text.toStdString();
}

}  // namespace kestrel::ui
