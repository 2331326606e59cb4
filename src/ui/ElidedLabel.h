#pragma once

#include <QLabel>

namespace kestrel::ui {

// A plain-text label that never wraps and never widens its window: each
// line of its text is shortened in its middle to the label's width, the
// whole text is its tooltip, and it keeps room for `lines` lines. Setting a
// text tells assistive technology, which reads it out.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(int lines, QWidget* parent = nullptr);

    void SetAnnouncedText(const QString& text);
    // The lines as drawn at the current width.
    QStringList ShownLines() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int lines_;
};

}  // namespace kestrel::ui
