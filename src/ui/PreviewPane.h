#pragma once

#include "base/Transform.h"
#include "ui/FirstFrame.h"

#include <QImage>
#include <QWidget>

#include <optional>
#include <string>

class QLabel;

namespace kestrel::ui {

// The pane at the dialog's right: the first frame of one file as it is and as
// it will be under the chosen transform, side by side, each with its size,
// fitted to the room the window gives it.
// The compressed frame of the file last shown is kept, so that a new
// transform only decodes again.
class PreviewPane : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPane(QWidget* parent);

    // The first frame of `path`, and that frame under `mode`, whose caption
    // (the radio button's) is `modeName`.
    void ShowFile(const std::string& path, RotationMode mode, const QString& modeName);
    // No file: the pane says how to get one.
    void ShowNothing();

    // The pictures at full size and the texts shown, for tests.
    const QImage& Before() const { return before_; }
    const QImage& After() const { return after_; }
    QString BeforeCaption() const;
    QString AfterCaption() const;
    QString Message() const;

protected:
    // The pictures are fitted to their boxes again.
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowMessage(const QString& text);
    void ShowPicture(QLabel* box, const QImage& image);

    QLabel* beforeBox_ = nullptr;
    QLabel* afterBox_ = nullptr;
    QLabel* beforeCaption_ = nullptr;
    QLabel* afterCaption_ = nullptr;
    QLabel* message_ = nullptr;

    std::string path_;
    CompressedFrame frame_;
    std::optional<RotationMode> afterMode_;
    QImage before_;
    QImage after_;
};

// A decoded Y Cb Cr picture in RGB, converted as JFIF defines it.
QImage ToRgbImage(const FramePicture& picture);

}  // namespace kestrel::ui
