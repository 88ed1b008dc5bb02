#pragma once

// The "File I/O" chooser: drive, directory and file lists and an editable
// path; hands back the chosen path with Tag "1" (accepted) or "0" (cancelled).

#include <QDialog>

class FileIO : public QDialog
{
    Q_OBJECT

public:
    explicit FileIO(QWidget *parent = nullptr);

    QString Tag = QStringLiteral("-1");
};
