// A main dialog started on a temporary program folder (optionally with an
// account database in it) whose connections are counted.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/VeltmoorDlg.h"
#include "tests/accounts/AccountDatabase.h"
#include "tests/app/CountingConnection.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {

class AppTest : public ::testing::Test {
protected:
    // The dialog for the program "veltmoor" in the temporary folder, not yet started.
    std::unique_ptr<CVeltmoorDlg> MakeDialog() {
        auto dlg = std::make_unique<CVeltmoorDlg>(nullptr, dir.File("veltmoor"));
        dlg->m_connectionFactory = CountingFactory(counts);
        return dlg;
    }
    // The same after OnInitDialog, with the account database beside the program.
    std::unique_ptr<CVeltmoorDlg> StartWithDatabase() {
        database = std::make_unique<AccountDatabase>(dir.File("tarnwick.mdb"));
        auto dlg = MakeDialog();
        dlg->OnInitDialog();
        return dlg;
    }

    static std::vector<std::string> Lines(const CVeltmoorDlg& dlg) {
        std::vector<std::string> lines;
        const std::string text = dlg.m_wndLog.GetText();
        for (std::size_t pos = 0; pos < text.size();) {
            const std::size_t end = text.find("\r\n", pos);
            lines.push_back(text.substr(pos, end - pos));
            pos = end + 2;
        }
        return lines;
    }

    TempDir dir;
    std::shared_ptr<ConnectionCounts> counts = std::make_shared<ConnectionCounts>();
    std::unique_ptr<AccountDatabase> database;
};

}  // namespace veltmoor::test
