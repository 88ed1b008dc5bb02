// Memory Play, Timed Play and Abort, one table of operations. The device on
// COM1 never reports the end of a memory play by itself: a row sends "Ready"
// at a given tick, so that the poll's reads see it on every run alike (the
// first read follows the digit at once). A row names the operation,
// what the user does in its dialog, what happens at given ticks, and the
// events it must leave: writes and message boxes always, and status texts or
// replies when the row lists any ("wire:" compares the bytes received instead).

#include "app/text.h"
#include "play/memorymode.h"
#include "play/singlemode.h"
#include "support/panelrig.h"

#include <QAction>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWindow>

namespace {

// Dialog steps, separated by blanks: text typed into the field with the focus;
// tTEXT / dTEXT the Tone / Duration field retyped ("_" types a blank); =lTEXT /
// =dTEXT compares the Location / Duration field; [ok] [cancel] [close] [esc]
// [enter] [lf] [bs]; [again] presses Timed Play once more.
void answer(Zelvo &panel, QDialog *dialog, const QString &steps)
{
    auto *memory = qobject_cast<MemoryMode *>(dialog);
    auto *single = qobject_cast<SingleMode *>(dialog);
    QWindow *window = dialog->windowHandle();
    for (QString step : steps.split(u' ', Qt::SkipEmptyParts)) {
        step.replace(u'_', u' ');
        const QChar which = step.size() > 1 && step[0] == u'=' ? step[1] : step[0];
        QLineEdit *field = memory          ? memory->Location
                           : which == u't' ? single->Tone
                                           : single->Duration;
        if (step == QLatin1String("[ok]"))
            (memory ? memory->MemOK : single->OK)->click();
        else if (step == QLatin1String("[cancel]"))
            (memory ? memory->MemAbort : single->Cancel)->click();
        else if (step == QLatin1String("[close]"))
            dialog->close();
        else if (step == QLatin1String("[esc]"))
            QTest::keyClick(window, Qt::Key_Escape);
        else if (step == QLatin1String("[enter]"))
            QTest::keyClick(window, Qt::Key_Return);
        else if (step == QLatin1String("[bs]"))
            QTest::keyClick(window, Qt::Key_Backspace);
        else if (step == QLatin1String("[lf]"))
            QTest::sendKeyEvent(QTest::Click, window, Qt::Key_J, QStringLiteral("\n"),
                                Qt::ControlModifier);
        else if (step == QLatin1String("[again]"))
            panel.Single->click();
        else if (step.startsWith(u'='))
            QCOMPARE(field->text(), step.mid(2));
        else {
            if (single) {
                field->setFocus();
                field->selectAll();
                QTest::keyClick(window, Qt::Key_Delete);
                step.remove(0, 1);
            }
            for (const QChar c : step)
                QTest::keyClick(window, c.toLatin1());
        }
    }
    // A dialog left open would keep the operation waiting for ever.
    const QString tag = memory ? memory->Tag : single->Tag;
    if (numericValue(tag) == -1)
        dialog->reject();
}

// Answers the dialog of the next Memory Play or Timed Play once it shows.
void whenShown(Zelvo &panel, const QString &steps)
{
    auto *timer = new QTimer(&panel);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, &panel, steps] {
        QDialog *dialog = panel.memoryMode();
        if (!dialog)
            dialog = panel.singleMode();
        if (!dialog || !dialog->isVisible())
            return;
        timer->deleteLater();
        timer->stop();
        answer(panel, dialog, steps);
    });
    timer->start(1);
}

// Compares the events of the kinds `expected` names (writes and boxes always).
void compareEvents(PanelRig &rig, const QString &expected)
{
    if (expected.startsWith(QLatin1String("wire:"))) {
        QCOMPARE(rig.wire(1), expected.mid(5).toLatin1());
        return;
    }
    const auto normal = [](const QString &line) {
        const qsizetype quote = line.indexOf(u'"');
        return line.left(quote).simplified() + u' ' + line.mid(quote).trimmed();
    };
    QStringList want, got;
    QSet<QString> kinds{QStringLiteral(">"), QStringLiteral("box")};
    for (const QString &line : expected.split(u'\n', Qt::SkipEmptyParts)) {
        want << normal(line);
        kinds << want.last().section(u' ', 1, 1);
    }
    for (const QString &line : rig.transcript()) {
        if (kinds.contains(line.section(u' ', 1, 1)))
            got << normal(line);
    }
    // A text ending in * stands for every text that begins so.
    for (qsizetype i = 0; i < qMin(got.size(), want.size()); ++i) {
        if (want[i].endsWith(QLatin1String("*\"")) && got[i].startsWith(want[i].chopped(2)))
            got[i] = want[i];
    }
    QCOMPARE(got, want);
}

const char *TwoAborts = R"(
      0 > "\r\n"
      0 status "Aborted.\r\n"
    100 status ""
    100 > "%"
    150 status "Ready"
    150 > "\r\n"
    150 status "Aborted.\r\n"
    250 status ""
    250 > "%"
    300 status "Ready")";

} // namespace

class PlayTest : public QObject
{
    Q_OBJECT

private slots:
    void operations_data();
    void operations();
};

void PlayTest::operations_data()
{
    QTest::addColumn<QString>("operation"); // memory, timed or abort, in turn
    QTest::addColumn<QString>("steps");     // alternatives separated by "|", same events
    QTest::addColumn<QString>("events");    // silent, TICK:hangup|nomarkers|
                                            // inject:TEXT|abort|esc|com2
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const char *operation, const char *steps,
                        const char *events, const char *expected) {
        QTest::newRow(name) << operation << steps << events << expected;
    };

    row("memory, one location", "memory", "3 [ok]", "56:inject:Ready\r\n", R"(
      0 status "Memory Mode"
      0 status "Connecting"
     10 > "@"
     10 < "Connect\r\n"
     25 status "Connected"
     35 status "Sending string in location 3"
     35 > "M"
     35 < "MP\r\n"
     55 > "3\r\n"
     56 < "Ready\r\n"
    165 status "Ready")");
    row("memory, Enter on an empty field, then two", "memory", "[enter] 25 [enter]",
        "56:inject:Ready\r\n 121:inject:Ready\r\n", R"(
      0 box "Zelvor: Please enter a location"
     10 > "@"
     35 > "M"
     55 > "2\r\n"
     75 > "@"
    100 > "M"
    120 > "5\r\n")");
    row("memory, refused keys, eight at most", "memory", "07 8 a 123456 5 =l07123456 [bs] 6 [ok]",
        "56:inject:Ready\r\n", R"(
      0 box "Zelvor: Only numbers 0 through 7 allowed."
      0 box "Zelvor: Only numbers 0 through 7 allowed."
     10 > "@"
     35 > "M"
     55 > "6\r\n")");
    row("memory, Cancel, frame or Esc", "memory", "12 [cancel]|12 [close]|[esc]", "", R"(
      0 status "Memory Mode"
      0 status "Cancelled.\r\n"
    100 status "Ready")");
    row("memory, no MP: no digit, no poll", "memory", "3 [ok]", "20:nomarkers", R"(
      0 status "Memory Mode"
      0 status "Connecting"
     10 > "@"
     10 < "Connect\r\n"
     25 status "Connected"
     35 status "Sending string in location 3"
     35 > "M"
     35 < "\r\n"
    155 status "Ready")");
    row("memory, silent device", "memory", "3 [ok]", "silent", R"(
      0 status "Memory Mode"
      0 status "Connecting"
     10 > "@"
    135 status "Ready")");
    row("memory, Ready split across two reads", "memory", "2 [ok]",
        "57:inject:Rea 67:inject:dy\r\n", R"(
      0 status "Memory Mode"
      0 status "Connecting"
     10 > "@"
     10 < "Connect\r\n"
     25 status "Connected"
     35 status "Sending string in location 2"
     35 > "M"
     35 < "MP\r\n"
     55 > "2\r\n"
     57 < "Rea"
     67 < "dy\r\n"
    175 status "Ready")");
    row("memory, Abort ends the poll and the play", "memory", "35 [ok]", "102:abort",
        R"(
      0 status "Memory Mode"
      0 status "Connecting"
     10 > "@"
     25 status "Connected"
     35 status "Sending string in location 3"
     35 > "M"
     55 > "3\r\n"
    103 > "\r\n"
    103 status "Aborted.\r\n"
    203 status ""
    203 > "%"
    253 status "Ready"
    353 status "Ready")");
    row("memory, hang-up during the poll", "memory", "56 [ok]", "80:hangup", R"(
     10 > "@"
     35 > "M"
     55 > "5\r\n"
     85 box "Zelvor: Error *")");
    row("memory, port changed during the poll", "memory", "44 [ok]", "60:com2 150:abort",
        R"(
     10 > "@"
     35 > "M"
     55 > "4\r\n"
    151 2> "\r\n"
    251 2> "%")");

    row("timed, 5 for 1000 ms", "timed", "t5 d1000 [ok]", "", R"(
      0 status "Time mode."
     10 status "Connecting"
     20 > "@"
     20 < "Connect\r\n"
     35 status "Connected"
     45 > "I"
     45 < "SM\r\n"
     65 > "5,1000\r"
     65 status "Sending tone 5\r\nPress the ABORT button to cancel."
    165 status "Ready")");
    row("timed, lower case", "timed", "ta d500 [ok]", "", "wire:@Ia,500\r");
    row("timed, shortest", "timed", "t# d20 [ok]", "", "wire:@I#,20\r");
    row("timed, longest", "timed", "t* d65535 [ok]", "", "wire:@I*,65535\r");
    row("timed, letters after the number", "timed", "tD d50abc [ok]", "", "wire:@ID,50abc\r");
    row("timed, a leading blank", "timed", "t0 d_300 [ok]", "", "wire:@I0, 300\r");
    row("timed, line feed accepts", "timed", "tB d40 [lf]", "", "wire:@IB,40\r");
    row("timed, pressed again while open", "timed", "[again] t3 d200 [ok]", "", "wire:@I3,200\r");
    row("timed, Enter refused, then accepted in Tone", "timed", "t7 d70000 [enter] d300 t7 [enter]",
        "", R"(
      0 box "Zelvor: Time must be less than 65,535"
     20 > "@"
     45 > "I"
     65 > "7,300\r")");
    row("timed, refusals", "timed",
        "tE d1000 [ok] te [ok] t+ [ok] t_ [ok] t [ok] t1 d19 [ok] =d20 d [ok] =d20 d65536 [ok] "
        "=d65536 d99999 [ok] tE d5 [ok] [cancel]",
        "", R"(
      0 box "Zelvor: Invalid tone: Please re-enter tone value"
      0 box "Zelvor: Invalid tone: Please re-enter tone value"
      0 box "Zelvor: Invalid tone: Please re-enter tone value"
      0 box "Zelvor: Invalid tone: Please re-enter tone value"
      0 box "Zelvor: Please enter a value for the tone"
      0 box "Zelvor: Time must be 20 milliseconds or greater."
      0 box "Zelvor: Time must be 20 milliseconds or greater."
      0 box "Zelvor: Time must be less than 65,535"
      0 box "Zelvor: Time must be less than 65,535"
      0 box "Zelvor: Time must be 20 milliseconds or greater.")");
    row("timed, Cancel, frame or Esc", "timed", "t5 d1000 [cancel]|t5 d1000 [close]|[esc]", "", R"(
      0 status "Time mode."
      0 status ""
      0 status "Cancelled.\r\n"
    100 status "Ready")");
    row("timed, no SM: the tone is still told", "timed", "t5 d1000 [ok]", "30:nomarkers", R"(
      0 status "Time mode."
     10 status "Connecting"
     20 > "@"
     35 status "Connected"
     45 > "I"
     65 status "Sending tone 5\r\nPress the ABORT button to cancel."
    165 status "Ready")");
    row("timed, silent device", "timed", "t5 d1000 [ok]", "silent", R"(
      0 status "Time mode."
     10 status "Connecting"
     20 > "@"
    145 status "Ready")");
    row("timed, hang-up before the SM is read", "timed", "t5 d1000 [ok]", "50:hangup", R"(
     20 > "@"
     45 > "I"
     65 box "Zelvor: Error *")");

    row("abort twice", "abort abort", "", "", TwoAborts);
    row("abort, a click and Esc during it are ignored", "abort abort", "", "50:abort 60:esc",
        TwoAborts);
}

void PlayTest::operations()
{
    QFETCH(QString, operation);
    QFETCH(QString, steps);
    QFETCH(QString, events);
    QFETCH(QString, expected);
    for (const QString &alternative : steps.split(u'|')) {
        PanelRig rig;
        zsim::Options options = PanelRig::unpaced();
        options.linkPath = rig.linkPath(1).toStdString();
        zsim::SimulatedDevice &device = rig.addDevice(1, options);
        rig.addDevice(2);
        Zelvo &panel = rig.start();
        zsim::Faults faults;
        faults.silent = events.contains(QLatin1String("silent"));
        faults.neverReady = true;
        device.setFaults(faults);

        // Device events happen at their tick; the user's act a tick later,
        // once the event loop gets to it. A hung play is aborted at 5000.
        QStringList pending = events.split(u' ', Qt::SkipEmptyParts)
                              << QStringLiteral("5000:abort");
        const int start = rig.ticks();
        rig.setTickHook([&] {
            for (qsizetype i = 0; i < pending.size(); ++i) {
                const QString what = pending[i].section(u':', 1);
                if (!pending[i][0].isDigit() ||
                    rig.ticks() - start < pending[i].section(u':', 0, 0).toInt())
                    continue;
                pending.removeAt(i--);
                zsim::Faults now = device.faults();
                now.noMarkers = true;
                if (what == QLatin1String("nomarkers"))
                    device.setFaults(now);
                else if (what == QLatin1String("hangup"))
                    device.hangUp();
                else if (what.startsWith(QLatin1String("inject:")))
                    device.inject(what.mid(7).toStdString());
                QMetaObject::invokeMethod(
                    &panel,
                    [&panel, what] {
                        if (what == QLatin1String("abort"))
                            panel.Abort->click();
                        else if (what == QLatin1String("esc"))
                            QTest::keyClick(panel.windowHandle(), Qt::Key_Escape);
                        else if (what == QLatin1String("com2"))
                            panel.COM2->trigger();
                    },
                    Qt::QueuedConnection);
            }
        });

        for (const QString &step : operation.split(u' ')) {
            if (step == QLatin1String("abort")) {
                panel.Abort->click();
                continue;
            }
            whenShown(panel, alternative);
            (step == QLatin1String("memory") ? panel.Memory : panel.Single)->click();
        }
        compareEvents(rig, expected);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(panel.Memory->isEnabled());
        if (device.connected())
            continue;
        // The line is back: the next play goes through.
        QVERIFY(device.reconnect());
        device.setFaults({});
        panel.COM1->trigger();
        rig.clearWire();
        whenShown(panel, QStringLiteral("6 [ok]"));
        panel.Memory->click();
        QCOMPARE(rig.wire(1), QByteArray("@M6\r\n"));
    }
}

QTEST_MAIN(PlayTest)
#include "tst_play.moc"
