#include "ui/AboutDialog.h"

#include "ui/ApplicationIcon.h"
#include "ui/DialogUnits.h"

#include "KestrelVersion.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace kestrel::ui {
namespace {

// The template, in dialog units.
constexpr QSize kAboutSize(235, 121);
constexpr int kIconPixels = 32;

}  // namespace

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("About Kestrel"));
    setFont(QApplication::font());
    const DialogUnits units(font());

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("AboutIcon"));
    icon->setPixmap(ApplicationIcon().pixmap(kIconPixels));
    // The icon keeps its own size at the template's position.
    icon->setGeometry(QRect(units.ToPixels(11, 17, 20, 20).topLeft(), QSize(kIconPixels, kIconPixels)));

    auto addText = [&](const QString& text, QRect rect) {
        auto* label = new QLabel(text, this);
        label->setTextFormat(Qt::PlainText);
        rect.setWidth(std::max(rect.width(), label->sizeHint().width()));
        label->setGeometry(rect);
        return label;
    };
    addText(QStringLiteral("Kestrel Version " KESTREL_VERSION), units.ToPixels(40, 10, 119, 8));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("AboutOk"));
    ok->setGeometry(units.ToPixels(93, 98, 50, 16));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    addText(QString(), units.ToPixels(40, 82, 183, 8));
    // One sentence over two lines.
    addText(QStringLiteral("This software is based in part on the work of the "), units.ToPixels(40, 44, 158, 8));
    addText(QStringLiteral("Independent JPEG Group."), units.ToPixels(132, 53, 84, 8));

    setFixedSize(units.ToPixels(kAboutSize));
    ok->setFocus();
}

}  // namespace kestrel::ui
