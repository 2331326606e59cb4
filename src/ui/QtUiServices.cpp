#include "ui/QtUiServices.h"

#include "ui/AboutDialog.h"
#include "ui/InputListDelegate.h"
#include "ui/MainDialog.h"
#include "ui/Resources.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QUrl>

namespace kestrel::ui {
namespace {

// Paths travel as the file system's 8-bit names, with native separators.
std::string ToPath(const QString& text) { return QFile::encodeName(QDir::toNativeSeparators(text)).toStdString(); }

QString FromPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

QSettings UserSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(kAppTitle),
                     QString::fromUtf8(kAppTitle));
}

}  // namespace

int QtUiServices::ListCount() const { return dialog_.InputList()->count(); }

std::string QtUiServices::ListText(int index) const
{
    const QListWidgetItem* item = dialog_.InputList()->item(index);
    return item ? ToPath(item->text()) : std::string();
}

void QtUiServices::ListAppend(const std::string& text)
{
    auto* item = new QListWidgetItem(FromPath(text));
    // The list may show the path shortened; its tooltip is the whole path.
    item->setToolTip(item->text());
    dialog_.InputList()->addItem(item);
}

int QtUiServices::ListSelection() const
{
    const QList<QListWidgetItem*> selected = dialog_.InputList()->selectedItems();
    return selected.isEmpty() ? -1 : dialog_.InputList()->row(selected.front());
}

void QtUiServices::ListDelete(int index)
{
    if (index >= 0 && index < ListCount())
        delete dialog_.InputList()->takeItem(index);
}

void QtUiServices::ListMarkFailed(int index, const std::string& message)
{
    QListWidgetItem* item = dialog_.InputList()->item(index);
    if (!item)
        return;
    item->setData(kFailedRole, true);
    item->setIcon(dialog_.style()->standardIcon(QStyle::SP_MessageBoxCritical));
    item->setToolTip(QString::fromStdString(message));
}

void QtUiServices::ListClearMarks()
{
    QListWidget* list = dialog_.InputList();
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        item->setData(kFailedRole, QVariant());
        item->setIcon(QIcon());
        item->setToolTip(item->text());
    }
}

std::string QtUiServices::ControlText(int id) const
{
    const QWidget* control = dialog_.Control(id);
    if (const auto* edit = qobject_cast<const QLineEdit*>(control))
        return ToPath(edit->text());
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text().toStdString();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text().toStdString();
    return {};
}

void QtUiServices::SetControlText(int id, const std::string& text)
{
    QWidget* control = dialog_.Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(FromPath(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(QString::fromStdString(text));
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(QString::fromStdString(text));
}

void QtUiServices::EnableControl(int id, bool enable)
{
    if (QWidget* control = dialog_.Control(id))
        control->setEnabled(enable);
}

bool QtUiServices::IsControlEnabled(int id) const
{
    const QWidget* control = dialog_.Control(id);
    return control && control->isEnabled();
}

bool QtUiServices::IsChecked(int id) const
{
    const auto* button = qobject_cast<const QAbstractButton*>(dialog_.Control(id));
    return button && button->isChecked();
}

void QtUiServices::SetChecked(int id)
{
    if (auto* button = qobject_cast<QAbstractButton*>(dialog_.Control(id)))
        button->setChecked(true);
}

std::string QtUiServices::WindowTitle() const { return dialog_.windowTitle().toStdString(); }

void QtUiServices::SetWindowTitle(const std::string& title) { dialog_.setWindowTitle(QString::fromStdString(title)); }

void QtUiServices::SetProgress(int percent) { dialog_.Progress()->setValue(percent); }

int QtUiServices::Progress() const { return dialog_.Progress()->value(); }

void QtUiServices::ShowErrorMessage(const std::string& text)
{
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kAppTitle), QString::fromStdString(text), QMessageBox::Ok,
                    &dialog_);
    box.exec();
}

bool QtUiServices::AskYesNo(const std::string& text)
{
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kAppTitle), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, &dialog_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtUiServices::ShowBatchOutcome(const std::string& text, const std::string& folder)
{
    dialog_.ShowOutcome(QString::fromStdString(text), folder);
}

void QtUiServices::OpenFolder(const std::string& folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(FromPath(folder)));
}

bool QtUiServices::StartTimer(int id, int periodMs)
{
    if (id != kProgressTimerId)
        return false;
    dialog_.ProgressTimer().start(periodMs);
    return dialog_.ProgressTimer().isActive();
}

void QtUiServices::KillTimer(int id)
{
    if (id == kProgressTimerId)
        dialog_.ProgressTimer().stop();
}

bool QtUiServices::IsTimerActive(int id) const { return id == kProgressTimerId && dialog_.ProgressTimer().isActive(); }

std::vector<std::string> QtUiServices::ChooseFiles(const std::string& title, const std::string& filter)
{
    const QStringList chosen = QFileDialog::getOpenFileNames(&dialog_, QString::fromStdString(title), QString(),
                                                             QString::fromStdString(filter));
    std::vector<std::string> paths;
    for (const QString& file : chosen)
        paths.push_back(ToPath(QFileInfo(file).absoluteFilePath()));
    return paths;
}

std::optional<std::string> QtUiServices::ChooseFolder(const std::string& title, const std::string& start)
{
    // The folder typed in may not exist (yet): its nearest existing parent.
    QString opensAt = start.empty() ? QString() : QDir::cleanPath(FromPath(start));
    while (!opensAt.isEmpty() && !QFileInfo(opensAt).isDir()) {
        const QString parent = QFileInfo(opensAt).path();
        opensAt = parent == opensAt ? QString() : parent;
    }
    if (opensAt.isEmpty())
        opensAt = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString folder = QFileDialog::getExistingDirectory(&dialog_, QString::fromStdString(title), opensAt);
    if (folder.isEmpty())
        return std::nullopt;
    return ToPath(folder);
}

std::optional<std::string> QtUiServices::DocumentsFolder() const
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty() || !QFileInfo(documents).isDir())
        return std::nullopt;
    return ToPath(documents);
}

std::optional<std::string> QtUiServices::ReadSetting(const std::string& key) const
{
    const QVariant value = UserSettings().value(QString::fromStdString(key));
    if (!value.isValid())
        return std::nullopt;
    return value.toString().toStdString();
}

void QtUiServices::WriteSetting(const std::string& key, const std::string& value)
{
    UserSettings().setValue(QString::fromStdString(key), QString::fromStdString(value));
}

void QtUiServices::ShowAbout()
{
    AboutDialog about(&dialog_);
    about.exec();
}

}  // namespace kestrel::ui
