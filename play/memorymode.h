// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "MemoryPlay" dialog: asks which stored locations the device should
// play, one digit "0" to "7" per location, in playing order, up to eight.
// The opener waits for Tag (see PlayDialog) and then reads `Location`.
//
// Acceptance needs a non-empty field; otherwise the user is told "Please
// enter a location" and Tag stays "-1".
//
// The field's key filter refuses every typed character except "0" to "7"
// and the line ends, with the notice "Only numbers 0 through 7 allowed.";
// backspace empties the whole field. Text reaching the field any other way
// (a paste, a drop) is refused with the same notice unless it is location
// digits only; the field never holds more than eight. A drop's source is told
// what the field took (widgets/dropreport.h).

#include "play/playdialog.h"

class QLineEdit;
class QPushButton;

class MemoryMode : public PlayDialog
{
    Q_OBJECT

public:
    // A child window of `parent`; its handlers run through `runner`, or
    // directly when it is empty.
    explicit MemoryMode(QWidget *parent, PlayHost::Runner runner = {});

    QLineEdit *Location = nullptr;
    QPushButton *MemOK = nullptr;
    QPushButton *MemAbort = nullptr;

    void Form_Initialize();
    void Form_Load();
    void MemOK_Click();
    void MemAbort_Click();
    // A typed character, by code; set to 0 when the field must not take it.
    void Location_KeyPress(int &KeyAscii);
    // "Only numbers 0 through 7 allowed."
    static QString refusedNotice();

protected:
    void cancelled() override { MemAbort_Click(); }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CheckEntry(qint16 code);
};
