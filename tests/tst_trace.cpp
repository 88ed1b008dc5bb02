// SPDX-License-Identifier: GPL-3.0-or-later
// The device trace of a start-up and of a line that stops taking characters
// for a while or for good, and how it writes the bytes.

#include "link/escape.h"
#include "link/mscomm.h"
#include "link/trace.h"
#include "play/keypad.h"
#include "support/panelrig.h"

#include <QBuffer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <future>
#include <thread>

class TraceTest : public QObject
{
    Q_OBJECT

private slots:
    void startUpAndStalledLineAreTraced()
    {
        PanelRig rig;
        zsim::SimulatedDevice &device = rig.addDevice(1);
        const QString path = QString::fromStdString(device.portPath());
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        new Trace(*rig.panel().MSComm1, rig.panel().link(), &out, &rig.panel());
        rig.mark();
        rig.panel().start();
        // "tick direction bytes" per event, a reply's reads joined into one line without tick.
        const auto add = [](QStringList &events, qint64 tick, const QString &event) {
            if (event.startsWith(u'<') && events.last().startsWith(u'<'))
                events.last() += event.mid(2);
            else
                events << (event.startsWith(u'<') ? event : QString::number(tick) + u' ' + event);
        };
        QStringList wire{QStringLiteral("25 ! COM1 ") + path + QStringLiteral(" opened")}, traced;
        static const QRegularExpression rigLine(QStringLiteral(R"re(^(\d+) ([<>] )"(.*)"$)re"));
        for (const QString &line : rig.transcript()) {
            const QRegularExpressionMatch m = rigLine.match(line);
            if (m.hasMatch())
                add(wire, m.captured(1).toLongLong(), m.captured(2) + m.captured(3));
        }
        // The trace: "ms ticks direction bytes", the time never going back.
        static const QRegularExpression traceLine(QStringLiteral(R"(^(\d+) (\d+) ([<>!] .*)$)"));
        qint64 ms = 0, ticks = 0;
        for (const QByteArray &line : out.data().trimmed().split('\n')) {
            const QRegularExpressionMatch m = traceLine.match(QString::fromUtf8(line));
            QVERIFY2(m.hasMatch() && m.captured(1).toLongLong() >= ms, line.constData());
            ms = m.captured(1).toLongLong();
            add(traced, ticks = m.captured(2).toLongLong(), m.captured(3));
        }
        QCOMPARE(traced, wire);
        QCOMPARE(ticks, rig.ticks());

        // A line held back a while: the write waits for it and goes out.
        const zsim::Faults stalled = faultsOf(&zsim::Faults::stalled);
        device.setFaults(stalled);
        const auto release = std::async(std::launch::async, [&device] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            device.setFaults({});
        });
        QVERIFY_THROWS_NO_EXCEPTION(rig.panel().MSComm1->output(QStringLiteral("@")));
        QVERIFY(out.data().endsWith(" > @\n"));

        // A stalled adapter costs one write limit and one report: the port
        // closes, and the keys pressed after it fail at once.
        device.setFaults(stalled);
        const qsizetype before = out.size();
        for (QPushButton *key : {rig.panel().keypad()->KeyPad[0], rig.panel().keypad()->KeyPad[1]})
            QTest::mouseClick(key, Qt::LeftButton);
        static const QRegularExpression stamps(QStringLiteral("^\\d+ \\d+ "),
                                               QRegularExpression::MultilineOption);
        const QString port = QStringLiteral("! COM1 ") + path;
        QCOMPARE(QString::fromUtf8(out.data().mid(before)).remove(stamps),
                 port +
                     " failed: The port did not send what was written (2 characters) within "
                     "2003 ms: the device is not taking it, or the adapter has stalled. It was "
                     "discarded and the port has been closed\n" +
                     port + " closed\n");
        device.setFaults({}); // "Update" opens it again
        rig.panel().settings().UpdateButton->click();
        QVERIFY(rig.panel().MSComm1->portOpen() && out.data().contains(port.toUtf8() + " opened"));
        const QByteArray written = out.data();
        out.close(); // the panel goes on once its trace could not be written, without it
        rig.panel().Connect();
        out.open(QIODevice::Append);
        rig.panel().Connect();
        QVERIFY(rig.panel().Present > 0);
        QCOMPARE(out.data(), written);
    }

    void controlCharactersEscaped()
    {
        QCOMPARE(escapeLineBytes("\r\n\t\\\x1f \x7e\x7f\x80\x9f\xa0\xff"),
                 QStringLiteral("\\r\\n\\t\\\\\\x1f ~\\x7f\\x80\\x9f\u00a0\u00ff"));
    }
};

QTEST_MAIN(TraceTest)
#include "tst_trace.moc"
