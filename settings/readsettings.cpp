// Reading the firmware version and the eight locations from the device into
// the panel, and the "Update" button that clears the panel and searches again.

#include "app/statusbox.h"
#include "app/zelvo.h"
#include "core/text.h"
#include "link/commands.h"
#include "link/mscomm.h"
#include "settings/locationreply.h"

#include <QLabel>
#include <QLineEdit>

void Zelvo::ReadDeviceSettings()
{
    // No handling of its own: a failure (a port gone, a reply that cannot be
    // cut) ends the read and passes to the search, which recovers.
    Connect();
    if (Present > 0) {
        MSComm1->setInBufferCount(0);
        link().exchange(zcmd::FirmwareQuery, OnFailure::PassOn);
        Firmware->setText(Firmware->text() + RtnString);
    }
    for (int i = 0; i < zcmd::LocationCount; ++i) {
        ClearBuffer();
        Connect();
        ClearBuffer();
        if (Present > 0) {
            const bool viewing = link().exchange(zcmd::ViewLocation, OnFailure::PassOn);
            StatusBox->setText(QStringLiteral("\r\nReading Location #") + formatNumber(i));
            if (viewing)
                link().exchange(zcmd::viewDigit(i), OnFailure::PassOn);
        }
        // Each value is stored as soon as it is cut, so a reply that breaks
        // off keeps what came before it.
        Length[i]->setText(cutLength(RtnString));
        Space[i]->setText(cutSpace(RtnString));
        MemString[i]->setText(cutTones(RtnString, i));
    }
    StatusBox->setText(QStringLiteral("Ready"));
}

void Zelvo::UpdateButton_Click()
{
    Firmware->setText(QStringLiteral("Firmware Version:"));
    StatusBox->setText(QStringLiteral("Reading the device settings"));
    for (int i = 0; i < zcmd::LocationCount; ++i) {
        Length[i]->setText(QString());
        Space[i]->setText(QString());
        MemString[i]->setText(QString());
    }
    Pause(100);
    StatusBox->setText(QString());
    deviceSearch().Form_Initialize();
}
