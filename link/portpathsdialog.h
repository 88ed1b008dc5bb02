// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The dialog "Port Paths": one row per port, labelled "COM1" to "COM4", each
// an editable combo box (accessible name "COM1" to "COM4") offering
// "Automatic" and every detected port as "NAME - description", and taking
// any typed path. Buttons "OK" and "Cancel"; Esc and the window frame
// cancel. The dialog only asks: the opener shows it, waits until
// isAnswered(), and reads paths() when it was accepted.

#include "link/portdetector.h"
#include "link/portmap.h"

#include <QDialog>

#include <array>

class QComboBox;
class QPushButton;

class PortPathsDialog : public QDialog
{
    Q_OBJECT

public:
    // `current` fills the rows (empty: Automatic).
    PortPathsDialog(const DetectedPorts &detected, const PortMap &current,
                    QWidget *parent = nullptr);

    bool isAnswered() const { return m_answered; }
    bool isAccepted() const { return m_answered && result() == Accepted; }
    // The rows as paths: empty for Automatic, the port's name for an offered
    // port, else the typed text without surrounding blanks.
    PortMap paths() const;

    QComboBox *row(int port) const { return m_rows[port - 1]; }
    QPushButton *OK = nullptr;
    QPushButton *Cancel = nullptr;

    static QString automaticText() { return QStringLiteral("Automatic"); }

private:
    std::array<QComboBox *, PortMap::LastPort> m_rows{};
    bool m_answered = false;
};
