#pragma once

#include "ui/UiServices.h"

#include <QFontMetrics>
#include <QString>
#include <QStyledItemDelegate>

namespace kestrel::ui {

// Item data of the input list's rows beside the path (DisplayRole).
inline constexpr int kStateRole = Qt::UserRole + 1;      // RowState as int
inline constexpr int kPercentRole = Qt::UserRole + 2;    // of a converting row
inline constexpr int kMessageRole = Qt::UserRole + 3;    // the reason of a skipped or failed row
inline constexpr int kTransformRole = Qt::UserRole + 4;  // RotationMode as int; none: not given yet

// Draws a row of the input list on one line, all in the palette's colours
// and the style's own selection and focus frame: the state's icon, the file
// name shortened in its middle, its folder apart in the placeholder colour
// (its middle folders giving way first), and at the right the row's
// transform and state in words ("Failed: REASON").
class InputListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit InputListDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// A row's state in words: "Waiting", "Converting 42%", "Done", "Skipped:
// converted file exists", "Failed: REASON" (the line of the message that
// follows the file's name, or its only line).
QString RowStateText(const RowStatus& status);
// The short caption of a transform, as rows show it.
QString TransformShortCaption(RotationMode mode);

// Shortens a path to `width` pixels: folders in its middle give way to "...",
// the file name is kept; a file name that does not fit alone is cut at its
// end. A path that fits is returned unchanged.
QString CompactPath(const QString& path, const QFontMetrics& metrics, int width);

}  // namespace kestrel::ui
