#pragma once

#include "base/Transform.h"
#include "ui/FirstFrame.h"

#include <QFutureWatcher>
#include <QImage>
#include <QWidget>

#include <atomic>
#include <memory>
#include <optional>
#include <string>

class QBoxLayout;
class QLabel;
class QSlider;

namespace kestrel::ui {

struct PreviewFrames;

// What a pool thread hands the pane: PreviewFrames with its pictures in
// RGB, those longer than kMaxShownSide pixels on a side shrunk to it, so
// that the window's thread only shows them; the frames' own sizes apart.
struct ShownFrames {
    FirstFrameError error = FirstFrameError::None;
    bool stopped = false;
    int index = 0;
    uint32_t frameCount = 0;
    QImage before;
    QImage after;
    QSize beforeSize;
    QSize afterSize;
};

// The longest side of a picture the pane keeps: more than any screen shows
// in its box, and 48 MiB at most for the two pictures.
inline constexpr int kMaxShownSide = 2048;

// Runs on the pool thread: the pictures of `frames` for the pane (none for
// frames stopped). Their decoded pixels are let go on the way.
ShownFrames ToShownFrames(PreviewFrames frames);

// The pane at the dialog's right: a frame of one file as it is and as the
// conversion writes it under the row's transform, side by side, each with
// its size, fitted to the room the window gives it. The slider below (or
// its arrow keys) picks the frame, the first at first. Frames are read,
// transcoded, decoded and turned into RGB pictures on a pool thread; a newer
// request asks the older one to stop, and its late result is dropped.
class PreviewPane : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPane(QWidget* parent);

    ~PreviewPane() override;

    // The chosen frame of `path` (the first for a new file), and that frame
    // under `mode`, whose caption is `modeName`.
    void ShowFile(const std::string& path, RotationMode mode, const QString& modeName);
    // No file: the pane says how to get one.
    void ShowNothing();

    // The pictures as kept (at full size up to kMaxShownSide) and the texts
    // shown, for tests.
    const QImage& Before() const { return before_; }
    const QImage& After() const { return after_; }
    QString BeforeCaption() const;
    QString AfterCaption() const;
    QString Message() const;
    QSlider* FrameSlider() const { return slider_; }
    // Whether a frame is being read for the pane.
    bool IsLoading() const;

protected:
    // The pictures are fitted to their boxes again.
    void resizeEvent(QResizeEvent* event) override;

private:
    // Asks a pool thread for frame `index` of the file under the mode shown.
    void Request(int index);
    void OnLoaded();
    void ShowMessage(const QString& text);
    void ShowPicture(QLabel* box, const QImage& image);

    QBoxLayout* pictures_ = nullptr;
    QLabel* beforeBox_ = nullptr;
    QLabel* afterBox_ = nullptr;
    QLabel* beforeCaption_ = nullptr;
    QLabel* afterCaption_ = nullptr;
    QLabel* message_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* frameLabel_ = nullptr;

    std::string path_;
    RotationMode mode_ = RotationMode::Anticlockwise90;
    QString modeName_;
    // The request being read, and its stop flag (shared with its thread).
    std::optional<std::pair<int, RotationMode>> requested_;
    std::shared_ptr<std::atomic<bool>> stop_;
    QFutureWatcher<ShownFrames>* watcher_ = nullptr;
    bool loading_ = false;
    QImage before_;
    QImage after_;
};

// A decoded Y Cb Cr picture in RGB, converted as JFIF defines it.
QImage ToRgbImage(const FramePicture& picture);

}  // namespace kestrel::ui
