// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Makes a text box tell a drop's source what it took of the dropped text.
//
// QLineEdit accepts a text drop with the proposed action before it inserts
// the text, so a move-drag from elsewhere removed the text at its source even
// when the box's checks (a validator, a length limit) kept none or only part
// of it. With a DropReport a drop the box refused is reported as ignored and
// one it took in part as a copy (or ignored, where the source offers no
// copy), so the source keeps its text; a drop taken whole keeps the proposed
// action. A drag inside the box itself is its own
// affair and left as Qt handles it.

#include <QObject>

class QLineEdit;

class DropReport : public QObject
{
    Q_OBJECT

public:
    // Watches the drops on `field`, for the life of the field.
    static void install(QLineEdit *field);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};
