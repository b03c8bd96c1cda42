// veltmoor: the desktop program. No command-line options; config.xml,
// tarnwick.mdb and tables.xml are looked for beside the executable.
#include <QApplication>
#include "app/VeltmoorApp.h"
#include "base/Locale.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Qt takes the locale from the environment; the C library's stays neutral.
    veltmoor::UseProgramLocale();
    veltmoor::CVeltmoorApp theApp;
    theApp.InitInstance();
    return theApp.ExitInstance();
}
