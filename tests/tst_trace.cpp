// The device trace of a start-up and of a line that stops taking characters,
// and the options that must work without a display.

#include "app/trace.h"
#include "link/mscomm.h"
#include "support/panelrig.h"
#include "version.h"

#include <QBuffer>
#include <QProcess>
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
        rig.panel().Connect();
        QVERIFY(rig.panel().Present > 0);
    }

    void withoutADisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says"); // on standard output for 0, else on standard error
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--trace FILE";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "zelvor " ZELVOR_VERSION;
        QTest::newRow("bad option") << QStringList{"--bogus"} << 2 << "unknown option: --bogus";
        QTest::newRow("trace file cannot be opened")
            << QStringList{"--trace", "/nonexistent/t"} << 2
            << "cannot open the trace file /nonexistent/t";
    }

    void withoutADisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QProcess program;
        program.start("env", QStringList{"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                                         "QT_QPA_PLATFORM", ZELVOR_PROGRAM} +
                                 arguments);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), exitCode);
        const QByteArray output =
            exitCode == 0 ? program.readAllStandardOutput() : program.readAllStandardError();
        QVERIFY2(output.contains(says.toUtf8()), output.constData());
    }
};

QTEST_MAIN(TraceTest)
#include "tst_trace.moc"
