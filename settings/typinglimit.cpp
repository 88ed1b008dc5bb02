// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/typinglimit.h"

#include <QLineEdit>

#include <limits>

TypingLimit::TypingLimit(int limit, QLineEdit *field)
    : QValidator(field), m_limit(limit), m_field(field)
{
    // The box's own length limit would cut text set by the program.
    field->setMaxLength(std::numeric_limits<int>::max());
    field->setValidator(this);
    connect(field, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_lengthBeforeEdit = int(text.size()); });
}

QValidator::State TypingLimit::validate(QString &input, int &position) const
{
    // Text the program sets is taken whole (the box is not modified then);
    // an edit may not make the text longer than the limit, or than a longer
    // text the program put there. Of an insertion that would (a paste, a
    // drop) the characters up to the limit are kept: they end at the cursor.
    const int allowed = qMax(m_limit, m_lengthBeforeEdit);
    if (!m_field->isModified() || input.size() <= allowed)
        return Acceptable;
    const int excess = int(input.size()) - allowed;
    if (position < excess || position > input.size())
        return Invalid;
    input.remove(position - excess, excess);
    position -= excess;
    return Acceptable;
}
