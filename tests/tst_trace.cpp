// The device trace of a whole start-up, a line that stops taking characters,
// and the options that must work without a display.

#include "app/trace.h"
#include "link/escape.h"
#include "link/mscomm.h"
#include "support/panelrig.h"

#include <QBuffer>
#include <QProcess>
#include <QTest>

#include <cerrno>

namespace {

// "direction bytes" per trace line, the reads of one reply joined; the time
// and the tick count never go back.
QStringList events(const QByteArray &trace)
{
    QStringList events;
    qint64 ms = 0, ticks = 0;
    for (const QByteArray &line : trace.trimmed().split('\n')) {
        const QList<QByteArray> part = line.split(' ');
        if (part.size() < 4 || part[0].toLongLong() < ms || part[1].toLongLong() < ticks)
            return {QStringLiteral("bad line: ") + QString::fromUtf8(line)};
        ms = part[0].toLongLong();
        ticks = part[1].toLongLong();
        const QString event = QString::fromUtf8(line.mid(part[0].size() + part[1].size() + 2));
        if (event.startsWith(u'<') && !events.isEmpty() && events.last().startsWith(u'<'))
            events.last() += event.mid(2);
        else
            events << event;
    }
    return events;
}

} // namespace

class TraceTest : public QObject
{
    Q_OBJECT

private slots:
    void startUpIsTracedExactly();
    void stalledLineFailsTheWrite();
    void withoutADisplay_data();
    void withoutADisplay();
};

void TraceTest::startUpIsTracedExactly()
{
    PanelRig rig;
    const QString path = QString::fromStdString(rig.addDevice(1).portPath());
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    new Trace(&rig.panel(), &out);
    rig.start();

    const QStringList probe{QStringLiteral("> @"), QStringLiteral("< Connect\\r\\n")};
    QStringList expected{QStringLiteral("! COM1 ") + path + QStringLiteral(" opened")};
    expected << probe << QStringLiteral("> \\r\\n") << probe << QStringLiteral("> R")
             << QStringLiteral("< Zelvor 2.1");
    const zsim::Memory memory = zsim::factoryDefaults();
    for (int i = 0; i < 8; ++i) {
        const std::string view = "\r\nLocation " + std::to_string(i) +
                                 "\r\nLength = " + std::to_string(memory[i].length) +
                                 " ms\r\nSpace = " + std::to_string(memory[i].space) +
                                 "ms\r\nString = " + memory[i].tones +
                                 (i < 7 ? "\r\nView ended\r\n" : "");
        expected << probe << QStringLiteral("> V") << QStringLiteral("< VM\\r\\n")
                 << QStringLiteral("> %1").arg(i)
                 << QStringLiteral("< ") + escapeLineBytes(QByteArray::fromStdString(view));
    }
    QCOMPARE(events(out.data()), expected);
    QVERIFY(out.data().trimmed().split('\n').last().split(' ').at(1).toInt() > 0);
}

void TraceTest::stalledLineFailsTheWrite()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = rig.start();
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    new Trace(&panel, &out);
    zsim::Faults deaf;
    deaf.deaf = true;
    device.setFaults(deaf);
    int number = 0;
    try {
        panel.MSComm1->output(QString(200000, u'x')); // far more than the line holds
    } catch (const PortError &error) {
        number = error.number();
    }
    QCOMPARE(number, ETIMEDOUT);
    QVERIFY(events(out.data())
                .constLast()
                .startsWith(QStringLiteral("! COM1 %1 failed: The port did not send")
                                .arg(QString::fromStdString(device.portPath()))));
    device.setFaults({}); // the panel goes on once the device reads again
    panel.Connect();
    QVERIFY(panel.Present > 0);
}

void TraceTest::withoutADisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says"); // on standard output for 0, else on standard error
    QTest::newRow("help") << QStringList{"--help"} << 0 << "--trace FILE";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "zelvor " ZELVOR_VERSION;
    QTest::newRow("bad option") << QStringList{"--bogus"} << 2 << "unknown option: --bogus";
    QTest::newRow("trace file cannot be opened") << QStringList{"--trace", "/nonexistent/t"} << 2
                                                 << "cannot open the trace file /nonexistent/t";
}

void TraceTest::withoutADisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ZELVOR_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitCode(), exitCode);
    const QByteArray output =
        exitCode == 0 ? program.readAllStandardOutput() : program.readAllStandardError();
    QVERIFY2(output.contains(says.toUtf8()), output.constData());
}

QTEST_MAIN(TraceTest)
#include "tst_trace.moc"
