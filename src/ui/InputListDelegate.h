#pragma once

#include <QFontMetrics>
#include <QString>
#include <QStyledItemDelegate>

namespace kestrel::ui {

// Item data: true for an entry whose conversion failed.
inline constexpr int kFailedRole = Qt::UserRole + 1;

// Draws the entries of the input list: each path shortened in the middle to
// the list's width so that its file name stays readable, the selected entry
// in the system highlight colours and the entry with the focus in a
// one-pixel pure red frame. An entry with an icon (a failed one) shows it in
// front of its path.
class InputListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit InputListDelegate(QObject* parent = nullptr);

    // The width in pixels to which entries are shortened.
    void SetCompactWidth(int width) { compactWidth_ = width; }
    int CompactWidth() const { return compactWidth_; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int compactWidth_ = 0;
};

// Shortens a path to `width` pixels: folders in its middle give way to "...",
// the file name is kept; a file name that does not fit alone is cut at its
// end. A path that fits is returned unchanged.
QString CompactPath(const QString& path, const QFontMetrics& metrics, int width);

}  // namespace kestrel::ui
