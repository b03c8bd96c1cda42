// The About box (dialog 100): the program icon, its name and version, and OK.
// It has no behaviour beyond closing; the caller runs it modally with exec().
#pragma once

#include <QDialog>

namespace veltmoor {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 100 };
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace veltmoor
