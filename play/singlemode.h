#pragma once

// The "Timed Play" dialog: asks for one tone and its duration. Its result is
// Tag: "-1" pending, "0" cancelled, "1" accepted with OK, "2" accepted with
// Enter in either field.

#include <QDialog>

class QLineEdit;
class QPushButton;

class SingleMode : public QDialog
{
    Q_OBJECT

public:
    explicit SingleMode(QWidget *parent = nullptr);

    QString Tag = QStringLiteral("-1");
    QLineEdit *Tone = nullptr;
    QLineEdit *Duration = nullptr;
    QPushButton *OK = nullptr;
    QPushButton *Cancel = nullptr;
};
