#include "app/AboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/DialogUnits.h"
#include "app/Resources.h"

namespace veltmoor {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Veltmoor"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(DialogFont());
    const DialogBaseUnits units = BaseUnitsOf(font());
    setFixedSize(MapDialogSize(units, {235, 55}));

    // The icon control takes the icon's own size at its position.
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    const QSize iconSize = LargeIconSize();
    icon->setPixmap(LoadProgramIcon().pixmap(iconSize));
    icon->setGeometry(QRect(MapDialogRect(units, {11, 17, 0, 0}).topLeft(), iconSize));

    auto* name = new QLabel(QStringLiteral("Veltmoor Version 1.0"), this);
    name->setObjectName(QStringLiteral("version"));
    name->setGeometry(MapDialogRect(units, {40, 10, 119, 8}));

    auto* purpose = new QLabel(QStringLiteral("FTP account database checker"), this);
    purpose->setObjectName(QStringLiteral("purpose"));
    purpose->setGeometry(MapDialogRect(units, {40, 25, 119, 8}));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setGeometry(MapDialogRect(units, {178, 7, 50, 16}));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace veltmoor
