#include "ui/InputPaths.h"

#include "ui/MainDialogRules.h"
#include "ui/PathKind.h"

#include <QCoreApplication>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace kestrel::ui {
namespace {

namespace fs = std::filesystem;

// A reason marked with QT_TRANSLATE_NOOP, translated.
QString Tr(const char* reason) { return QCoreApplication::translate("InputPaths", reason); }

std::string Refusal(const std::string& path, const char* reason)
{
    return QStringLiteral("%1: %2").arg(QString::fromStdString(path), Tr(reason)).toStdString();
}

}  // namespace

InputPaths SortInputPaths(const std::vector<std::string>& paths)
{
    InputPaths sorted;
    for (const std::string& path : paths) {
        const PathKind kind = KindOfPath(path);
        if (kind == PathKind::Missing) {
            sorted.refused.push_back(Refusal(path, QT_TRANSLATE_NOOP("InputPaths", "no such file")));
        } else if (kind == PathKind::Folder) {
            std::error_code error;
            std::vector<std::string> found;
            for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
                const std::string name = entry.path().string();
                if (KindOfPath(name) == PathKind::RegularFile && HasAviExtension(entry.path().filename().string()))
                    found.push_back(name);
            }
            std::sort(found.begin(), found.end());
            if (error)
                sorted.refused.push_back(Refusal(path, QT_TRANSLATE_NOOP("InputPaths", "the folder cannot be read")));
            else if (found.empty())
                sorted.refused.push_back(
                    Refusal(path, QT_TRANSLATE_NOOP("InputPaths", "the folder holds no .avi file")));
            sorted.files.insert(sorted.files.end(), found.begin(), found.end());
        } else if (kind != PathKind::RegularFile) {
            sorted.refused.push_back(
                Refusal(path, QT_TRANSLATE_NOOP("InputPaths", "not a regular file (a FIFO, a device or a socket)")));
        } else if (!HasAviExtension(path)) {
            sorted.refused.push_back(Refusal(path, QT_TRANSLATE_NOOP("InputPaths", "not an .avi file")));
        } else {
            sorted.files.push_back(path);
        }
    }
    return sorted;
}

std::string RefusedPathsMessage(const std::vector<std::string>& refused)
{
    QString text = QCoreApplication::translate("InputPaths", "%n file(s) not added:", nullptr, int(refused.size()));
    for (const std::string& line : refused)
        text += QLatin1Char('\n') + QString::fromStdString(line);
    return text.toStdString();
}

}  // namespace kestrel::ui
