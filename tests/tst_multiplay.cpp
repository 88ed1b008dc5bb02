// The Multi Play window: its editing rules as typed keys, and sending the
// list, opening and closing the window as operations with their events.

#include "play/multiplay.h"
#include "support/operationrows.h"

#include <QWindow>

namespace {

QString cellName(MultiPlay &window)
{
    return QStringLiteral("%1,%2").arg(window.currentRow()).arg(window.currentColumn());
}

// Types `keys`: a character as itself, \r Enter, \b Backspace, ~N the numeric
// pad's N, ! "Clear Form". Gives for each key the current cell's text, after
// "row,column:" when the cell changed.
QString type(MultiPlay &window, const QString &keys)
{
    QStringList trace;
    QString cell = cellName(window);
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const char key = keys[i].toLatin1();
        if (key == '~')
            QTest::keyClick(window.windowHandle(), Qt::Key(Qt::Key_0 + keys[++i].digitValue()),
                            Qt::KeypadModifier);
        else if (key == '!')
            window.Clear->click();
        else if (key == '\r' || key == '\b')
            QTest::keyClick(window.windowHandle(),
                            key == '\r' ? Qt::Key_Return : Qt::Key_Backspace);
        else
            QTest::keyClick(window.windowHandle(), key);
        const QString text = window.textMatrix(window.currentRow(), window.currentColumn());
        trace << (cellName(window) == cell ? text : (cell = cellName(window)) + u':' + text);
    }
    return trace.join(u'|');
}

const QString Range = QStringLiteral("0 box \"ERROR: Only numbers between 20 and 65535 allowed.\"");

} // namespace

class MultiPlayTest : public QObject
{
    Q_OBJECT

private slots:
    void editing_data();
    void editing();
    void operations_data();
    void operations();
};

void MultiPlayTest::editing_data()
{
    QTest::addColumn<QString>("start"); // the current cell, and a text put there first
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("trace");
    QTest::addColumn<QString>("boxes");
    const auto row = [](const char *name, const char *start, const char *keys, const char *trace,
                        const QString &boxes) {
        QTest::newRow(name) << start << keys << trace << boxes;
    };
    row("tone", "1,1", "5E5e5@5`5/5:5\b9#*AbDad0~3", "5||5||5||5||5||5||5||9|#|*|A|b|D|a|d|0|3",
        "");
    row("duration", "4,2", "123456\b70000", "1|12|123|1234|12345|12345||7|70|700|7000|", Range);
    row("duration limit", "4,2", "65535\b655360100x\b~4~2!",
        "6|65|655|6553|65535||6|65|655|6553||0|01|010|0100|0100||4|42|",
        Range + " | 0 box \"ERROR: Only numbers 0 - 9 allowed\"");
    row("space", "9,3", "700001\r250-\b", "7|70|700|7000|70000|70000||2|25|250|250|",
        Range + " | 0 box \"ERROR: Sorry.Only numbers 0 - 9 allowed\"");
    row("enter", "1,1", "\r\r19\r20\r\r65535\r",
        "1,2:||1|19||2|20|1,3:||6|65|655|6553|65535|2,1:", Range + " | " + Range + " | " + Range);
    row("enter above the range in Tone", "2,1=70000", "\r", "", Range);
    row("enter wraps from row 20", "20,3", "50\r", "5|50|1,1:", "");
}

void MultiPlayTest::editing()
{
    QFETCH(QString, start);
    QFETCH(QString, keys);
    QFETCH(QString, trace);
    QFETCH(QString, boxes);
    PanelRig rig;
    rig.addDevice(1);
    MultiPlay &window = *rig.start().multiPlay();
    window.show();
    const QStringList cell = start.section(u'=', 0, 0).split(u',');
    window.setCurrentCell(cell[0].toInt(), cell[1].toInt());
    window.setTextMatrix(cell[0].toInt(), cell[1].toInt(), start.section(u'=', 1));
    QCOMPARE(type(window, keys), trace);
    compareEvents(rig, boxes, QStringLiteral("> box status"));
}

void MultiPlayTest::operations_data()
{
    QTest::addColumn<QString>("list"); // "row=tone,duration,space;..."
    // Empty: Send is pressed. Otherwise "Multi Play" is pressed for each part
    // ("|" between), and in the window shown keys are typed and [close]
    // [frame] [send] [multi] pressed, in turn from the event loop.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("events"); // silent, closed, TICK:nomarkers|hangup|com2|end|close
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const char *list, const char *steps, const char *events,
                        const char *expected) {
        QTest::newRow(name) << list << steps << events << expected;
    };
    row("two rows", "1=5,100,50;2=#,250,20", "", "",
        R"(10 > "@" | 10 < "Connect\r\n" | 35 prompt "Sending Data" | 35 > "F" | 35 < "MM\r\n"
        45 > "5," | 45 > "100," | 45 > "50\r\n" | 60 > "#," | 60 > "250," | 60 > "20\r\n"
        85 > "\r\n")");
    row("cells as they stand", "1=5,,;2=,300,40;3=b,007,99999;20=D,20,65535", "", "",
        "wire:@F5,,\r\nb,007,99999\r\nD,20,65535\r\n\r\n");
    row("empty list", "", "", "", "wire:@F\r\n");
    row("silent device", "1=5,100,50", "", "silent", R"(10 > "@" | 45 > "\r\n")");
    row("closed port", "1=5,100,50", "", "closed", "");
    row("no MM", "1=5,100,50", "", "20:nomarkers",
        R"(10 > "@" | 35 prompt "Sending Data" | 35 > "F" | 55 > "\r\n")");
    row("hang-up after a line", "1=1,100,50;2=2,100,50", "", "50:hangup",
        R"(10 > "@" | 35 prompt "Sending Data" | 35 > "F" | 45 > "1," | 45 > "100," | 45 > "50\r\n")");
    row("port changed after a line", "1=1,100,50;2=2,100,50", "", "50:com2",
        R"(10 > "@" | 35 prompt "Sending Data" | 35 > "F" | 45 > "1," | 45 > "100," | 45 > "50\r\n"
        51 status "Setting Communications port to COM2" | 101 status "Ready"
        101 2> "2," | 101 2> "100," | 101 2> "50\r\n" | 126 2> "\r\n")");
    row("application ended during a send", "1=5,100,50", "", "40:end",
        R"(10 > "@" | 35 prompt "Sending Data" | 35 > "F")");
    row("Close, then opened again as it was left", "", "5\r100\r50\r [close]|[send] [frame]", "",
        R"(0 status "Finished\r\n" | 50 status "Ready" | 60 > "@" | 85 prompt "Sending Data"
        85 > "F" | 95 > "5," | 95 > "100," | 95 > "50\r\n" | 120 > "\r\n" | 120 status "Finished\r\n"
        170 status "Ready")");
    row("one Close ends two openers, Close during a send seen after it", "1=5,100,50",
        "[multi] [send]", "40:close",
        R"(10 > "@" | 35 prompt "Sending Data" | 35 > "F" | 45 > "5," | 45 > "100,"
        45 > "50\r\n" | 70 > "\r\n" | 70 status "Finished\r\n" | 120 status "Ready"
        120 status "Finished\r\n" | 170 status "Ready")");
}

void MultiPlayTest::operations()
{
    QFETCH(QString, list);
    QFETCH(QString, steps);
    QFETCH(QString, events);
    QFETCH(QString, expected);
    PanelRig rig;
    Zelvo *panel = nullptr;
    MultiPlay *window = nullptr;
    const auto act = [&](QString what) {
        if (what.remove(u'[').remove(u']') == QLatin1String("end"))
            panel->close();
        else if (what == QLatin1String("frame"))
            window->close();
        else if (QStringList{"close", "send", "multi"}.contains(what))
            (what == QLatin1String("close")  ? window->Cancel
             : what == QLatin1String("send") ? window->Send
                                             : panel->Multi)
                ->click();
        else
            type(*window, what);
    };
    panel = &startRow(rig, events, act);
    window = panel->multiPlay();
    for (const QString &row : list.split(u';', Qt::SkipEmptyParts)) {
        for (int c = 0; c < 3; ++c)
            window->setTextMatrix(row.section(u'=', 0, 0).toInt(), c + 1,
                                  row.section(u'=', 1).section(u',', c, c));
    }
    if (steps.isEmpty())
        window->Send->click();
    for (const QString &opening : steps.split(u'|', Qt::SkipEmptyParts)) {
        whenShown(
            panel, [&] { return window->isVisible(); },
            [&, opening] {
                for (const QString &step : opening.split(u' '))
                    QMetaObject::invokeMethod(
                        panel, [act, step] { act(step); }, Qt::QueuedConnection);
            });
        panel->Multi->click();
    }
    compareEvents(rig, expected, QStringLiteral("> box prompt status"));
    QCOMPARE(rig.endings(), int(events.contains(QLatin1String("end"))));
    QVERIFY(!window->isVisible());
    lineBack(
        rig, [&] { window->Send->click(); }, "@F1,100,50\r\n2,100,50\r\n\r\n");
}

QTEST_MAIN(MultiPlayTest)
#include "tst_multiplay.moc"
