// "Reset": tells the device to restore its factory defaults and reads them back.

#include "app/messagebox.h"
#include "app/statusbox.h"
#include "app/zelvo.h"
#include "link/commands.h"
#include "link/mscomm.h"

void Zelvo::Reset_Click()
{
    // Every step is skipped when it fails, so the handler always ends "Ready".
    msgbox::Box warning;
    warning.text =
        QStringLiteral("Are you sure? This will erase all current settings and restore defaults!");
    warning.title = QStringLiteral("RESET");
    warning.buttons = QMessageBox::Ok | QMessageBox::Cancel;
    warning.defaultButton = QMessageBox::Cancel;
    warning.icon = QMessageBox::Warning;
    if (msgbox::show(this, warning) == QMessageBox::Ok) {
        StatusBox->setText(QStringLiteral("RESETTING\r\nOne moment please."));
        resumeNext([&] { MSComm1->output(zcmd::FactoryReset); });
        Pause(zcmd::FactoryResetTicks);
        resumeNext([&] { UpdateButton_Click(); });
    }
    Pause(100);
    StatusBox->setText(QStringLiteral("Ready"));
}
