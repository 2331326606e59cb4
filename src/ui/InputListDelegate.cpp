#include "ui/InputListDelegate.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QPainter>

#include <algorithm>

namespace kestrel::ui {
namespace {

const QString kEllipsis = QStringLiteral("...");
// Padding around a row's contents, and between its parts, in pixels.
constexpr int kPadding = 3;
// The state icons' side: a small icon, as beside a line of text.
constexpr int kIconSide = 16;
// The right part (transform and state) takes at most this share of a row.
constexpr int kRightPartPercent = 45;

}  // namespace

QString RowStateText(const RowStatus& status)
{
    // A failure's message names the file on its first line; the row says why.
    const QString message = QString::fromStdString(status.message);
    const QString reason = message.contains(QLatin1Char('\n')) ? message.section(QLatin1Char('\n'), 1, 1) : message;
    switch (status.state) {
    case RowState::Waiting: return QCoreApplication::translate("InputListDelegate", "Waiting");
    case RowState::Converting:
        return QCoreApplication::translate("InputListDelegate", "Converting %1%").arg(status.percent);
    case RowState::Done: return QCoreApplication::translate("InputListDelegate", "Done");
    case RowState::Skipped: return QCoreApplication::translate("InputListDelegate", "Skipped: converted file exists");
    case RowState::Failed: return QCoreApplication::translate("InputListDelegate", "Failed: %1").arg(reason);
    }
    return {};
}

QString TransformShortCaption(RotationMode mode)
{
    switch (mode) {
    case RotationMode::Clockwise90: return QCoreApplication::translate("InputListDelegate", "90° cw");
    case RotationMode::Anticlockwise90: return QCoreApplication::translate("InputListDelegate", "90° acw");
    case RotationMode::Rotate180: return QCoreApplication::translate("InputListDelegate", "180°");
    case RotationMode::MirrorX: return QCoreApplication::translate("InputListDelegate", "Mirror X");
    case RotationMode::MirrorY: return QCoreApplication::translate("InputListDelegate", "Mirror Y");
    }
    return {};
}

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
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QWidget* widget = option.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    const bool selected = option.state & QStyle::State_Selected;
    QPalette::ColorGroup group = option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(option.state & QStyle::State_Active))
        group = QPalette::Inactive;
    const QColor text = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor dim = selected ? text : option.palette.color(group, QPalette::PlaceholderText);

    painter->save();
    // The whole row in the highlight when selected; otherwise the style's
    // own background (hover and the like). Then its focus frame.
    if (selected)
        painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
    else
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }

    QRect room = option.rect.adjusted(kPadding, 0, -kPadding, 0);
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    const int side = std::min(kIconSide, std::max(0, option.rect.height() - 2 * kPadding));
    if (!icon.isNull())
        icon.paint(painter, QRect(room.left(), room.center().y() - side / 2, side, side), Qt::AlignCenter,
                   selected ? QIcon::Selected : QIcon::Normal);
    room.setLeft(room.left() + side + kPadding);

    const QFontMetrics& metrics = option.fontMetrics;
    RowStatus status;
    status.state = static_cast<RowState>(index.data(kStateRole).toInt());
    status.percent = index.data(kPercentRole).toInt();
    status.message = index.data(kMessageRole).toString().toStdString();
    const QVariant transform = index.data(kTransformRole);
    QString right = RowStateText(status);
    if (transform.isValid())
        right = TransformShortCaption(static_cast<RotationMode>(transform.toInt())) + QStringLiteral("  ") + right;
    right = metrics.elidedText(right, Qt::ElideRight, room.width() * kRightPartPercent / 100);
    const int rightWidth = metrics.horizontalAdvance(right);
    painter->setFont(option.font);
    painter->setPen(status.state == RowState::Failed && !selected ? option.palette.color(group, QPalette::Text) : dim);
    painter->drawText(room, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, right);
    room.setRight(room.right() - rightWidth - 2 * kPadding);

    // The name first, shortened in its middle; the folder in what is left.
    const QFileInfo path(index.data(Qt::DisplayRole).toString());
    const QString name = metrics.elidedText(path.fileName(), Qt::ElideMiddle, room.width());
    painter->setPen(text);
    painter->drawText(room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, name);
    const int folderLeft = metrics.horizontalAdvance(name) + 2 * kPadding;
    if (room.width() - folderLeft > metrics.horizontalAdvance(kEllipsis) * 2) {
        const QString folder = CompactPath(QDir::toNativeSeparators(path.path()), metrics, room.width() - folderLeft);
        painter->setPen(dim);
        painter->drawText(room.adjusted(folderLeft, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          folder);
    }
    painter->restore();
}

QSize InputListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    // One line for every row, whatever its state; the width is the list's.
    const int height = std::max(option.fontMetrics.height(), kIconSide) + 2 * kPadding;
    return QSize(option.rect.width(), height);
}

}  // namespace kestrel::ui
