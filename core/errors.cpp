// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/errors.h"

#include "core/text.h"

OperationError::OperationError(int number, QString description)
    : m_number(number), m_description(std::move(description)),
      m_what(QStringLiteral("%1 %2").arg(number).arg(m_description).toStdString())
{}

QString errorMessage(const OperationError &error)
{
    return QStringLiteral("Error ") + formatNumber(error.number()) + QStringLiteral("\r\n") +
           error.description();
}
