#include "app/VeltmoorApp.h"

#include <QApplication>

#include "app/Resources.h"
#include "app/VeltmoorDlg.h"

namespace veltmoor {

bool CVeltmoorApp::InitInstance() {
    // The settings key of generated applications; kept, though nothing is stored.
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QString::fromLatin1(kProgramName));
    // Task bars match the running window to veltmoor.desktop by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("veltmoor"));
    QApplication::setWindowIcon(LoadProgramIcon());

    CVeltmoorDlg dlg;
    m_pMainWnd = &dlg;
    dlg.exec();  // the result is not used
    m_pMainWnd = nullptr;
    return false;
}

int CVeltmoorApp::ExitInstance() { return 0; }

}  // namespace veltmoor
