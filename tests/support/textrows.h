// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Data tables: an array of rows, or written as text (one row a line, cells
// split at "|"), and the escapes of a cell's text.

#include "files/configformat.h"

#include <QTest>

// One data row per entry of `rows`, named by its `name`; the column "row" is its index.
template <typename Row, std::size_t N> void indexRows(const Row (&rows)[N])
{
    QTest::addColumn<int>("row");
    for (const Row &row : rows)
        QTest::newRow(row.name) << int(&row - rows);
}

// Adds the rows of a table written one a line (or split at `rows`): the name,
// then the cells, split at "|" (or `split`), in the column "cells".
inline void addRows(const char *table, QChar rows = u'\n', QChar split = u'|')
{
    QTest::addColumn<QStringList>("cells");
    for (const QString &line : QString::fromUtf8(table).split(rows, Qt::SkipEmptyParts)) {
        QStringList cells;
        for (const QString &cell : line.split(split))
            cells << cell.trimmed();
        QTest::newRow(cells.takeFirst().toLatin1().constData()) << cells;
    }
}

// A cell's text: \s a blank, \r \n \t, ~ 65,535 characters "x".
inline QString unescape(QString cell)
{
    return cell.replace("\\s", " ")
        .replace("\\r", "\r")
        .replace("\\n", "\n")
        .replace("\\t", "\t")
        .replace(u'~', QString(configfile::MaxFieldLength, u'x'));
}
