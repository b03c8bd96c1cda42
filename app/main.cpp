// veltmoor: the desktop program. No command-line options; config.xml,
// tarnwick.mdb and tables.xml are looked for beside the executable.
#include <QApplication>
#include <clocale>

#include "app/VeltmoorApp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Qt takes the locale from the environment; numbers in the log and the status
    // line are written the same everywhere.
    std::setlocale(LC_NUMERIC, "C");
    veltmoor::CVeltmoorApp theApp;
    theApp.InitInstance();
    return theApp.ExitInstance();
}
