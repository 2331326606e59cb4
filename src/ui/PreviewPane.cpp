#include "ui/PreviewPane.h"

#include "ui/DialogUnits.h"

#include <QLabel>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace kestrel::ui {
namespace {

// Pane layout in dialog units: the heading level with "Input Files:", the
// two picture boxes (square in pixels, as wide as kBoxWidth units) side by
// side below it, and their captions under them.
constexpr int kMargin = 2;
constexpr int kHeadingY = 21;
constexpr int kBoxY = 32;
constexpr int kBoxWidth = 98;
constexpr int kBoxGap = 6;
constexpr int kCaptionGap = 3;
constexpr int kCaptionHeight = 18;  // two lines

const QString kNoFileText = QStringLiteral("Add an AVI file to see its first frame here.");

uint8_t Clamp(double value) { return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

QString SizeText(const QImage& image) { return QStringLiteral("%1 × %2").arg(image.width()).arg(image.height()); }

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

PreviewPane::PreviewPane(QWidget* parent, const DialogUnits& units, QSize size) : QWidget(parent)
{
    setObjectName(QStringLiteral("preview"));
    resize(units.ToPixels(size));

    auto* heading = new QLabel(QStringLiteral("Preview:"), this);
    heading->move(units.ToPixelsX(kMargin), units.ToPixelsY(kHeadingY));
    heading->resize(heading->sizeHint());

    const int side = units.ToPixelsX(kBoxWidth);
    const int boxTop = units.ToPixelsY(kBoxY);
    const int captionTop = boxTop + side + units.ToPixelsY(kCaptionGap);
    auto box = [&](int left, const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromUtf8(name));
        label->setGeometry(left, boxTop, side, side);
        label->setFrameShape(QFrame::StyledPanel);
        label->setAlignment(Qt::AlignCenter);
        label->setBackgroundRole(QPalette::Mid);
        label->setAutoFillBackground(true);
        return label;
    };
    auto caption = [&](int left, const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromUtf8(name));
        label->setGeometry(left, captionTop, side, units.ToPixelsY(kCaptionHeight));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        return label;
    };
    const int left = units.ToPixelsX(kMargin);
    const int right = left + side + units.ToPixelsX(kBoxGap);
    beforeBox_ = box(left, "previewBefore");
    afterBox_ = box(right, "previewAfter");
    beforeCaption_ = caption(left, "previewBeforeCaption");
    afterCaption_ = caption(right, "previewAfterCaption");

    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("previewMessage"));
    message_->setGeometry(left, captionTop, right + side - left, units.ToPixelsY(kCaptionHeight));
    message_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    message_->setWordWrap(true);
    ShowNothing();
}

void PreviewPane::ShowFile(const std::string& path, RotationMode mode, const QString& modeName)
{
    if (path != path_) {
        path_ = path;
        afterMode_.reset();
        frame_ = ReadFirstFrame(path);
        before_ = ToRgbImage(DecodeFrame(frame_));
        after_ = QImage();
    }
    if (before_.isNull()) {
        const FirstFrameError error = frame_.error != FirstFrameError::None ? frame_.error : FirstFrameError::Damaged;
        ShowMessage(QString::fromStdString(FirstFrameErrorText(error)));
        return;
    }
    if (afterMode_ != mode) {
        afterMode_ = mode;
        after_ = ToRgbImage(DecodeFrame(frame_, mode));
    }
    message_->hide();
    ShowPicture(beforeBox_, before_);
    ShowPicture(afterBox_, after_);
    beforeCaption_->setText(QStringLiteral("Now\n") + SizeText(before_));
    afterCaption_->setText(modeName + QLatin1Char('\n') + SizeText(after_));
    beforeBox_->setAccessibleName(QStringLiteral("First frame now, ") + SizeText(before_));
    afterBox_->setAccessibleName(QStringLiteral("First frame after ") + modeName + QStringLiteral(", ") +
                                 SizeText(after_));
    beforeCaption_->show();
    afterCaption_->show();
}

void PreviewPane::ShowNothing()
{
    path_.clear();
    frame_ = {};
    afterMode_.reset();
    before_ = QImage();
    after_ = QImage();
    ShowMessage(kNoFileText);
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

void PreviewPane::ShowPicture(QLabel* box, const QImage& image)
{
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
