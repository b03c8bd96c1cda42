#include "tests/app/ModalWatcher.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

namespace veltmoor::test {

ModalSeen RunWithModal(const std::function<void()>& action, const std::function<void(QWidget*)>& inspect) {
    ModalSeen seen;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || seen.seen) return;
        seen.seen = true;
        seen.className = QString::fromLatin1(modal->metaObject()->className());
        seen.title = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) seen.text = box->text();
        if (inspect) inspect(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(QDialog::Accepted);
        else modal->close();
    });
    timer.start();
    action();
    timer.stop();
    return seen;
}

}  // namespace veltmoor::test
