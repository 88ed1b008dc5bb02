// The device trace of a start-up and of a line that stops taking characters,
// and how it writes the bytes.

#include "app/trace.h"
#include "link/escape.h"
#include "link/mscomm.h"
#include "support/panelrig.h"
#include "version.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QTest>

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
        new Trace(&rig.panel(), &out);
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

        zsim::Faults deaf; // the device stops reading: a long write fails, not hangs
        deaf.deaf = true;
        device.setFaults(deaf);
        QVERIFY_THROWS_EXCEPTION(PortError, rig.panel().MSComm1->output(QString(200000, u'x')));
        QVERIFY(out.data().trimmed().split('\n').last().contains(" ! COM1 " + path.toUtf8() +
                                                                 " failed: The port did not send"));
        device.setFaults({}); // the panel goes on once the device reads again
        const QByteArray written = out.data();
        out.close(); // and once its trace could not be written, without it
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
