#include "ui/ElidedLabel.h"

#include <QAccessible>
#include <QPainter>
#include <QStyle>

namespace kestrel::ui {
namespace {

// Width in average characters that the label asks for and at least keeps.
constexpr int kPreferredChars = 40;
constexpr int kMinimumChars = 8;

}  // namespace

ElidedLabel::ElidedLabel(int lines, QWidget* parent) : QLabel(parent), lines_(lines)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void ElidedLabel::SetAnnouncedText(const QString& text)
{
    setText(text);
    setToolTip(text);
    setAccessibleName(text);
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    if (!text.isEmpty()) {
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

QStringList ElidedLabel::ShownLines() const
{
    QStringList shown;
    const QFontMetrics metrics = fontMetrics();
    const int width = contentsRect().width();
    for (const QString& line : text().split(QLatin1Char('\n')).mid(0, lines_))
        shown << metrics.elidedText(line, Qt::ElideMiddle, width);
    return shown;
}

QSize ElidedLabel::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const QMargins margins = contentsMargins();
    return QSize(metrics.averageCharWidth() * kPreferredChars, metrics.lineSpacing() * lines_) +
           QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

QSize ElidedLabel::minimumSizeHint() const
{
    return QSize(fontMetrics().averageCharWidth() * kMinimumChars, sizeHint().height());
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled, QPalette::WindowText));
    QRect line = contentsRect();
    line.setHeight(fontMetrics().lineSpacing());
    for (const QString& shown : ShownLines()) {
        painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        line.translate(0, line.height());
    }
}

}  // namespace kestrel::ui
