// SPDX-License-Identifier: GPL-3.0-or-later
// The Multi Play window as one table: a list put into the grid, what the user
// does in the window, what happens at given ticks, and the events left.

#include "play/multiplay.h"
#include "play/playpanel.h"
#include "support/operationrows.h"

#include <QWindow>

namespace {

QString cellName(MultiPlay &window)
{
    return QStringLiteral("%1,%2").arg(window.currentRow()).arg(window.currentColumn());
}

// Types `keys`: a character as itself, \r Enter, \b Backspace, ~N the numeric
// pad's N, ! "Clear Form". Gives for each key the current cell's text, after
// "row,column:" when the cell changed, separated by "/".
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
    return trace.join(u'/');
}

struct Row
{
    const char *name;
    const char *list; // "row=tone,duration,space;..."
    // Empty: Send is pressed; else "Multi Play" for each part ("|" between),
    // its steps (tests/README.md) run in turn in the window from the event loop.
    const char *steps;
    const char *events; // silent, closed, TICK:lowercase|hangup|com2|end|close
    const char *expected;
};

const Row rows[] = {
    {"tone", "", "@1,1 5E5e5@5`5/5:5\b9#*AbDad0~3=5//5//5//5//5//5//5//9/#/*/A/b/D/a/d/0/3 [close]",
     "", ""},
    {"duration", "", "@4,2 123456\b70000=1/12/123/1234/12345/12345//7/70/700/7000/ [close]", "",
     R"(0 box "ERROR: Only numbers between 20 and 65535 allowed.")"},
    {"duration limit", "",
     "@4,2 65535\b655360100x\b~4~2!=6/65/655/6553/65535//6/65/655/6553//0/01/010/0100/0100//4/42/ "
     "[close]",
     "", R"(0 box "ERROR: Only numbers between 20 and 65535 allowed."
     0 box "ERROR: Only numbers 0 - 9 allowed")"},
    {"space", "", "@9,3 700001\r250-\b=7/70/700/7000/70000/70000//2/25/250/250/ [close]", "",
     R"(0 box "ERROR: Only numbers between 20 and 65535 allowed."
     0 box "ERROR: Sorry.Only numbers 0 - 9 allowed")"},
    {"enter", "2=70000,,",
     "@1,1 \r\r19\r20\r\r65535\r=1,2://1/19//2/20/1,3://6/65/655/6553/65535/2,1:70000 \r= @20,3 "
     "50\r=5/50/1,1: [close]",
     "",
     R"(0 box "ERROR: Only numbers between 20 and 65535 allowed." | 0 box "ERROR: Only numbers between 20 and 65535 allowed."
     0 box "ERROR: Only numbers between 20 and 65535 allowed." | 0 box "ERROR: Only numbers between 20 and 65535 allowed.")"},
    {"two rows", "1=5,100,50;2=#,250,20", "", "",
     R"(10 > "@" | 10 < "Connect\r\n" | 35 prompt "Sending Data" | 35 > "F" | 35 < "MM\r\n"
     45 > "5," | 45 > "100," | 45 > "50\r\n" | 60 > "#," | 60 > "250," | 60 > "20\r\n" | 85 > "\r\n")"},
    {"cells as they stand", "1=5,,;2=,300,40;3=b,007,99999;20=D,20,65535", "", "",
     "wire:@F5,,\r\nb,007,99999\r\nD,20,65535\r\n\r\n"},
    {"empty list", "", "", "", "wire:@F\r\n"},
    {"silent device", "1=5,100,50", "", "silent", R"(10 > "@" | 45 > "\r\n")"},
    {"closed port", "1=5,100,50", "", "closed", ""},
    {"lower-case mm", "1=5,100,50", "", "20:lowercase", R"(10 > "@" | 35 > "F" | 55 > "\r\n")"},
    {"hang-up after a line", "1=1,100,50;2=2,100,50", "", "50:hangup",
     R"(10 > "@" | 35 > "F" | 45 > "1," | 45 > "100," | 45 > "50\r\n")"},
    {"port changed after a line", "1=1,100,50;2=2,100,50", "", "50:com2",
     R"(10 > "@" | 35 > "F" | 45 > "1," | 45 > "100," | 45 > "50\r\n"
     51 status "Setting Communications port to COM2" | 101 status "Ready"
     101 2> "2," | 101 2> "100," | 101 2> "50\r\n" | 126 2> "\r\n")"},
    {"application ended during a send", "1=5,100,50", "", "40:end", R"(10 > "@" | 35 > "F")"},
    {"Close, then opened again as it was left", "",
     "@1,1 5\r100\r50\r=5/1,2:/1/10/100/1,3:/5/50/2,1: [close]|[send] [frame]", "",
     R"(0 status "Finished\r\n" | 50 status "Ready" | 60 > "@" | 85 > "F" | 95 > "5," | 95 > "100,"
     95 > "50\r\n" | 120 > "\r\n" | 120 status "Finished\r\n" | 170 status "Ready")"},
    {"one Close ends two openers, Close during a send seen after it", "1=5,100,50",
     "[multi] [send]", "40:close",
     R"(10 > "@" | 35 > "F" | 45 > "5," | 45 > "100," | 45 > "50\r\n" | 70 > "\r\n"
     70 status "Finished\r\n" | 120 status "Ready" | 120 status "Finished\r\n" | 170 status "Ready")"},
};

} // namespace

class MultiPlayTest : public QObject
{
    Q_OBJECT

private slots:
    void operations_data() { indexRows(rows); }

    void operations()
    {
        QFETCH(int, row);
        const Row &r = rows[row];
        PanelRig rig;
        Zelvo *panel = nullptr;
        MultiPlay *window = nullptr;
        const auto act = [&](QString what) {
            if (what.startsWith(u'@'))
                window->setCurrentCell(what.mid(1).section(u',', 0, 0).toInt(),
                                       what.section(u',', 1).toInt());
            else if (what.remove(u'[').remove(u']') == "end")
                panel->close();
            else if (what == "frame")
                window->close();
            else if (QStringList{"close", "send", "multi"}.contains(what))
                (what == "close"  ? window->Cancel
                 : what == "send" ? window->Send
                                  : panel->plays()->Multi)
                    ->click();
            else
                QCOMPARE(type(*window, what.section(u'=', 0, 0)), what.section(u'=', 1));
        };
        panel = &startRow(rig, r.events, act);
        window = panel->multiPlay();
        for (const QString &line : QString(r.list).split(u';', Qt::SkipEmptyParts)) {
            for (int c = 0; c < 3; ++c)
                window->setTextMatrix(line.section(u'=', 0, 0).toInt(), c + 1,
                                      line.section(u'=', 1).section(u',', c, c));
        }
        if (!*r.steps)
            window->Send->click();
        for (const QString &opening : QString(r.steps).split(u'|', Qt::SkipEmptyParts)) {
            whenShown(
                panel, [&] { return window->isVisible(); },
                [&, opening] {
                    // a press each from the event loop, the steps between in one go
                    for (const QString &part :
                         opening.split(QRegularExpression(" (?=\\[)|(?<=\\]) ")))
                        QTimer::singleShot(0, panel, [act, part] {
                            for (const QString &step : part.split(u' '))
                                act(step);
                        });
                });
            panel->plays()->Multi->click();
        }
        compareEvents(rig, r.expected);
        QCOMPARE(rig.endings(), int(QString(r.events).contains("end")));
        QVERIFY(!window->isVisible());
        lineBack(
            rig, [&] { window->Send->click(); }, "@F1,100,50\r\n2,100,50\r\n\r\n");
    }
};

QTEST_MAIN(MultiPlayTest)
#include "tst_multiplay.moc"
