// The preview: the first frame found in an AVI file, decoded as it is and
// under each transform by the conversion's own code, and the dialog's pane
// that shows them for the selected file.

#include "CapturingServices.h"

#include "job/RunConversion.h"
#include "ui/FirstFrame.h"
#include "ui/HeaderFrameCount.h"
#include "ui/PathKind.h"
#include "ui/PreviewFrames.h"
#include "ui/PreviewPane.h"
#include "ui/Resources.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace kestrel;
using namespace kestrel::ui;
using kestrel::ui::test::CapturingServices;

namespace {

constexpr RotationMode kModes[] = {RotationMode::Clockwise90, RotationMode::Rotate180, RotationMode::Anticlockwise90,
                                   RotationMode::MirrorX, RotationMode::MirrorY};

const std::string kSample = KESTREL_SAMPLE_AVI;

// The picture under `mode`, pixel by pixel (as transupp.h defines the
// transforms), for pictures whose chroma blocks divide evenly.
FramePicture CoreTransform(const FramePicture& picture, RotationMode mode)
{
    const int32_t w = picture.size.width;
    const int32_t h = picture.size.height;
    FramePicture turned;
    turned.size = SwapsDimensions(mode) ? mjpeg::PictureSize{h, w} : picture.size;
    turned.pixels.resize(picture.pixels.size());
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            int32_t tx = x, ty = y;
            switch (mode) {
            case RotationMode::Clockwise90:
                tx = h - 1 - y;
                ty = x;
                break;
            case RotationMode::Anticlockwise90:
                tx = y;
                ty = w - 1 - x;
                break;
            case RotationMode::Rotate180:
                tx = w - 1 - x;
                ty = h - 1 - y;
                break;
            case RotationMode::MirrorX: tx = w - 1 - x; break;
            case RotationMode::MirrorY: ty = h - 1 - y; break;
            }
            const uint8_t* from = picture.pixels.data() + (size_t(y) * size_t(w) + size_t(x)) * 3;
            std::copy(from, from + 3, turned.pixels.data() + (size_t(ty) * size_t(turned.size.width) + size_t(tx)) * 3);
        }
    }
    return turned;
}

// The first `length` bytes of the sample as a file of their own.
std::string SampleStart(const QTemporaryDir& dir, qint64 length)
{
    QFile sample(QString::fromStdString(kSample));
    QFile cut(dir.filePath(QStringLiteral("cut-%1.avi").arg(length)));
    if (!sample.open(QIODevice::ReadOnly) || !cut.open(QIODevice::WriteOnly) ||
        cut.write(sample.read(length)) != length)
        return {};
    return cut.fileName().toStdString();
}

}  // namespace

class PreviewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyTransformIsTheCoresTransform();
    void previewIsWhatTheConversionWrites();
    void filesWithoutAFrame();
    void decodeKeepsTheConversionsLimits_data();
    void decodeKeepsTheConversionsLimits();
    void onlyRegularFilesAreOpened_data();
    void onlyRegularFilesAreOpened();
    void rgbConversion();
    void largePicturesAreShrunkOffTheWindowsThread_data();
    void largePicturesAreShrunkOffTheWindowsThread();
    void paneFollowsSelectionAndTransform();
    void sliderShowsFrameNAsTheConversionWritesIt();
};

void PreviewTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    if (!QFile::exists(QString::fromStdString(kSample)))
        QSKIP("the sample AVI file is not there: " KESTREL_SAMPLE_AVI);
}

void PreviewTest::everyTransformIsTheCoresTransform()
{
    const CompressedFrame frame = ReadFirstFrame(kSample);
    QCOMPARE(frame.error, FirstFrameError::None);
    QCOMPARE(frame.size, (mjpeg::PictureSize{320, 240}));
    const FramePicture upright = DecodeFrame(frame);
    QCOMPARE(upright.error, FirstFrameError::None);
    QCOMPARE(upright.size, frame.size);
    for (RotationMode mode : kModes) {
        const FramePicture turned = DecodeFrame(frame, mode);
        QCOMPARE(turned.error, FirstFrameError::None);
        const FramePicture expected = CoreTransform(upright, mode);
        QCOMPARE(turned.size, expected.size);
        QVERIFY2(turned.pixels == expected.pixels, qPrintable(QString::number(int(mode))));
    }
    // A quarter turn clockwise: the top left corner goes to the top right,
    // the bottom left to the top left.
    const FramePicture clockwise = DecodeFrame(frame, RotationMode::Clockwise90);
    const auto pixel = [](const FramePicture& picture, int x, int y) {
        const uint8_t* p = picture.pixels.data() + (size_t(y) * size_t(picture.size.width) + size_t(x)) * 3;
        return std::array<uint8_t, 3>{p[0], p[1], p[2]};
    };
    QCOMPARE(pixel(clockwise, 239, 0), pixel(upright, 0, 0));
    QCOMPARE(pixel(clockwise, 0, 0), pixel(upright, 0, 239));
    QCOMPARE(pixel(clockwise, 100, 200), pixel(upright, 200, 239 - 100));
}

void PreviewTest::previewIsWhatTheConversionWrites()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const FramePicture preview = DecodeFrame(ReadFirstFrame(kSample), RotationMode::Clockwise90);
    auto job = std::make_unique<ConversionJob>();
    job->source = kSample;
    job->destination = dir.filePath(QStringLiteral("turned.avi")).toStdString();
    job->mode = RotationMode::Clockwise90;
    ConversionStatus status;
    RunConversion(std::move(job), status);
    QVERIFY(status.Succeeded());

    // The written frame went through the encoder once more: the same picture
    // up to its rounding.
    const FramePicture written = DecodeFrame(ReadFirstFrame(dir.filePath(QStringLiteral("turned.avi")).toStdString()));
    QCOMPARE(written.error, FirstFrameError::None);
    QCOMPARE(written.size, preview.size);
    long total = 0;
    for (size_t i = 0; i < preview.pixels.size(); ++i)
        total += std::abs(int(preview.pixels[i]) - int(written.pixels[i]));
    const double mean = double(total) / double(preview.pixels.size());
    QVERIFY2(mean < 2.0, qPrintable(QString::number(mean)));
}

void PreviewTest::decodeKeepsTheConversionsLimits_data()
{
    QTest::addColumn<int>("frameMarker");  // the sample's SOF0, or the one put in its place
    QTest::addColumn<bool>("stop");
    QTest::addColumn<FirstFrameError>("error");
    QTest::newRow("baseline") << 0xC0 << false << FirstFrameError::None;
    QTest::newRow("baseline, stopped") << 0xC0 << true << FirstFrameError::Damaged;
    QTest::newRow("progressive") << 0xC2 << false << FirstFrameError::NotBaseline;
    QTest::newRow("arithmetic-coded") << 0xC9 << false << FirstFrameError::NotBaseline;
}

// The preview decodes within the conversion's frame limits (FrameLimits),
// and a stop set by a newer request ends a decode inside the frame.
void PreviewTest::decodeKeepsTheConversionsLimits()
{
    QFETCH(int, frameMarker);
    QFETCH(bool, stop);
    QFETCH(FirstFrameError, error);
    CompressedFrame frame = ReadFirstFrame(kSample);
    const uint8_t sof0[] = {0xFF, 0xC0};
    const auto at = std::search(frame.stream.begin(), frame.stream.end(), std::begin(sof0), std::end(sof0));
    QVERIFY(at != frame.stream.end());
    at[1] = uint8_t(frameMarker);
    const std::atomic<bool> stopped = stop;
    for (std::optional<RotationMode> mode : {std::optional<RotationMode>(), std::optional(RotationMode::Clockwise90)})
        QCOMPARE(DecodeFrame(frame, mode, mjpeg::FrameLimits{.stop = &stopped}).error, error);
}

void PreviewTest::onlyRegularFilesAreOpened_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<PathKind>("kind");
    QTest::addColumn<FirstFrameError>("error");
    QTest::newRow("regular file") << "clip.avi" << PathKind::RegularFile << FirstFrameError::None;
    QTest::newRow("link to it") << "link.avi" << PathKind::RegularFile << FirstFrameError::None;
    QTest::newRow("FIFO") << "fifo.avi" << PathKind::Other << FirstFrameError::NotAFile;
    QTest::newRow("link to the FIFO") << "fifolink.avi" << PathKind::Other << FirstFrameError::NotAFile;
    QTest::newRow("folder") << "folder.avi" << PathKind::Folder << FirstFrameError::NotAFile;
    QTest::newRow("missing") << "missing.avi" << PathKind::Missing << FirstFrameError::CannotOpen;
    QTest::newRow("dangling link") << "dangling.avi" << PathKind::Missing << FirstFrameError::CannotOpen;
}

// Every read of the window (first frame, slider, frame count) goes through
// OpenFrameReader; a FIFO there would block the open until a writer came,
// so a blocked read is let go by opening the FIFO for writing, and fails.
void PreviewTest::onlyRegularFilesAreOpened()
{
    QFETCH(QString, name);
    QFETCH(PathKind, kind);
    QFETCH(FirstFrameError, error);
    QTemporaryDir dir;
    const auto at = [&](const char* file) { return dir.filePath(QString::fromUtf8(file)).toStdString(); };
    QVERIFY(QFile::copy(QString::fromStdString(kSample), dir.filePath("clip.avi")));
    QCOMPARE(mkfifo(at("fifo.avi").c_str(), 0600), 0);
    QVERIFY(QDir(dir.path()).mkdir("folder.avi"));
    for (auto [link, target] :
         {std::pair("link.avi", "clip.avi"), {"fifolink.avi", "fifo.avi"}, {"dangling.avi", "gone.avi"}})
        QCOMPARE(symlink(target, at(link).c_str()), 0);
    const std::string path = dir.filePath(name).toStdString();

    QCOMPARE(KindOfPath(path), kind);
    auto read = std::async(std::launch::async, [&] {
        const std::atomic<bool> stop = false;
        return std::tuple(ReadFirstFrame(path).error, LoadPreviewFrames(path, 0, RotationMode::Rotate180, stop).error,
                          HeaderFrameCount(path));
    });
    if (read.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        while (read.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
            ::close(::open(at("fifo.avi").c_str(), O_WRONLY | O_NONBLOCK));
        QFAIL("a read blocked in open()");
    }
    const auto [first, slider, frames] = read.get();
    QCOMPARE(first, error);
    QCOMPARE(slider, error);
    QCOMPARE(frames > 0, error == FirstFrameError::None);
}

void PreviewTest::filesWithoutAFrame()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QCOMPARE(ReadFirstFrame(dir.filePath(QStringLiteral("missing.avi")).toStdString()).error,
             FirstFrameError::CannotOpen);
    // Cut inside the stream headers, and just behind the start of 'movi'.
    QCOMPARE(ReadFirstFrame(SampleStart(dir, 4)).error, FirstFrameError::NotAvi);
    QCOMPARE(ReadFirstFrame(SampleStart(dir, 120)).error, FirstFrameError::NotMjpeg);
    QCOMPARE(ReadFirstFrame(SampleStart(dir, 1380)).error, FirstFrameError::NoFrame);
    // A frame chunk cut short is not a frame, to the preview as to the conversion.
    QCOMPARE(ReadFirstFrame(SampleStart(dir, 1380 + 2000)).error, FirstFrameError::NoFrame);
    // Not a JPEG stream at all.
    CompressedFrame garbage = ReadFirstFrame(kSample);
    std::fill(garbage.stream.begin() + 2, garbage.stream.end(), uint8_t(0x55));
    QCOMPARE(DecodeFrame(garbage).error, FirstFrameError::Damaged);
}

void PreviewTest::rgbConversion()
{
    FramePicture picture;
    picture.size = {3, 1};
    picture.pixels = {128, 128, 128, 76, 85, 255, 29, 255, 107};  // grey, red, blue
    const QImage image = ToRgbImage(picture);
    QCOMPARE(image.size(), QSize(3, 1));
    QCOMPARE(image.pixelColor(0, 0), QColor(128, 128, 128));
    QCOMPARE(image.pixelColor(1, 0), QColor(254, 0, 0));
    QCOMPARE(image.pixelColor(2, 0), QColor(0, 0, 254));
}

void PreviewTest::largePicturesAreShrunkOffTheWindowsThread_data()
{
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QSize>("kept");
    QTest::newRow("at the bound") << QSize(2048, 2048) << QSize(2048, 2048);
    QTest::newRow("wide") << QSize(4096, 1024) << QSize(2048, 512);
    QTest::newRow("tall") << QSize(100, 5000) << QSize(40, 2048);
}

// The pane keeps pictures of at most kMaxShownSide a side, made on the pool
// thread; the captions still give the frame's own size.
void PreviewTest::largePicturesAreShrunkOffTheWindowsThread()
{
    QFETCH(QSize, frame);
    QFETCH(QSize, kept);
    PreviewFrames frames;
    for (FramePicture* picture : {&frames.before, &frames.after}) {
        picture->size = {frame.width(), frame.height()};
        picture->pixels.assign(size_t(frame.width()) * size_t(frame.height()) * 3, 128);
    }
    const ShownFrames shown = ToShownFrames(std::move(frames));
    QCOMPARE(shown.before.size(), kept);
    QCOMPARE(shown.after.size(), kept);
    QCOMPARE(shown.beforeSize, frame);
    QCOMPARE(shown.afterSize, frame);
}

void PreviewTest::paneFollowsSelectionAndTransform()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string garbage = dir.filePath(QStringLiteral("notes.avi")).toStdString();
    {
        QFile file(QString::fromStdString(garbage));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a video") > 0);
    }
    CapturingServices* ui = nullptr;
    auto dialog = test::MakeDialog(ui, true);
    PreviewPane& pane = *dialog->Preview();
    QVERIFY(pane.Before().isNull());
    QVERIFY(!pane.Message().isEmpty());

    // Added, the first file is shown under the checked transform, read off
    // the window's thread.
    ui->ListAppend(kSample);
    ui->ListAppend(garbage);
    const FramePicture upright = DecodeFrame(ReadFirstFrame(kSample));
    const auto check = [&](RotationMode mode, const QString& caption) {
        QTRY_VERIFY(!pane.IsLoading());
        // The frame as the conversion writes it: the turned picture up to
        // the encoder's rounding.
        const QImage expected = ToRgbImage(CoreTransform(upright, mode));
        QCOMPARE(pane.After().size(), expected.size());
        long total = 0;
        for (QPoint at : {QPoint(0, 0), QPoint(10, 200), QPoint(expected.width() - 1, 5), QPoint(150, 100)})
            total += std::abs(pane.After().pixelColor(at).lightness() - expected.pixelColor(at).lightness());
        QVERIFY2(total < 4 * 8, qPrintable(QString::number(total)));
        QCOMPARE(pane.AfterCaption(), caption);
    };
    check(RotationMode::Anticlockwise90, QStringLiteral("90° Anticlockwise\n240 × 320"));
    QCOMPARE(pane.BeforeCaption(), QStringLiteral("Now\n320 × 240"));
    QCOMPARE(pane.Before(), ToRgbImage(upright));
    QTest::mouseClick(dialog->Control(IDC_ROT_CW), Qt::LeftButton);
    check(RotationMode::Clockwise90, QStringLiteral("90° Clockwise\n240 × 320"));
    QTest::mouseClick(dialog->Control(IDC_MIRROR_Y), Qt::LeftButton);
    check(RotationMode::MirrorY, QStringLiteral("Mirror Y\n320 × 240"));

    // Selecting the other file shows why it has no preview.
    dialog->InputList()->setCurrentRow(1);
    QTRY_COMPARE(pane.Message(), QStringLiteral("This file is not an AVI file."));
    QVERIFY(pane.BeforeCaption().isEmpty());
    dialog->InputList()->setCurrentRow(0);
    check(RotationMode::MirrorY, QStringLiteral("Mirror Y\n320 × 240"));

    dialog->InputList()->clear();
    QVERIFY(pane.Before().isNull());
    QCOMPARE(pane.Message(), QStringLiteral("Add an AVI file to see its frames here."));
}

void PreviewTest::sliderShowsFrameNAsTheConversionWritesIt()
{
    // Frame N of the source under a transform is frame N of the converted
    // file, byte for byte decoded the same.
    QTemporaryDir dir;
    auto job = std::make_unique<ConversionJob>();
    job->source = kSample;
    job->destination = dir.filePath(QStringLiteral("turned.avi")).toStdString();
    job->mode = RotationMode::Clockwise90;
    ConversionStatus status;
    RunConversion(std::move(job), status);
    QVERIFY(status.Succeeded());
    const int last = status.FramesConverted - 1;
    const std::atomic<bool> go{false};
    for (int index : {0, last / 2, last}) {
        const PreviewFrames source = LoadPreviewFrames(kSample, index, RotationMode::Clockwise90, go);
        const PreviewFrames written = LoadPreviewFrames(dir.filePath(QStringLiteral("turned.avi")).toStdString(), index,
                                                        RotationMode::Rotate180, go);
        QCOMPARE(source.error, FirstFrameError::None);
        QCOMPARE(source.index, index);
        QCOMPARE(int(source.frameCount), last + 1);
        QVERIFY2(source.after.pixels == written.before.pixels, qPrintable(QString::number(index)));
    }
    // Past the end: the last frame; stopped before reading: nothing.
    QCOMPARE(LoadPreviewFrames(kSample, last + 10, RotationMode::Rotate180, go).index, last);
    const std::atomic<bool> stop{true};
    QVERIFY(LoadPreviewFrames(kSample, 0, RotationMode::Rotate180, stop).stopped);

    // The slider picks the frame; the arrow keys move it.
    CapturingServices* ui = nullptr;
    auto dialog = test::MakeDialog(ui, true);
    PreviewPane& pane = *dialog->Preview();
    ui->ListAppend(kSample);
    QTRY_VERIFY(!pane.IsLoading());
    QCOMPARE(pane.FrameSlider()->maximum(), last);
    const QImage first = pane.Before();
    pane.FrameSlider()->setValue(last);
    QTRY_VERIFY(!pane.IsLoading());
    QCOMPARE(pane.Before(), ToRgbImage(LoadPreviewFrames(kSample, last, RotationMode::Rotate180, go).before));
    QVERIFY(pane.Before() != first);
    QTest::keyClick(pane.FrameSlider(), Qt::Key_Left);
    QCOMPARE(pane.FrameSlider()->value(), last - 1);
}

QTEST_MAIN(PreviewTest)
#include "PreviewTest.moc"
