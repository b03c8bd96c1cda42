// veltmoor: the desktop program. No command-line options; config.xml,
// tarnwick.mdb and tables.xml are looked for beside the executable.
#include <QApplication>

#include "app/VeltmoorApp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    veltmoor::CVeltmoorApp theApp;
    theApp.InitInstance();
    return theApp.ExitInstance();
}
