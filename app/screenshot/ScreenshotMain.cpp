// veltmoor-screenshot OUTPUT.png [FOLDER]: shows the main dialog on the example
// database (in FOLDER, by default beside this program), presses "Check Accounts"
// and saves a picture of the dialog. Used by scripts/screenshot; not installed.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QThread>
#include <cstdio>

#include "app/Resources.h"
#include "app/VeltmoorDlg.h"

namespace {

void Settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: veltmoor-screenshot OUTPUT.png [FOLDER]\n");
        return 2;
    }
    QApplication::setApplicationName(QString::fromLatin1(veltmoor::kProgramName));
    const QString folder = args.size() == 3 ? args[2] : QApplication::applicationDirPath();
    veltmoor::CVeltmoorDlg dialog(nullptr, QDir(folder).absoluteFilePath(QStringLiteral("veltmoor")).toStdString());
    dialog.show();
    Settle(500);
    // A real click on the button, through the same signal the user's click sends.
    auto* button = qobject_cast<QAbstractButton*>(dialog.GetDlgItem(veltmoor::CVeltmoorDlg::IDC_CHECK_ACCOUNTS));
    if (!button) return 1;
    button->click();
    Settle(500);
    if (!dialog.grab().save(args[1])) {
        std::fprintf(stderr, "veltmoor-screenshot: cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    return 0;
}
