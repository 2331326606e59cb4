#include "ui/InputListDelegate.h"

#include <QDir>
#include <QIcon>
#include <QPainter>

#include <algorithm>

namespace kestrel::ui {
namespace {

const QString kEllipsis = QStringLiteral("...");
const QColor kFocusFrameColor(255, 0, 0);

}  // namespace

QString CompactPath(const QString& path, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QDir::separator()));
    const QString name = slash < 0 ? path : path.mid(slash);  // with its separator
    const QString head = slash < 0 ? QString() : path.left(slash);
    if (metrics.horizontalAdvance(kEllipsis + name) > width)
        return metrics.elidedText(name, Qt::ElideRight, width);
    // The longest start of the folder part that fits in front of "..." and the name.
    qsizetype kept = head.size();
    while (kept > 0 && metrics.horizontalAdvance(head.left(kept) + kEllipsis + name) > width)
        --kept;
    return head.left(kept) + kEllipsis + name;
}

InputListDelegate::InputListDelegate(QObject* parent) : QStyledItemDelegate(parent) { }

void InputListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect rect = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    const QColor background = palette.color(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base);
    const QColor foreground = palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text);

    painter->save();
    painter->fillRect(rect, background);
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(kFocusFrameColor, 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
    }
    QRect textRect = rect;
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    if (!icon.isNull()) {
        const int side = std::max(0, rect.height() - 2);
        icon.paint(painter, QRect(rect.left() + 1, rect.top() + 1, side, side));
        textRect.setLeft(rect.left() + side + 3);
    }
    // Never wider than the item itself, which the scroll bar may narrow.
    const int itemWidth = compactWidth_ > 0 ? std::min(compactWidth_, rect.width()) : rect.width();
    const int width = itemWidth - (textRect.left() - rect.left());
    const QString text = CompactPath(index.data(Qt::DisplayRole).toString(), option.fontMetrics, width);
    painter->setFont(option.font);
    painter->setPen(foreground);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter->restore();
}

QSize InputListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // The height stays what the style proposes; the width is the list's.
    return QSize(compactWidth_, QStyledItemDelegate::sizeHint(option, index).height());
}

}  // namespace kestrel::ui
