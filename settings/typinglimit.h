// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A typing limit for a text box that binds only what the user types: text the
// program puts into the box (a device reply, an imported file) is kept whole,
// however long, and the user may still shorten or edit it. A paste or drop
// that would go past the limit keeps its characters up to the limit.

#include <QValidator>

class QLineEdit;

class TypingLimit : public QValidator
{
    Q_OBJECT

public:
    // Installs itself on `field` with a limit of `limit` typed characters.
    TypingLimit(int limit, QLineEdit *field);

    State validate(QString &input, int &position) const override;
    int limit() const { return m_limit; }

private:
    int m_limit = 0;
    QLineEdit *m_field = nullptr;
    int m_lengthBeforeEdit = 0;
};
