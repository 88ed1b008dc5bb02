// The device trace and the bounded write: what the trace records of a whole
// start-up, and a line that stops taking characters.

#include "app/trace.h"
#include "link/escape.h"
#include "link/mscomm.h"
#include "support/panelrig.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>

namespace {

// The trace's events as "direction text", the bytes of one reply joined even
// when they came in several reads; checks that time and ticks never go back.
QStringList events(const QByteArray &trace)
{
    static const QRegularExpression shape(QStringLiteral("^(\\d+) (\\d+) ([<>!]) (.*)$"));
    QStringList events;
    qint64 lastMs = 0, lastTicks = 0;
    for (const QByteArray &line : trace.split('\n')) {
        if (line.isEmpty())
            continue;
        const auto match = shape.match(QString::fromUtf8(line));
        if (!match.hasMatch() || match.captured(1).toLongLong() < lastMs ||
            match.captured(2).toLongLong() < lastTicks)
            return {QStringLiteral("bad line: ") + QString::fromUtf8(line)};
        lastMs = match.captured(1).toLongLong();
        lastTicks = match.captured(2).toLongLong();
        const QString event = match.captured(3) + QLatin1Char(' ') + match.captured(4);
        if (event.startsWith(u'<') && !events.isEmpty() && events.last().startsWith(u'<'))
            events.last() += match.captured(4);
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
};

void TraceTest::startUpIsTracedExactly()
{
    PanelRig rig;
    const QString path = QString::fromStdString(rig.addDevice(1).portPath());
    Zelvo &panel = rig.panel();
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    new Trace(&panel, &out);
    panel.start();

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

    // Far more than the line holds while nobody reads it.
    int number = 0;
    try {
        panel.MSComm1->output(QString(200000, u'x'));
    } catch (const PortError &error) {
        number = error.number();
    }
    QCOMPARE(number, ETIMEDOUT);
    QVERIFY(events(out.data())
                .constLast()
                .startsWith(QStringLiteral("! COM1 %1 failed: The port did not send")
                                .arg(QString::fromStdString(device.portPath()))));

    // The panel goes on with the device once it reads again.
    device.setFaults({});
    panel.Connect();
    QVERIFY(panel.Present > 0);
}

QTEST_MAIN(TraceTest)
#include "tst_trace.moc"
