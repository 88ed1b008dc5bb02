// Timed play and Abort: the "Timed Play" dialog, the tone line and the
// abort sequence, against a simulated device. The dialog is answered from a
// timer, as a user would, with keys sent through its platform window.

#include "app/statusbox.h"
#include "play/singlemode.h"
#include "support/panelrig.h"

#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace {

// Runs `act` on the Timed Play dialog once the panel shows it.
class DialogDriver
{
public:
    DialogDriver(Zelvo &panel, std::function<void(SingleMode *)> act)
    {
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this, &panel, act] {
            SingleMode *dialog = panel.singleMode();
            if (!dialog || !dialog->isVisible())
                return;
            m_timer.stop();
            act(dialog);
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
};

// Replaces the field's text by typing, as the user would.
void typeInto(SingleMode *dialog, QLineEdit *field, const QString &text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(dialog->windowHandle(), Qt::Key_Delete);
    for (const QChar c : text)
        QTest::keyClick(dialog->windowHandle(), c.toLatin1());
}

void fill(SingleMode *dialog, const QString &tone, const QString &duration)
{
    typeInto(dialog, dialog->Tone, tone);
    typeInto(dialog, dialog->Duration, duration);
}

// Records the tick count at which each status text was set.
class StatusTicks
{
public:
    StatusTicks(PanelRig &rig, Zelvo &panel)
    {
        m_connection = QObject::connect(
            panel.StatusBox, &StatusTextBox::textSet, &panel,
            [this, &rig](const QString &text) { m_ticks.insert(text, rig.ticks()); });
    }
    ~StatusTicks() { QObject::disconnect(m_connection); }
    int operator[](const QString &text) const { return m_ticks.value(text, -1); }

private:
    QMetaObject::Connection m_connection;
    QMap<QString, int> m_ticks;
};

// A panel linked to a device on COM1, wire, log and texts cleared.
Zelvo &startOn(PanelRig &rig, zsim::SimulatedDevice &device)
{
    Zelvo &panel = rig.start();
    rig.clearWire();
    rig.clearTexts();
    device.clearLog();
    return panel;
}

const QString TooLong = QStringLiteral("Time must be less than 65,535");
const QString TooShort = QStringLiteral("Time must be 20 milliseconds or greater.");
const QString NoTone = QStringLiteral("Please enter a value for the tone");
const QString BadTone = QStringLiteral("Invalid tone: Please re-enter tone value");

} // namespace

class TimedPlayTest : public QObject
{
    Q_OBJECT

private slots:
    void dialogLayout();
    void playsOneTimedTone();
    void acceptedEntriesAreSentAsTyped();
    void refusedTones();
    void durationLimits();
    void enterAccepts();
    void cancelWaysSendNothing();
    void secondPressBringsTheOpenDialogBack();
    void abortWithNothingRunning();
    void abortDuringAnAbortIsIgnored();
    void abortEndsARunningTimedTone();
};

void TimedPlayTest::dialogLayout()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = rig.start();
    DialogDriver driver(panel, [](SingleMode *dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Timed Play"));
        QVERIFY(!(dialog->windowFlags() & Qt::WindowMinMaxButtonsHint));
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QCOMPARE(dialog->Tag, QStringLiteral("-1"));
        QStringList labels;
        for (const QLabel *label : dialog->findChildren<QLabel *>())
            labels << label->text();
        labels.sort();
        QCOMPARE(labels,
                 (QStringList{QStringLiteral("Duration"),
                              QStringLiteral("Enter Tone and Duration "), QStringLiteral("Tone")}));
        QCOMPARE(dialog->focusWidget(), dialog->Tone);
        QCOMPARE(dialog->Tone->maxLength(), 1);
        QCOMPARE(dialog->Duration->maxLength(), 5);
        QCOMPARE(dialog->OK->text(), QStringLiteral("OK"));
        QCOMPARE(dialog->Cancel->text(), QStringLiteral("Cancel"));
        QCOMPARE(dialog->Tone->nextInFocusChain(), dialog->Duration);
        QCOMPARE(dialog->Duration->nextInFocusChain(), dialog->OK);
        QCOMPARE(dialog->OK->nextInFocusChain(), dialog->Cancel);
        dialog->Cancel->click();
    });
    panel.Single->click();
    QCOMPARE(panel.singleMode(), nullptr);
}

void TimedPlayTest::playsOneTimedTone()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);

    QString tag;
    DialogDriver driver(panel, [&](SingleMode *dialog) {
        fill(dialog, QStringLiteral("5"), QStringLiteral("1000"));
        dialog->OK->click();
        tag = dialog->Tag;
    });
    StatusTicks ticks(rig, panel);
    panel.Single->click();

    QCOMPARE(tag, QStringLiteral("1"));
    // Keys typed into the dialog play nothing: only the tone line is sent.
    QCOMPARE(rig.wire(1), QByteArray("@I5,1000\r"));
    const QString sending = QStringLiteral("Sending tone 5\r\nPress the ABORT button to cancel.");
    QCOMPARE(rig.statusTexts(),
             (QStringList{QStringLiteral("Time mode."), QStringLiteral("Connecting"),
                          QStringLiteral("Connected"), sending, QStringLiteral("Ready")}));
    QCOMPARE(ticks[QStringLiteral("Ready")] - ticks[sending], 100);
    QVERIFY(device.log().front() == "timed tone 5 1000 ms");
    QCOMPARE(panel.singleMode(), nullptr);
}

void TimedPlayTest::acceptedEntriesAreSentAsTyped()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);

    const QStringList entries[] = {
        {QStringLiteral("a"), QStringLiteral("500")},
        {QStringLiteral("#"), QStringLiteral("20")},
        {QStringLiteral("*"), QStringLiteral("65535")},
        {QStringLiteral("D"), QStringLiteral("50abc")},
        {QStringLiteral("0"), QStringLiteral(" 300")},
    };
    for (const QStringList &entry : entries) {
        rig.clearWire();
        DialogDriver driver(panel, [&](SingleMode *dialog) {
            fill(dialog, entry[0], entry[1]);
            dialog->OK->click();
        });
        panel.Single->click();
        QCOMPARE(rig.wire(1), "@I" + (entry[0] + ',' + entry[1]).toLatin1() + '\r');
    }
    QVERIFY(rig.boxes().seen().isEmpty());
}

void TimedPlayTest::refusedTones()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);

    QStringList tags;
    DialogDriver driver(panel, [&](SingleMode *dialog) {
        for (const QString &tone : {QStringLiteral("E"), QStringLiteral("e"), QStringLiteral("+"),
                                    QStringLiteral(" "), QString()}) {
            fill(dialog, tone, QStringLiteral("1000"));
            rig.boxes().answer(QMessageBox::Ok);
            dialog->OK->click();
            tags << dialog->Tag;
        }
        QVERIFY(dialog->isVisible());
        dialog->Cancel->click();
    });
    panel.Single->click();

    QCOMPARE(rig.boxes().texts(), (QStringList{BadTone, BadTone, BadTone, BadTone, NoTone}));
    QCOMPARE(tags, QStringList(5, QStringLiteral("-1")));
    for (const BoxAnswerer::Seen &box : rig.boxes().seen()) {
        QCOMPARE(box.title, QStringLiteral("Zelvor"));
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    QCOMPARE(rig.wire(1), QByteArray());
}

void TimedPlayTest::durationLimits()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);

    QStringList fieldAfter;
    DialogDriver driver(panel, [&](SingleMode *dialog) {
        for (const QString &duration :
             {QStringLiteral("19"), QString(), QStringLiteral("65536"), QStringLiteral("99999")}) {
            fill(dialog, QStringLiteral("1"), duration);
            rig.boxes().answer(QMessageBox::Ok);
            dialog->OK->click();
            fieldAfter << dialog->Duration->text();
        }
        // With both fields wrong only the duration is told.
        fill(dialog, QStringLiteral("E"), QStringLiteral("5"));
        rig.boxes().answer(QMessageBox::Ok);
        dialog->OK->click();
        dialog->Cancel->click();
    });
    panel.Single->click();

    QCOMPARE(rig.boxes().texts(), (QStringList{TooShort, TooShort, TooLong, TooLong, TooShort}));
    QCOMPARE(fieldAfter, (QStringList{QStringLiteral("20"), QStringLiteral("20"),
                                      QStringLiteral("65536"), QStringLiteral("99999")}));
    QCOMPARE(rig.wire(1), QByteArray());
}

void TimedPlayTest::enterAccepts()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);

    QStringList tags;
    DialogDriver driver(panel, [&](SingleMode *dialog) {
        // Enter with a wrong entry is refused like OK.
        fill(dialog, QStringLiteral("7"), QStringLiteral("70000"));
        rig.boxes().answer(QMessageBox::Ok);
        QTest::keyClick(dialog->windowHandle(), Qt::Key_Return);
        tags << dialog->Tag;
        fill(dialog, QStringLiteral("7"), QStringLiteral("300"));
        dialog->Tone->setFocus();
        QTest::keyClick(dialog->windowHandle(), Qt::Key_Return);
        tags << dialog->Tag;
    });
    panel.Single->click();

    QCOMPARE(tags, (QStringList{QStringLiteral("-1"), QStringLiteral("2")}));
    QCOMPARE(rig.boxes().texts(), QStringList{TooLong});
    QCOMPARE(rig.wire(1), QByteArray("@I7,300\r"));

    // A line feed in the duration field accepts too.
    rig.clearWire();
    DialogDriver again(panel, [&](SingleMode *dialog) {
        fill(dialog, QStringLiteral("B"), QStringLiteral("40"));
        QTest::sendKeyEvent(QTest::Click, dialog->windowHandle(), Qt::Key_J, QStringLiteral("\n"),
                            Qt::ControlModifier);
        tags << dialog->Tag;
    });
    panel.Single->click();
    QCOMPARE(tags.last(), QStringLiteral("2"));
    QCOMPARE(rig.wire(1), QByteArray("@IB,40\r"));
}

void TimedPlayTest::cancelWaysSendNothing()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);

    const std::function<void(SingleMode *)> ways[] = {
        [](SingleMode *dialog) { dialog->Cancel->click(); },
        [](SingleMode *dialog) { dialog->close(); },
        [](SingleMode *dialog) { QTest::keyClick(dialog->windowHandle(), Qt::Key_Escape); },
    };
    for (const auto &way : ways) {
        rig.clearTexts();
        QString tag;
        DialogDriver driver(panel, [&](SingleMode *dialog) {
            fill(dialog, QStringLiteral("5"), QStringLiteral("1000"));
            way(dialog);
            tag = dialog->Tag;
        });
        StatusTicks ticks(rig, panel);
        panel.Single->click();

        QCOMPARE(tag, QStringLiteral("0"));
        QCOMPARE(rig.statusTexts(),
                 (QStringList{QStringLiteral("Time mode."), QString(),
                              QStringLiteral("Cancelled.\r\n"), QStringLiteral("Ready")}));
        QCOMPARE(ticks[QStringLiteral("Ready")] - ticks[QStringLiteral("Cancelled.\r\n")], 100);
        QCOMPARE(panel.singleMode(), nullptr);
    }
    QCOMPARE(rig.wire(1), QByteArray());
}

void TimedPlayTest::secondPressBringsTheOpenDialogBack()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);

    SingleMode *afterSecondPress = nullptr;
    SingleMode *first = nullptr;
    DialogDriver driver(panel, [&](SingleMode *dialog) {
        first = dialog;
        panel.Single->click(); // returns at once
        afterSecondPress = panel.singleMode();
        fill(dialog, QStringLiteral("3"), QStringLiteral("200"));
        dialog->OK->click();
    });
    panel.Single->click();

    QCOMPARE(afterSecondPress, first);
    QCOMPARE(rig.statusTexts().count(QStringLiteral("Time mode.")), 1);
    QCOMPARE(rig.wire(1), QByteArray("@I3,200\r"));
}

void TimedPlayTest::abortWithNothingRunning()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);

    QMap<QByteArray, int> wireTick;
    rig.setTickHook([&] {
        const QByteArray wire = rig.wire(1);
        if (!wireTick.contains(wire))
            wireTick.insert(wire, rig.ticks());
    });
    StatusTicks ticks(rig, panel);
    const int start = rig.ticks();
    panel.Abort->click();

    QCOMPARE(rig.wire(1), QByteArray("\r\n%"));
    QCOMPARE(rig.statusTexts(),
             (QStringList{QStringLiteral("Aborted.\r\n"), QString(), QStringLiteral("Ready")}));
    QCOMPARE(wireTick.value("\r\n"), start);
    QCOMPARE(ticks[QStringLiteral("Aborted.\r\n")], start);
    QCOMPARE(wireTick.value("\r\n%"), start + 100);
    QCOMPARE(ticks[QString()], start + 100);
    QCOMPARE(ticks[QStringLiteral("Ready")], start + 150);
}

void TimedPlayTest::abortDuringAnAbortIsIgnored()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);

    // Midway, the button is clicked again and a held Esc repeats.
    const int start = rig.ticks();
    bool pressedAgain = false;
    rig.setTickHook([&] {
        if (!pressedAgain && rig.ticks() >= start + 50) {
            pressedAgain = true;
            QTimer::singleShot(0, &panel, [&] {
                panel.Abort->click();
                QTest::keyPress(panel.windowHandle(), Qt::Key_Escape);
                QTest::keyPress(panel.windowHandle(), Qt::Key_Escape);
                QTest::keyRelease(panel.windowHandle(), Qt::Key_Escape);
            });
        }
    });
    panel.Abort->click();

    QVERIFY(pressedAgain);
    QCOMPARE(rig.wire(1), QByteArray("\r\n%"));
    QCOMPARE(rig.statusTexts(),
             (QStringList{QStringLiteral("Aborted.\r\n"), QString(), QStringLiteral("Ready")}));
    QCOMPARE(rig.ticks() - start, 150);

    // Once it has ended, Abort runs again.
    rig.setTickHook({});
    panel.Abort->click();
    QCOMPARE(rig.wire(1), QByteArray("\r\n%\r\n%"));
}

void TimedPlayTest::abortEndsARunningTimedTone()
{
    PanelRig rig;
    zsim::Options options = PanelRig::unpaced();
    options.playScale = 1.0; // the tone would sound for a minute
    zsim::SimulatedDevice &device = rig.addDevice(1, options);
    Zelvo &panel = startOn(rig, device);

    DialogDriver driver(panel, [](SingleMode *dialog) {
        fill(dialog, QStringLiteral("5"), QStringLiteral("60000"));
        dialog->OK->click();
    });
    // Abort is pressed while Timed Play still waits after the tone line.
    bool aborted = false;
    rig.setTickHook([&] {
        if (!aborted && rig.wire(1).endsWith("\r")) {
            aborted = true;
            QTimer::singleShot(0, &panel, [&] { panel.Abort->click(); });
        }
    });
    panel.Single->click();

    QVERIFY(aborted);
    QCOMPARE(rig.wire(1), QByteArray("@I5,60000\r\r\n%"));
    const std::vector<std::string> log = device.log();
    QVERIFY(std::find(log.begin(), log.end(), "timed tone aborted") != log.end());
    QCOMPARE(rig.statusTexts().last(), QStringLiteral("Ready"));
}

QTEST_MAIN(TimedPlayTest)
#include "tst_timedplay.moc"
