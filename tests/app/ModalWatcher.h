// Runs an action that opens a modal window (message box, About box) without
// blocking the test: a timer finds the window through activeModalWidget, lets
// the test look at it, and closes it.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace veltmoor::test {

struct ModalSeen {
    bool seen = false;
    QString className;  // e.g. "QMessageBox", "veltmoor::CAboutDlg"
    QString title;
    QString text;       // a message box's text
};

// inspect (optional) is called with the modal window before it is closed.
ModalSeen RunWithModal(const std::function<void()>& action, const std::function<void(QWidget*)>& inspect = {});

}  // namespace veltmoor::test
