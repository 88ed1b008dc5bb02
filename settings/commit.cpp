// "Save to Zelvo": writes the locations whose update box is checked into the
// device, one at a time, then reads everything back.

#include "app/defprompt.h"
#include "app/messagebox.h"
#include "app/statusbox.h"
#include "app/zelvo.h"
#include "core/text.h"
#include "link/commands.h"
#include "link/mscomm.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

// Brings a millisecond field into the range the device stores, on screen.
void raiseToMinimum(QLineEdit *field)
{
    if (numericValue(field->text()) < zcmd::MinMilliseconds)
        field->setText(QString::number(zcmd::MinMilliseconds));
}

void lowerToMaximum(QLineEdit *field)
{
    if (numericValue(field->text()) > zcmd::MaxStoredMilliseconds)
        field->setText(QString::number(zcmd::MaxStoredMilliseconds));
}

} // namespace

void Zelvo::Commit_Click()
{
    if (!msgbox::askYesNo(this, QStringLiteral("Save Changes to Memory?"))) {
        StatusBox->setText(QStringLiteral("Save operation cancelled"));
    } else {
        StatusBox->setText(QStringLiteral("Saving changes to device memory.\r\n"));
        m_defPrompt->show();
        for (int i = 0; i < zcmd::LocationCount; ++i) {
            ClearBuffer();
            m_defPrompt->setText(QStringLiteral("Saving to Location # "));
            if (Update[i]->isChecked()) {
                m_defPrompt->setText(m_defPrompt->text() + formatNumber(i));
                Connect();
                ClearBuffer();
                bool ready = false;
                if (Present > 0)
                    ready = link().exchange(zcmd::Store, OnFailure::PassOn);
                if (ready) {
                    MSComm1->output(zcmd::locationDigit(i) + zcmd::LineBreak);
                    Pause(zcmd::StorePartTicks);
                    raiseToMinimum(Length[i]);
                    raiseToMinimum(Space[i]);
                    lowerToMaximum(Length[i]);
                    lowerToMaximum(Space[i]);
                    MSComm1->output(Length[i]->text() + zcmd::StoreSeparator + Space[i]->text() +
                                    zcmd::LineBreak);
                    Pause(zcmd::StorePartTicks);
                    // One write per character; the field is read afresh for each,
                    // as the user may go on editing during the pauses.
                    const qsizetype count = MemString[i]->text().size();
                    for (qsizetype c = 0; c < count; ++c) {
                        MSComm1->output(MemString[i]->text().mid(c, 1));
                        Pause(zcmd::StorePartTicks);
                    }
                    Pause(zcmd::StorePartTicks);
                    if (MemString[i]->text().size() < zcmd::MaxTones)
                        MSComm1->output(zcmd::StoreEndMark);
                }
            }
            Update[i]->setChecked(false);
        }
    }
    UpdateButton_Click();
    Pause(100);
    StatusBox->setText(QStringLiteral("Ready"));
}
