// A main dialog on a temporary program folder (optionally with an account database in it), and a way to look at the
// modal windows (message boxes, About box) its actions open without blocking the test.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "app/VeltmoorDlg.h"
#include "tests/accounts/AccountDatabase.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {

// What a modal window showed: its class, title and (a message box's) text.
struct ModalSeen { QString className, title, text; };

// Runs action; a timer finds the modal window it opens, notes it and closes it.
inline ModalSeen RunWithModal(const std::function<void()>& action) {
    ModalSeen seen;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!modal || !seen.className.isEmpty()) return;
        auto* box = qobject_cast<QMessageBox*>(modal);
        seen = {QString::fromLatin1(modal->metaObject()->className()), modal->windowTitle(), box ? box->text() : QString()};
        modal->done(QDialog::Accepted);
    });
    timer.start(10);
    action();
    return seen;
}

class AppTest : public ::testing::Test {
protected:
    // The dialog for the program "veltmoor" in the temporary folder, not yet started.
    std::unique_ptr<CVeltmoorDlg> MakeDialog() { return std::make_unique<CVeltmoorDlg>(nullptr, dir.File("veltmoor")); }
    // The same after OnInitDialog, with the account database beside the program.
    std::unique_ptr<CVeltmoorDlg> StartWithDatabase() {
        database = std::make_unique<AccountDatabase>(dir.File("tarnwick.mdb"));
        auto dlg = MakeDialog();
        dlg->OnInitDialog();
        return dlg;
    }

    TempDir dir;
    std::unique_ptr<AccountDatabase> database;
};

}  // namespace veltmoor::test
