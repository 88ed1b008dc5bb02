// The settings panel's own buttons and the focus tracking that keeps typed
// digits and letters from playing tones.

#include "app/statusbox.h"
#include "app/zelvo.h"
#include "play/keypad.h"
#include "play/multiplay.h"

#include <QCheckBox>
#include <QLineEdit>

void Zelvo::AllOn_Click()
{
    for (QCheckBox *box : Update)
        box->setChecked(true);
}

void Zelvo::AllOff_Click()
{
    for (QCheckBox *box : Update)
        box->setChecked(false);
}

void Zelvo::Clear_Click()
{
    keypad()->ToneStr.clear();
    StatusBox->setText(QString());
    for (int i = 0; i < 8; ++i) {
        MemString[i]->setText(QString());
        Length[i]->setText(QString());
        Space[i]->setText(QString());
    }
    // The Multi Play list is emptied too, creating its window hidden if needed.
    multiPlay()->clearList();
    Pause(100);
    StatusBox->setText(QStringLiteral("Ready"));
}

void Zelvo::Length_GotFocus(int)
{
    Focused = kFalse;
}

void Zelvo::Space_GotFocus(int)
{
    Focused = kFalse;
}

void Zelvo::MemString_GotFocus(int)
{
    Focused = kFalse;
}

void Zelvo::Length_LostFocus(int)
{
    Focused = kTrue;
}

void Zelvo::Space_LostFocus(int)
{
    Focused = kTrue;
}

void Zelvo::MemString_LostFocus(int)
{
    Focused = kTrue;
}
