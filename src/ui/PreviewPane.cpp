#include "ui/PreviewPane.h"

#include "ui/PreviewFrames.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QResizeEvent>
#include <QSlider>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

namespace kestrel::ui {
namespace {

// The texts of FirstFrameErrorText, which the pane shows translated.
[[maybe_unused]] constexpr const char* kFirstFrameTexts[] = {
    QT_TRANSLATE_NOOP("FirstFrame", "This file cannot be opened."),
    QT_TRANSLATE_NOOP("FirstFrame", "This is not a regular file."),
    QT_TRANSLATE_NOOP("FirstFrame", "This file is not an AVI file."),
    QT_TRANSLATE_NOOP("FirstFrame", "This file has no 24-bit Motion-JPEG video."),
    QT_TRANSLATE_NOOP("FirstFrame", "This file holds no video frame."),
    QT_TRANSLATE_NOOP("FirstFrame",
                      "This frame is progressive or arithmetic-coded; only baseline frames are converted."),
    QT_TRANSLATE_NOOP("FirstFrame", "The first frame of this file cannot be decoded."),
};

// The smallest side of a picture box, in pixels.
constexpr int kMinBoxSide = 120;

uint8_t Clamp(double value) { return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

QString SizeText(QSize size) { return QStringLiteral("%1 × %2").arg(size.width()).arg(size.height()); }

}  // namespace

QImage ToRgbImage(const FramePicture& picture)
{
    const int width = picture.size.width;
    const int height = picture.size.height;
    if (picture.error != FirstFrameError::None || width <= 0 || height <= 0 ||
        picture.pixels.size() < size_t(width) * size_t(height) * 3)
        return {};
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = picture.pixels.data() + size_t(y) * size_t(width) * 3;
        uint8_t* out = image.scanLine(y);
        for (int x = 0; x < width; ++x, in += 3, out += 3) {
            const double luma = in[0];
            const double cb = in[1] - 128.0;
            const double cr = in[2] - 128.0;
            out[0] = Clamp(luma + 1.402 * cr);
            out[1] = Clamp(luma - 0.344136 * cb - 0.714136 * cr);
            out[2] = Clamp(luma + 1.772 * cb);
        }
    }
    return image;
}

ShownFrames ToShownFrames(PreviewFrames frames)
{
    ShownFrames shown;
    shown.error = frames.error;
    shown.stopped = frames.stopped;
    shown.index = frames.index;
    shown.frameCount = frames.frameCount;
    // A stopped request's result is dropped: no picture is made for it.
    if (frames.stopped)
        return shown;
    const auto picture = [](FramePicture& frame, QSize& size) {
        QImage image = ToRgbImage(frame);
        frame.pixels = {};
        size = image.size();
        if (image.width() > kMaxShownSide || image.height() > kMaxShownSide)
            image = image.scaled(kMaxShownSide, kMaxShownSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return image;
    };
    shown.before = picture(frames.before, shown.beforeSize);
    shown.after = picture(frames.after, shown.afterSize);
    return shown;
}

PreviewPane::PreviewPane(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("preview"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* heading = new QLabel(tr("Preview:"), this);
    layout->addWidget(heading);

    // Side by side in a wide pane, one above the other in a tall one.
    pictures_ = new QBoxLayout(QBoxLayout::LeftToRight);
    auto column = [&](const char* boxName, const char* captionName, QLabel*& box, QLabel*& caption) {
        auto* layout = new QVBoxLayout;
        box = new QLabel(this);
        box->setObjectName(QString::fromUtf8(boxName));
        box->setFrameShape(QFrame::StyledPanel);
        box->setAlignment(Qt::AlignCenter);
        box->setBackgroundRole(QPalette::Mid);
        box->setAutoFillBackground(true);
        // The boxes take the room the window gives; the pictures follow.
        box->setMinimumSize(kMinBoxSide, kMinBoxSide);
        box->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        caption = new QLabel(this);
        caption->setObjectName(QString::fromUtf8(captionName));
        caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        caption->setMinimumHeight(2 * caption->fontMetrics().lineSpacing());
        layout->addWidget(box, 1);
        layout->addWidget(caption);
        pictures_->addLayout(layout, 1);
    };
    column("previewBefore", "previewBeforeCaption", beforeBox_, beforeCaption_);
    column("previewAfter", "previewAfterCaption", afterBox_, afterCaption_);
    layout->addLayout(pictures_, 1);

    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("previewMessage"));
    message_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    message_->setWordWrap(true);
    layout->addWidget(message_);

    auto* frameRow = new QHBoxLayout;
    frameLabel_ = new QLabel(this);
    frameLabel_->setObjectName(QStringLiteral("previewFrameLabel"));
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("previewFrame"));
    slider_->setAccessibleName(tr("Frame shown"));
    slider_->setTracking(true);
    frameLabel_->setBuddy(slider_);
    frameRow->addWidget(frameLabel_);
    frameRow->addWidget(slider_, 1);
    layout->addLayout(frameRow);
    connect(slider_, &QSlider::valueChanged, this, [this](int value) { Request(value); });

    watcher_ = new QFutureWatcher<ShownFrames>(this);
    connect(watcher_, &QFutureWatcher<ShownFrames>::finished, this, &PreviewPane::OnLoaded);
    ShowNothing();
}

PreviewPane::~PreviewPane()
{
    // The thread holds copies and its own flag: it ends at its next frame
    // and its result goes nowhere.
    if (stop_)
        *stop_ = true;
    watcher_->disconnect(this);
}

bool PreviewPane::IsLoading() const { return loading_; }

void PreviewPane::ShowFile(const std::string& path, RotationMode mode, const QString& modeName)
{
    mode_ = mode;
    modeName_ = modeName;
    if (path != path_) {
        path_ = path;
        requested_.reset();
        const QSignalBlocker quiet(slider_);
        slider_->setValue(0);
    }
    Request(slider_->value());
}

void PreviewPane::Request(int index)
{
    if (path_.empty() || requested_ == std::pair(index, mode_))
        return;
    requested_ = std::pair(index, mode_);
    if (stop_)
        *stop_ = true;
    stop_ = std::make_shared<std::atomic<bool>>(false);
    loading_ = true;
    watcher_->setFuture(QtConcurrent::run([path = path_, index, mode = mode_, stop = stop_] {
        return ToShownFrames(LoadPreviewFrames(path, index, mode, *stop));
    }));
}

void PreviewPane::OnLoaded()
{
    ShownFrames frames = watcher_->result();
    if (frames.stopped || path_.empty())
        return;
    loading_ = false;
    before_ = std::move(frames.before);
    after_ = std::move(frames.after);
    {
        const QSignalBlocker quiet(slider_);
        slider_->setRange(0, std::max(0, std::max(int(frames.frameCount), frames.index + 1) - 1));
        slider_->setValue(frames.index);
    }
    slider_->setEnabled(slider_->maximum() > 0);
    frameLabel_->setText(tr("Fra&me %1 of %2").arg(frames.index + 1).arg(slider_->maximum() + 1));
    if (before_.isNull() || after_.isNull()) {
        const FirstFrameError error = frames.error != FirstFrameError::None ? frames.error : FirstFrameError::Damaged;
        ShowMessage(QCoreApplication::translate("FirstFrame", FirstFrameErrorText(error).c_str()));
        return;
    }
    message_->hide();
    ShowPicture(beforeBox_, before_);
    ShowPicture(afterBox_, after_);
    beforeCaption_->setText(tr("Now\n%1").arg(SizeText(frames.beforeSize)));
    afterCaption_->setText(modeName_ + QLatin1Char('\n') + SizeText(frames.afterSize));
    beforeBox_->setAccessibleName(tr("Frame %1 now, %2").arg(frames.index + 1).arg(SizeText(frames.beforeSize)));
    afterBox_->setAccessibleName(
        tr("Frame %1 after %2, %3").arg(frames.index + 1).arg(modeName_, SizeText(frames.afterSize)));
    beforeCaption_->show();
    afterCaption_->show();
}

void PreviewPane::ShowNothing()
{
    path_.clear();
    requested_.reset();
    loading_ = false;
    if (stop_)
        *stop_ = true;
    before_ = QImage();
    after_ = QImage();
    {
        const QSignalBlocker quiet(slider_);
        slider_->setRange(0, 0);
    }
    slider_->setEnabled(false);
    frameLabel_->setText(tr("Fra&me"));
    ShowMessage(tr("Add an AVI file to see its frames here."));
}

void PreviewPane::ShowMessage(const QString& text)
{
    for (QLabel* box : {beforeBox_, afterBox_}) {
        box->clear();
        box->setAccessibleName(QString());
    }
    beforeCaption_->hide();
    afterCaption_->hide();
    message_->setText(text);
    message_->show();
}

void PreviewPane::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    pictures_->setDirection(height() > width() ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    if (message_->isHidden()) {
        ShowPicture(beforeBox_, before_);
        ShowPicture(afterBox_, after_);
    }
}

void PreviewPane::ShowPicture(QLabel* box, const QImage& image)
{
    if (image.isNull())
        return;
    // Fitted to the box; a picture made larger keeps sharp pixels.
    const QSize room = box->contentsRect().size();
    const bool larger = image.width() < room.width() && image.height() < room.height();
    box->setPixmap(QPixmap::fromImage(
        image.scaled(room, Qt::KeepAspectRatio, larger ? Qt::FastTransformation : Qt::SmoothTransformation)));
}

QString PreviewPane::BeforeCaption() const { return beforeCaption_->isHidden() ? QString() : beforeCaption_->text(); }

QString PreviewPane::AfterCaption() const { return afterCaption_->isHidden() ? QString() : afterCaption_->text(); }

QString PreviewPane::Message() const { return message_->isHidden() ? QString() : message_->text(); }

}  // namespace kestrel::ui
