// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Tables with one struct per row, and transcripts built the way the panel
// talks (as PanelRig records them), the waits taken from the command set.

#include "link/escape.h"
#include "link/mscomm.h"
#include "sim/protocol.h"
#include "support/panelrig.h"

#include <QAction>
#include <QTest>

#include <map>
#include <optional>

// A data table of one column "row", and its current row.
template <typename Row> void table(std::initializer_list<std::pair<const char *, Row>> rows)
{
    QTest::addColumn<Row>("row");
    for (const auto &[name, row] : rows)
        QTest::newRow(name) << row;
}

template <typename Row> const Row &fetch()
{
    return *static_cast<Row *>(QTest::qData("row", qMetaTypeId<Row>()));
}

inline const QByteArray NoDevice =
    "Zelvor: Error! No open Comm Ports or Zelvo found.\r\n Do you wish to continue?";
inline const zsim::Faults Silent = faultsOf(&zsim::Faults::silent);
inline const zsim::Faults LowerCaseMarkers = faultsOf(&zsim::Faults::lowerCaseMarkers);

// "COM2 0100 2": the open port ("-" none), the check marks of COM1 to COM4, the
// port number kept; "ended" once the application has ended.
inline QString ports(Zelvo &panel)
{
    if (panel.hasEnded())
        return QStringLiteral("ended");
    QString text = panel.MSComm1->portOpen() ? "COM" + QString::number(panel.MSComm1->commPort())
                                             : QStringLiteral("-");
    text += ' ';
    for (int port = 1; port <= 4; ++port)
        text += panel.portMenu().comItem(port)->isChecked() ? '1' : '0';
    return text + ' ' + QString::number(panel.deviceSearch().CPort);
}

struct WireScript
{
    QString text; // the lines so far
    int t = 0;    // the tick of the next line
    QString port; // "" on COM1, "2" on COM2, ...

    WireScript &wait(int ticks)
    {
        t += ticks;
        return *this;
    }
    WireScript &line(const QString &what, const QByteArray &bytes)
    {
        text += QStringLiteral("%1 %2 \"%3\"\n").arg(t).arg(what, escapeLineBytes(bytes));
        return *this;
    }
    WireScript &out(const QByteArray &bytes) { return line(port + '>', bytes); }
    WireScript &in(const QByteArray &bytes) { return line(port + '<', bytes); }
    WireScript &status(const QByteArray &text) { return line("status", text); }
    WireScript &prompt(const QByteArray &text) { return line("prompt", text); }
    WireScript &box(const QByteArray &text) { return line("box", text); }
    // Connect where the device answers ('D'), keeps silent ('s') or no port is open.
    WireScript &probe(char port = 'D')
    {
        status("Connecting").wait(10);
        if (port == 'D')
            return out("@").in("Connect\r\n").wait(15).status("Connected");
        return (port == 's' ? out("@") : *this).wait(15);
    }
    // The search once the device answered, and the read of a device holding `memory`.
    WireScript &found(const zsim::Memory &memory, const QByteArray &firmware = "Zelvor 2.1")
    {
        prompt("Zelvo Found").wait(30).prompt("Reading Current Settings");
        out("\r\n").wait(10).probe().out("R").in(firmware).wait(10);
        for (int i = 0; i < 8; ++i) {
            const QByteArray digit = QByteArray::number(i);
            wait(10).probe().wait(10).out("V").in("VM\r\n").wait(15);
            status("\r\nReading Location # " + digit).out(digit);
            in(QByteArray::fromStdString(zsim::detail::viewText(i, memory[i]))).wait(30);
        }
        return status("Ready");
    }
    // "Update" while the device answers on the open COM1, or without a memory: with no
    // device on any port, the search's question answered "continue".
    WireScript &update(const std::optional<zsim::Memory> &memory,
                       const QByteArray &firmware = "Zelvor 2.1")
    {
        status("Reading the device settings").wait(100).status("");
        prompt("Looking for a Zelvo").probe(memory ? 'D' : 'x');
        for (char n = '1'; n <= (memory ? '1' : '4'); ++n)
            status(QByteArray("Trying COM Port # ") + n).probe(memory ? 'D' : 'x');
        return memory ? found(*memory, firmware) : box(NoDevice).status("");
    }
};
