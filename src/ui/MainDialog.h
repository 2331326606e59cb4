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

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace kestrel::ui {

class InputListDelegate;
class PreviewPane;
class UiServices;

// The application's only window: the input list, the output directory, the
// five transforms, the progress bar and the buttons, laid out from its
// template in dialog units; below them the status line that tells how the
// last batch ended, and at the right the preview of the selected file (or
// the first one). Button 1 ("Go"/"Stop") is the default button, so Enter
// runs it and never closes the window; Quit, Escape and the close box end the
// program, after asking whether to stop a running batch.
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
    QLabel* StatusLine() const { return statusLine_; }
    QPushButton* OpenFolderButton() const { return openFolder_; }
    QTimer& ProgressTimer() { return progressTimer_; }
    int CompactWidth() const { return CompactWidth_; }

    UiServices& Services() { return *services_; }
    BatchController& Controller() { return *controller_; }

    // Command handlers.
    void OnGoStop();
    void OnQuit();
    void OnAdd();
    void OnBrowseOutputDirectory();
    void OnRemove();
    void OnDropFiles(const std::vector<std::string>& names);
    void OnTimer();
    // A command of the window menu; IDM_ABOUTBOX opens the About box.
    void OnSysCommand(int command);
    void OnOpenFolder();

    // The status line's text, and the folder that "Open Folder" opens (none:
    // the button is hidden).
    void ShowOutcome(const QString& text, const std::string& folder);
    // Shows the selected entry (or the first) under the checked transform.
    void UpdatePreview();

    // Escape and the close box arrive here.
    void reject() override;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // The Delete key in the list.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();

    std::map<int, QWidget*> controls_;
    QListWidget* inputList_ = nullptr;
    QProgressBar* progress_ = nullptr;
    InputListDelegate* delegate_ = nullptr;
    PreviewPane* preview_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QPushButton* openFolder_ = nullptr;
    std::string outcomeFolder_;
    QTimer progressTimer_;
    // The list's outer width in pixels, measured once it is created.
    int CompactWidth_ = 0;

    // Declared in this order so that the controller, which may be waiting for
    // a worker, goes before the services it reports through.
    std::unique_ptr<UiServices> services_;
    std::unique_ptr<MainDialogRules> rules_;
    std::unique_ptr<BatchController> controller_;
};

}  // namespace kestrel::ui
