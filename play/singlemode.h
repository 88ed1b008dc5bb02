#pragma once

// The "Timed Play" dialog: asks for one tone and its duration in
// milliseconds. Modeless; the opener waits for Tag and then reads `Tone` and
// `Duration` directly. The fields filter nothing: their texts are sent as
// typed once the checks pass.
//
// Tag: "-1" pending (set on creation), "0" cancelled (Cancel, Esc or the
// window frame), "1" accepted with OK, "2" accepted with Enter (or a line
// feed) in either field. Acceptance needs, in this order of checks, a
// duration whose numeric value is at most 65535 and at least 20 (a smaller
// one is replaced by "20"), a tone, and a tone that is one of "0"-"9",
// "A"-"D", "a"-"d", "#", "*"; the first failing check is told to the user
// and Tag stays "-1".

#include <QDialog>

class QLineEdit;
class QPushButton;
class Zelvo;

class SingleMode : public QDialog
{
    Q_OBJECT

public:
    // A child window of `main`; its handlers run through main->handle().
    explicit SingleMode(Zelvo *main);

    QString Tag = QStringLiteral("-1");
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

    // Closing through the frame or with Esc counts as Cancel.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void CheckEntry(qint16 code);

    Zelvo *m_main = nullptr;
};
