#pragma once

#include "ui/BatchController.h"
#include "ui/MainDialogRules.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSplitter;

namespace kestrel::ui {

class ElidedLabel;
class PreviewPane;
class UiServices;

// The application's only window, resizable: at the left the input list with
// Add, Remove and Clear Finished, where the converted files go, what happens
// when one exists, the five transforms, the whole batch's progress, Quit and
// Go, and the status line that tells how the last batch ended; at the right
// the preview of the selected file (or the first one). The list and the
// preview take the room the window is given. Button 1 ("Go"/"Stop") is the
// default button, so Enter runs it and never closes the window; Quit,
// Escape and the close box end the program, after asking whether to stop a
// running batch. Its size and place are remembered.
class MainDialog : public QDialog {
    Q_OBJECT
public:
    // Builds the services over this dialog's widgets; tests put in their own.
    using ServicesFactory = std::function<std::unique_ptr<UiServices>(MainDialog&)>;
    // With `convert` empty, conversions run RunConversion.
    explicit MainDialog(ServicesFactory makeServices = {}, BatchController::Conversion convert = {});
    ~MainDialog() override;

    // The control with a template id (Resources.h), or nullptr.
    QWidget* Control(int id) const;
    QListWidget* InputList() const { return inputList_; }
    QProgressBar* Progress() const { return progress_; }
    PreviewPane* Preview() const { return preview_; }
    QLabel* StatusLine() const;
    QPushButton* OpenFolderButton() const { return openFolder_; }
    QTimer& ProgressTimer() { return progressTimer_; }

    UiServices& Services() { return *services_; }
    BatchController& Controller() { return *controller_; }
    MainDialogRules& Rules() { return *rules_; }

    // Command handlers.
    void OnGoStop();
    void OnQuit();
    void OnAdd();
    void OnBrowseOutputDirectory();
    void OnRemove();
    void OnClearFinished();
    void OnDropFiles(const std::vector<std::string>& names);
    void OnTimer();
    // A command of the window menu; IDM_ABOUTBOX opens the About box.
    void OnSysCommand(int command);
    // Opens the folder of the last batch; says so when no file manager can
    // be started.
    void OnOpenFolder();

    // The status line's text, and the folder that "Open Folder" opens (none:
    // the button is hidden).
    void ShowOutcome(const QString& text, const std::string& folder);
    // Shows the selected entry (or the first) under its transform.
    void UpdatePreview();

    // Escape and the close box arrive here.
    void reject() override;

    // SIGINT, SIGTERM or SIGHUP: the running batch is stopped and waited for,
    // as at Quit but without asking, so that the conversion's stop path
    // removes its temporary file; then the window closes with the exit
    // status 128 + `signalNumber`. Later signals change nothing.
    void QuitOnSignal(int signalNumber);
    // 0, or 128 + the number of the signal that closed the window.
    int ExitStatus() const { return exitStatus_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // The Delete key in the list.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    // A transform's radio button was checked.
    void OnTransformChosen(RotationMode mode);
    // The radio buttons follow the selected row's transform.
    void OnSelectionChanged();
    // The destination's own fields: the folder for Folder, the suffix for Suffix.
    void ShowDestinationFields();
    void RestoreGeometry();
    void SaveGeometry();

    std::map<int, QWidget*> controls_;
    QListWidget* inputList_ = nullptr;
    QProgressBar* progress_ = nullptr;
    PreviewPane* preview_ = nullptr;
    ElidedLabel* statusLine_ = nullptr;
    QPushButton* openFolder_ = nullptr;
    QSplitter* splitter_ = nullptr;
    std::vector<QWidget*> folderRow_;
    std::vector<QWidget*> suffixRow_;
    std::string outcomeFolder_;
    QTimer progressTimer_;
    // While the radio buttons follow the selection, they apply nothing.
    bool followingSelection_ = false;
    int exitStatus_ = 0;

    // Declared in this order so that the controller, which may be waiting for
    // a worker, goes before the services it reports through.
    std::unique_ptr<UiServices> services_;
    std::unique_ptr<MainDialogRules> rules_;
    std::unique_ptr<BatchController> controller_;
};

// A transform's caption ("90° Clockwise"), translated.
QString TransformCaption(RotationMode mode);

// Key of the remembered window geometry.
inline constexpr const char* kGeometryKey = "geometry";

}  // namespace kestrel::ui
