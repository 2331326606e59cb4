// The program around the window: its command line, the paths it is given,
// and its translations (run a second time under LANG=de_DE.UTF-8).

#include "CapturingServices.h"

#include "KestrelVersion.h"
#include "ui/BatchOutcome.h"
#include "ui/KestrelApp.h"
#include "ui/Resources.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

using namespace kestrel::ui;
using kestrel::ui::test::CapturingServices;

class AppTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        InstallTranslations(*QCoreApplication::instance(), QLocale::system());
    }
    void helpAndVersionPrintAndExit_data();
    void helpAndVersionPrintAndExit();
    void folderArgumentAddsItsAviFiles();
    void stopSignalsEndTheProgram_data();
    void stopSignalsEndTheProgram();
    void germanStringsLoad();
};

void AppTest::helpAndVersionPrintAndExit_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("text");
    QTest::newRow("--help") << "--help"
                            << "--version";
    QTest::newRow("-h") << "-h"
                        << "PATH";
    QTest::newRow("--version") << "--version"
                               << "kestrel " KESTREL_VERSION "\n";
}

void AppTest::helpAndVersionPrintAndExit()
{
    QFETCH(QString, option);
    QFETCH(QString, text);
    QProcess kestrel;
    // No display is needed, and none is opened.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    kestrel.setProcessEnvironment(environment);
    kestrel.start(QStringLiteral(KESTREL_WINDOW_PROGRAM), {option, QStringLiteral("clip.avi")});
    QVERIFY(kestrel.waitForFinished(30000));
    QCOMPARE(kestrel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(kestrel.exitCode(), 0);
    const QString output = QString::fromLocal8Bit(kestrel.readAllStandardOutput());
    QVERIFY2(output.contains(text), qPrintable(output));
}

void AppTest::folderArgumentAddsItsAviFiles()
{
    if (QLocale::system().language() == QLocale::German)
        QSKIP("run in English");
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("card/sub")));
    for (const char* name : {"card/b.avi", "card/a.AVI", "card/notes.txt", "card/sub/c.avi", "pic.png"}) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const std::string fifo = dir.filePath(QStringLiteral("fifo.avi")).toStdString();
    QCOMPARE(mkfifo(fifo.c_str(), 0600), 0);  // never opened: it would block
    CapturingServices* ui = nullptr;
    auto dialog = test::MakeDialog(ui, true);
    // As KestrelApp hands on its command line's paths: the folder's own
    // .avi files in name order; the rest refused in one message.
    dialog->OnDropFiles({dir.filePath(QStringLiteral("card")).toStdString(), dir.filePath("pic.png").toStdString(),
                         fifo, dir.filePath("clip.mov").toStdString()});
    QStringList listed;
    for (int i = 0; i < dialog->InputList()->count(); ++i)
        listed << QFileInfo(dialog->InputList()->item(i)->text()).fileName();
    QCOMPARE(listed, (QStringList{"a.AVI", "b.avi"}));
    QCOMPARE(ui->messages.size(), size_t(1));
    const std::string expected = "3 files not added:\n" + dir.filePath("pic.png").toStdString() +
                                 ": not an .avi file\n" + fifo +
                                 ": not a regular file (a FIFO, a device or a socket)\n" +
                                 dir.filePath("clip.mov").toStdString() + ": no such file";
    QCOMPARE(ui->messages[0], expected);
}

namespace {

// Whether process `pid` catches every one of the signals `numbers`, from the SigCgt mask
// in /proc (bit N-1 for signal N).
bool CatchesSignals(qint64 pid, std::initializer_list<int> numbers)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (!line.startsWith("SigCgt:"))
            continue;
        const qulonglong caught = line.mid(7).trimmed().toULongLong(nullptr, 16);
        for (int number : numbers)
            if ((caught >> (number - 1) & 1) == 0)
                return false;
        return true;
    }
    return false;
}

}  // namespace

void AppTest::stopSignalsEndTheProgram_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
}

// The window's program ends with 128 + the signal's number, as a shell
// reports a program the signal ended, instead of dying by it.
void AppTest::stopSignalsEndTheProgram()
{
    QFETCH(int, signalNumber);
    QTemporaryDir settings;  // where the window keeps its settings as it ends
    QProcess kestrel;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), settings.path());
    kestrel.setProcessEnvironment(environment);
    kestrel.start(QStringLiteral(KESTREL_WINDOW_PROGRAM), {});
    QVERIFY(kestrel.waitForStarted(30000));
    QTRY_VERIFY_WITH_TIMEOUT(CatchesSignals(kestrel.processId(), {SIGINT, SIGTERM, SIGHUP}), 30000);
    QCOMPARE(::kill(pid_t(kestrel.processId()), signalNumber), 0);
    QVERIFY(kestrel.waitForFinished(30000));
    QCOMPARE(kestrel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(kestrel.exitCode(), 128 + signalNumber);
}

void AppTest::germanStringsLoad()
{
    if (QLocale::system().language() != QLocale::German)
        QSKIP("run under LANG=de_DE.UTF-8 (kestrel_ui_german_tests)");
    CapturingServices* ui = nullptr;
    auto dialog = test::MakeDialog(ui, true);
    QCOMPARE(qobject_cast<QAbstractButton*>(dialog->Control(IDC_GO))->text(), QStringLiteral("&Los"));
    QCOMPARE(qobject_cast<QAbstractButton*>(dialog->Control(IDC_ROT_CW))->text(),
             QStringLiteral("90° im &Uhrzeigersinn"));
    BatchOutcome outcome;
    outcome.converted = 1;
    outcome.failed = 2;
    outcome.folder = "/out";
    QCOMPARE(BatchOutcomeText(outcome), std::string("1 Datei nach /out umgewandelt, 2 fehlgeschlagen"));
    outcome.converted = 3;
    QCOMPARE(BatchOutcomeText(outcome), std::string("3 Dateien nach /out umgewandelt, 2 fehlgeschlagen"));
}

QTEST_MAIN(AppTest)
#include "AppTest.moc"
