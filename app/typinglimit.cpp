#include "app/typinglimit.h"

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
    Q_UNUSED(position);
    // Text the program sets is taken whole (the box is not modified then);
    // an edit may not make the text longer than the limit, or than a longer
    // text the program put there.
    if (!m_field->isModified())
        return Acceptable;
    return input.size() <= qMax(m_limit, m_lengthBeforeEdit) ? Acceptable : Invalid;
}
