#pragma once

// The "MemoryPlay" dialog: asks which stored locations the device should
// play, one digit "0" to "7" per location, in playing order, up to eight.
// Modeless; the opener waits for Tag and then reads `Location` directly.
//
// Tag: "-1" pending (set on creation), "0" cancelled (Cancel, Esc or the
// window frame), "1" accepted with Ok, "2" accepted with Enter (or a line
// feed) in the field. Acceptance needs a non-empty field; otherwise the user
// is told "Please enter a location" and Tag stays "-1".
//
// The field's key filter refuses every typed character except "0" to "7"
// and the line ends, with the notice "Only numbers 0 through 7 allowed.";
// backspace empties the whole field. Text reaching the field any other way
// (a paste, a drop) is refused with the same notice unless it is location
// digits only; the field never holds more than eight. A drop's source is told
// what the field took (app/dropreport.h).

#include <QDialog>

class QLineEdit;
class QPushButton;
class Zelvo;

class MemoryMode : public QDialog
{
    Q_OBJECT

public:
    // A child window of `main`; its handlers run through main->handle().
    explicit MemoryMode(Zelvo *main);

    QString Tag = QStringLiteral("-1");
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

    // Closing through the frame or with Esc counts as Cancel.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void CheckEntry(qint16 code);

    Zelvo *m_main = nullptr;
};
