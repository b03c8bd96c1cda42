// CVeltmoorApp, the application object: it sets the program's identity (name,
// settings key, icon) and runs the main dialog modally. It holds nothing of its
// own; the QApplication must exist before InitInstance is called.
#pragma once

namespace veltmoor {

class CVeltmoorDlg;

class CVeltmoorApp {
public:
    // Runs the main dialog to its end. Returns false: the program then ends
    // without a message loop of its own.
    bool InitInstance();
    // Shut-down after InitInstance; the program's exit code.
    int ExitInstance();

    CVeltmoorDlg* m_pMainWnd = nullptr;  // the dialog while it runs
};

}  // namespace veltmoor
