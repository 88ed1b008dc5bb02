// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A part of the panel whose texts a configuration file keeps, as the file
// sees it: lines of three fields (configfile::FieldsPerLine), read and
// written one field at a time, in file order. The settings panel is the
// eight locations (tone string, length, space); the Multi Play window is its
// twenty entries (tone, duration, space).
//
// Export reads every field of every part, then writes the file; import reads
// the whole file before it writes the first field, so a part sees either
// nothing or all of its fields set.

#include <QString>

class ConfigView
{
public:
    virtual ~ConfigView() = default;

    // How many lines of the file the part fills.
    virtual int configLines() const = 0;
    // Field `column` (0 to 2) of the part's line `line` (0 to configLines() - 1).
    virtual QString configField(int line, int column) const = 0;
    virtual void setConfigField(int line, int column, const QString &text) = 0;
};
