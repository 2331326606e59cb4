#include "ui/WindowMenu.h"

#include "ui/Resources.h"

#include <QAction>
#include <QDialog>

#if defined(Q_OS_WIN)
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <windows.h>
#elif defined(Q_OS_MACOS)
#include <QMenu>
#include <QMenuBar>
#endif

namespace kestrel::ui {

#if defined(Q_OS_WIN)
namespace {

// Catches the About command of one window's system menu.
class SystemMenuFilter : public QObject, public QAbstractNativeEventFilter {
public:
    SystemMenuFilter(QDialog& dialog, std::function<void()> showAbout)
        : QObject(&dialog), window_(reinterpret_cast<HWND>(dialog.winId())), showAbout_(std::move(showAbout))
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~SystemMenuFilter() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->hwnd != window_ || msg->message != WM_SYSCOMMAND || (msg->wParam & 0xFFF0) != IDM_ABOUTBOX)
            return false;
        showAbout_();
        *result = 0;
        return true;
    }

private:
    HWND window_;
    std::function<void()> showAbout_;
};

}  // namespace

void AddAboutItem(QDialog& dialog, std::function<void()> showAbout)
{
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(dialog.winId()), FALSE);
    if (menu == nullptr)
        return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, QString::fromUtf8(kAboutItemText).toStdWString().c_str());
    new SystemMenuFilter(dialog, std::move(showAbout));
}

#elif defined(Q_OS_MACOS)

void AddAboutItem(QDialog& dialog, std::function<void()> showAbout)
{
    // The menu bar moves the item into the application menu by its role.
    auto* bar = new QMenuBar(&dialog);
    QMenu* menu = bar->addMenu(QStringLiteral("Help"));
    QAction* about = menu->addAction(QString::fromUtf8(kAboutItemText));
    about->setMenuRole(QAction::AboutRole);
    QObject::connect(about, &QAction::triggered, &dialog, std::move(showAbout));
}

#else

void AddAboutItem(QDialog& dialog, std::function<void()> showAbout)
{
    auto* about = new QAction(QString::fromUtf8(kAboutItemText), &dialog);
    about->setObjectName(QStringLiteral("AboutAction"));
    QObject::connect(about, &QAction::triggered, &dialog, std::move(showAbout));
    dialog.addAction(about);
    dialog.setContextMenuPolicy(Qt::ActionsContextMenu);
}

#endif

}  // namespace kestrel::ui
