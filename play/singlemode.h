// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "Timed Play" dialog: asks for one tone and its duration in
// milliseconds. The opener waits for Tag (see PlayDialog) and then reads
// `Tone` and `Duration`. The fields filter nothing: their texts are sent as
// typed once the checks pass.
//
// Enter (or a line feed) accepts in either field. Acceptance needs, in this
// order of checks, a duration whose numeric value is at most 65535 and at
// least 20 (a smaller one is replaced by "20"), a tone, and a tone that is
// one of "0"-"9", "A"-"D", "a"-"d", "#", "*"; the first failing check is told
// to the user and Tag stays "-1".

#include "play/playdialog.h"

class QLineEdit;
class QPushButton;

class SingleMode : public PlayDialog
{
    Q_OBJECT

public:
    // A child window of `parent`; its handlers run through `runner`, or
    // directly when it is empty.
    explicit SingleMode(QWidget *parent, PlayHost::Runner runner = {});

    QLineEdit *Tone = nullptr;
    QLineEdit *Duration = nullptr;
    QPushButton *OK = nullptr;
    QPushButton *Cancel = nullptr;

    void Form_Initialize();
    void Form_Load();
    void OK_Click();
    void Cancel_Click();
    // A typed character, by code; every character still reaches the field.
    void Tone_KeyPress(int &KeyAscii);
    void Duration_KeyPress(int &KeyAscii);

protected:
    void cancelled() override { Cancel_Click(); }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CheckEntry(qint16 code);
};
