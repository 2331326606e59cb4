#pragma once

#include <QDialog>

namespace kestrel::ui {

// The About box: the application icon, the version and the credit to the
// Independent JPEG Group, whose library does the JPEG work. OK and Escape
// close it.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace kestrel::ui
