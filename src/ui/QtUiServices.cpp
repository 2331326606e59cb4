#include "ui/QtUiServices.h"

#include "ui/AboutDialog.h"
#include "ui/InputListDelegate.h"
#include "ui/MainDialog.h"
#include "ui/Resources.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
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

#include <algorithm>

#if KESTREL_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#endif

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
    item->setData(kStateRole, int(RowState::Waiting));
    dialog_.InputList()->addItem(item);
    ListSetStatus(dialog_.InputList()->count() - 1, {});
}

int QtUiServices::ListSelection() const
{
    const std::vector<int> rows = ListSelectedRows();
    return rows.empty() ? -1 : rows.front();
}

std::vector<int> QtUiServices::ListSelectedRows() const
{
    std::vector<int> rows;
    for (const QListWidgetItem* item : dialog_.InputList()->selectedItems())
        rows.push_back(dialog_.InputList()->row(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void QtUiServices::ListDelete(int index)
{
    if (index >= 0 && index < ListCount())
        delete dialog_.InputList()->takeItem(index);
}

void QtUiServices::ListSetStatus(int index, const RowStatus& status)
{
    QListWidgetItem* item = dialog_.InputList()->item(index);
    if (!item)
        return;
    item->setData(kStateRole, int(status.state));
    item->setData(kPercentRole, status.percent);
    item->setData(kMessageRole, QString::fromStdString(status.message));
    static constexpr QStyle::StandardPixmap kIcons[] = {
        QStyle::SP_CustomBase,             // Waiting: none
        QStyle::SP_MediaPlay,              // Converting
        QStyle::SP_DialogApplyButton,      // Done
        QStyle::SP_MessageBoxInformation,  // Skipped
        QStyle::SP_MessageBoxCritical,     // Failed
    };
    const QStyle::StandardPixmap icon = kIcons[int(status.state)];
    item->setIcon(icon == QStyle::SP_CustomBase ? QIcon() : dialog_.style()->standardIcon(icon));
    // The tooltip has the whole path and the whole message; screen readers
    // read the name and the state in words.
    QString tip = item->text();
    const QString message = QString::fromStdString(status.message);
    if (message.startsWith(tip))  // a failure's message names the file first
        tip = message;
    else if (!message.isEmpty())
        tip += QLatin1Char('\n') + message;
    item->setToolTip(tip);
    item->setData(Qt::AccessibleTextRole,
                  QFileInfo(item->text()).fileName() + QStringLiteral(", ") + RowStateText(status));
}

RowStatus QtUiServices::ListStatus(int index) const
{
    const QListWidgetItem* item = dialog_.InputList()->item(index);
    if (!item)
        return {};
    return {static_cast<RowState>(item->data(kStateRole).toInt()), item->data(kPercentRole).toInt(),
            item->data(kMessageRole).toString().toStdString()};
}

void QtUiServices::ListSetTransform(int index, RotationMode mode)
{
    if (QListWidgetItem* item = dialog_.InputList()->item(index))
        item->setData(kTransformRole, int(mode));
}

std::optional<RotationMode> QtUiServices::ListTransform(int index) const
{
    const QListWidgetItem* item = dialog_.InputList()->item(index);
    if (!item || !item->data(kTransformRole).isValid())
        return std::nullopt;
    return static_cast<RotationMode>(item->data(kTransformRole).toInt());
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

int QtUiServices::ComboIndex(int id) const
{
    const auto* box = qobject_cast<const QComboBox*>(dialog_.Control(id));
    return box ? box->currentIndex() : 0;
}

void QtUiServices::SetComboIndex(int id, int index)
{
    if (auto* box = qobject_cast<QComboBox*>(dialog_.Control(id)))
        box->setCurrentIndex(index);
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

void QtUiServices::SetCheckBox(int id, bool checked)
{
    if (auto* button = qobject_cast<QAbstractButton*>(dialog_.Control(id)))
        button->setChecked(checked);
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

OverwriteAnswer QtUiServices::AskOverwrite(const std::string& destination)
{
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kAppTitle),
                    MainDialog::tr("%1 exists. Replace it with the converted file?").arg(FromPath(destination)),
                    QMessageBox::NoButton, &dialog_);
    QPushButton* replace = box.addButton(MainDialog::tr("&Replace"), QMessageBox::AcceptRole);
    QPushButton* skip = box.addButton(MainDialog::tr("&Skip"), QMessageBox::RejectRole);
    QPushButton* replaceAll = box.addButton(MainDialog::tr("Replace &All"), QMessageBox::AcceptRole);
    box.addButton(MainDialog::tr("S&kip All"), QMessageBox::RejectRole);
    box.setDefaultButton(skip);
    box.setEscapeButton(skip);
    box.exec();
    if (box.clickedButton() == replace)
        return OverwriteAnswer::Replace;
    if (box.clickedButton() == replaceAll)
        return OverwriteAnswer::ReplaceAll;
    if (box.clickedButton() == skip)
        return OverwriteAnswer::Skip;
    return OverwriteAnswer::SkipAll;
}

void QtUiServices::ShowBatchOutcome(const std::string& text, const std::string& folder)
{
    dialog_.ShowOutcome(QString::fromStdString(text), folder);
}

void QtUiServices::AnnounceBatchEnd(const std::string& text)
{
    if (dialog_.isActiveWindow())
        return;
    QApplication::alert(&dialog_);
#if KESTREL_HAVE_DBUS
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
    notify << QString::fromUtf8(kAppTitle) << uint(0) << QStringLiteral("kestrel")
           << MainDialog::tr("Conversion finished") << QString::fromStdString(text) << QStringList() << QVariantMap()
           << int(-1);
    bus.send(notify);
#endif
}

bool QtUiServices::OpenFolder(const std::string& folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(FromPath(folder)));
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
