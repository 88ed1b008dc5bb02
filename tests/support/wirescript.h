#pragma once

// An expected transcript, written the way the panel talks: a running tick and
// one line per event, in the form PanelRig records them. The waits come from
// the command set; the device's replies from the simulated device.

#include "link/escape.h"
#include "sim/protocol.h"

#include <QString>

struct WireScript
{
    QString text;  // the lines so far
    int t = 0;     // the tick of the next line
    QString port;  // "" on COM1, "2" on COM2, ...

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
    WireScript &out(const QByteArray &bytes) { return line(port + QLatin1Char('>'), bytes); }
    WireScript &in(const QByteArray &bytes) { return line(port + QLatin1Char('<'), bytes); }
    WireScript &status(const QByteArray &text) { return line(QStringLiteral("status"), text); }
    WireScript &prompt(const QByteArray &text) { return line(QStringLiteral("prompt"), text); }
    WireScript &box(const QByteArray &text) { return line(QStringLiteral("box"), text); }

    // Connect: 10 ticks of discarding, the probe, 15 ticks for its answer.
    WireScript &probe(bool answered = true)
    {
        status("Connecting").wait(10).out("@");
        if (answered)
            in("Connect\r\n");
        wait(15);
        return answered ? status("Connected") : *this;
    }
    // The search once the device answered: 30 ticks, a line break, a discard.
    WireScript &found()
    {
        return prompt("Zelvo Found").wait(30).prompt("Reading Current Settings").out("\r\n").wait(10);
    }
    // The settings read from a device holding `memory`.
    WireScript &read(const zsim::Memory &memory, const QByteArray &firmware = "Zelvor 2.1")
    {
        probe().out("R").in(firmware).wait(10);
        for (int i = 0; i < 8; ++i) {
            const QByteArray digit = QByteArray::number(i);
            wait(10).probe().wait(10).out("V").in("VM\r\n").wait(15);
            status("\r\nReading Location # " + digit).out(digit);
            in(QByteArray::fromStdString(zsim::detail::viewText(i, memory[i]))).wait(30);
        }
        return status("Ready");
    }
    // "Update" while the device answers on the open COM1.
    WireScript &update(const zsim::Memory &memory, const QByteArray &firmware = "Zelvor 2.1")
    {
        status("Reading the device settings").wait(100).status("");
        prompt("Looking for a Zelvo").probe().status("Trying COM Port # 1").probe();
        return found().read(memory, firmware);
    }
};
