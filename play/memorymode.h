#pragma once

// The "MemoryPlay" dialog: asks which stored locations the device should
// play. Its result is Tag: "-1" pending, "0" cancelled, "1" accepted with Ok,
// "2" accepted with Enter in the field.

#include <QDialog>

class QLineEdit;
class QPushButton;

class MemoryMode : public QDialog
{
    Q_OBJECT

public:
    explicit MemoryMode(QWidget *parent = nullptr);

    QString Tag = QStringLiteral("-1");
    QLineEdit *Location = nullptr;
    QPushButton *MemOK = nullptr;
    QPushButton *MemAbort = nullptr;
};
