// Memory play: the "MemoryPlay" dialog and the playing of stored locations,
// against a simulated device. The dialog is answered from a timer, as a
// user would, with keys sent through its platform window.

#include "app/statusbox.h"
#include "play/memorymode.h"
#include "support/panelrig.h"

#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace {

// Runs `act` on the Memory Play dialog once the panel shows it.
class DialogDriver
{
public:
    DialogDriver(Zelvo &panel, std::function<void(MemoryMode *)> act)
    {
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this, &panel, act] {
            MemoryMode *dialog = panel.memoryMode();
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

void typeInto(QWidget *dialog, const QString &text)
{
    for (const QChar c : text)
        QTest::keyClick(dialog->windowHandle(), c.toLatin1());
}

void pressEnter(QWidget *dialog)
{
    QTest::keyClick(dialog->windowHandle(), Qt::Key_Return);
}

// The device's log lines about playing, in order.
QStringList plays(zsim::SimulatedDevice &device)
{
    QStringList lines;
    for (const std::string &line : device.log()) {
        const QString text = QString::fromStdString(line);
        if (text.startsWith(QLatin1String("play")))
            lines << text;
    }
    return lines;
}

// A panel linked to `device` on COM1, wire, log and texts cleared.
Zelvo &startOn(PanelRig &rig, zsim::SimulatedDevice &device)
{
    Zelvo &panel = rig.start();
    rig.clearWire();
    rig.clearTexts();
    device.clearLog();
    return panel;
}

} // namespace

class MemoryPlayTest : public QObject
{
    Q_OBJECT

private slots:
    void dialogLayout();
    void playsOneLocation();
    void playsLocationsOneAfterTheOther();
    void repeatedLocationIsPlayedEachTime();
    void cancelAndFrameCloseSendNothing();
    void fieldTakesOnlyLocationDigits();
    void enterAcceptsOnlyAFilledField();
    void abortEndsAWaitForReadyThatNeverComes();
    void readySplitAcrossTwoReads();
    void buttonIsDisabledWhilePlaying();
    void endingTheApplicationWhileTheDialogIsOpen();
    void lineDroppingDuringThePoll();
};

void MemoryPlayTest::dialogLayout()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = rig.start();
    DialogDriver driver(panel, [](MemoryMode *dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("MemoryPlay"));
        QVERIFY(!(dialog->windowFlags() & Qt::WindowMinMaxButtonsHint));
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->Tag, QStringLiteral("-1"));
        QCOMPARE(dialog->Location->text(), QString());
        QCOMPARE(dialog->focusWidget(), dialog->Location);
        QCOMPARE(dialog->MemOK->text(), QStringLiteral("Ok"));
        QCOMPARE(dialog->MemAbort->text(), QStringLiteral("Cancel"));
        QCOMPARE(dialog->Location->nextInFocusChain(), dialog->MemOK);
        QCOMPARE(dialog->MemOK->nextInFocusChain(), dialog->MemAbort);
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        dialog->MemAbort->click();
    });
    panel.Memory->click();
    QCOMPARE(panel.memoryMode(), nullptr);
}

void MemoryPlayTest::playsOneLocation()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);

    QString tag;
    DialogDriver driver(panel, [&](MemoryMode *dialog) {
        typeInto(dialog, QStringLiteral("3"));
        dialog->MemOK->click();
        tag = dialog->Tag;
    });
    int digitTick = -1;
    rig.setTickHook([&] {
        if (digitTick < 0 && rig.wire(1).endsWith("3\r\n"))
            digitTick = rig.ticks();
    });
    int readyTick = -1;
    QObject::connect(panel.StatusBox, &StatusTextBox::textSet, panel.StatusBox,
                     [&](const QString &text) {
                         if (text == QLatin1String("Ready"))
                             readyTick = rig.ticks();
                     });
    panel.Memory->click();

    QCOMPARE(tag, QStringLiteral("1"));
    QCOMPARE(rig.wire(1), QByteArray("@M3\r\n"));
    QCOMPARE(
        rig.statusTexts(),
        (QStringList{QStringLiteral("Memory Mode"), QStringLiteral("Connecting"),
                     QStringLiteral("Connected"), QStringLiteral("Sending string in location 3"),
                     QStringLiteral("Ready")}));
    QCOMPARE(plays(device), (QStringList{QStringLiteral("play location 3: (none)"),
                                         QStringLiteral("play ended")}));
    // The poll reads once or twice (5 ticks apart) before "Ready", then 100 ticks.
    QVERIFY2(readyTick - digitTick >= 105 && readyTick - digitTick <= 110,
             qPrintable(QString::number(readyTick - digitTick)));
    QCOMPARE(panel.memoryMode(), nullptr);
}

void MemoryPlayTest::playsLocationsOneAfterTheOther()
{
    PanelRig rig;
    zsim::Options options = PanelRig::unpaced();
    options.playScale = 0.001; // location 7 plays for 65 ms, location 0 for 1.5 ms
    zsim::SimulatedDevice &device = rig.addDevice(1, options);
    Zelvo &panel = startOn(rig, device);

    DialogDriver driver(panel, [](MemoryMode *dialog) {
        typeInto(dialog, QStringLiteral("70"));
        dialog->MemOK->click();
    });
    panel.Memory->click();

    QCOMPARE(rig.wire(1), QByteArray("@M7\r\n@M0\r\n"));
    QCOMPARE(
        plays(device),
        (QStringList{QStringLiteral("play location 7: #"), QStringLiteral("play ended"),
                     QStringLiteral("play location 0: 0123456789"), QStringLiteral("play ended")}));
    QCOMPARE(rig.statusTexts().last(), QStringLiteral("Ready"));
}

void MemoryPlayTest::repeatedLocationIsPlayedEachTime()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);

    DialogDriver driver(panel, [](MemoryMode *dialog) {
        typeInto(dialog, QStringLiteral("1111"));
        dialog->MemOK->click();
    });
    panel.Memory->click();

    QCOMPARE(rig.wire(1), QByteArray("@M1\r\n@M1\r\n@M1\r\n@M1\r\n"));
    QCOMPARE(plays(device).count(QStringLiteral("play location 1: *#ABCD")), 4);
}

void MemoryPlayTest::cancelAndFrameCloseSendNothing()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);

    const std::function<void(MemoryMode *)> ways[] = {
        [](MemoryMode *dialog) {
            typeInto(dialog, QStringLiteral("12"));
            dialog->MemAbort->click();
        },
        [](MemoryMode *dialog) {
            typeInto(dialog, QStringLiteral("12"));
            dialog->close();
        },
        [](MemoryMode *dialog) { QTest::keyClick(dialog->windowHandle(), Qt::Key_Escape); },
    };
    for (const auto &way : ways) {
        rig.clearTexts();
        QString tag;
        DialogDriver driver(panel, [&](MemoryMode *dialog) {
            way(dialog);
            tag = dialog->Tag;
        });
        QMap<QString, int> tickOf;
        const QMetaObject::Connection recording =
            QObject::connect(panel.StatusBox, &StatusTextBox::textSet, &panel,
                             [&](const QString &text) { tickOf[text] = rig.ticks(); });
        panel.Memory->click();
        QObject::disconnect(recording);

        QCOMPARE(tag, QStringLiteral("0"));
        QCOMPARE(rig.statusTexts(),
                 (QStringList{QStringLiteral("Memory Mode"), QStringLiteral("Cancelled.\r\n"),
                              QStringLiteral("Ready")}));
        QCOMPARE(tickOf[QStringLiteral("Ready")] - tickOf[QStringLiteral("Cancelled.\r\n")], 100);
        QCOMPARE(panel.memoryMode(), nullptr);
    }
    QCOMPARE(rig.wire(1), QByteArray());
}

void MemoryPlayTest::fieldTakesOnlyLocationDigits()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);
    const QString refused = QStringLiteral("Only numbers 0 through 7 allowed.");

    QStringList afterEachStep;
    DialogDriver driver(panel, [&](MemoryMode *dialog) {
        const auto step = [&](auto &&keys) {
            keys();
            afterEachStep << dialog->Location->text();
        };
        step([&] { typeInto(dialog, QStringLiteral("07")); });
        rig.boxes().answer(QMessageBox::Ok);
        step([&] { typeInto(dialog, QStringLiteral("8")); });
        rig.boxes().answer(QMessageBox::Ok);
        step([&] { typeInto(dialog, QStringLiteral("a")); });
        step([&] { typeInto(dialog, QStringLiteral("123456")); });
        step([&] { typeInto(dialog, QStringLiteral("5")); }); // a ninth is not taken
        step([&] { QTest::keyClick(dialog->windowHandle(), Qt::Key_Backspace); });
        step([&] { typeInto(dialog, QStringLiteral("6")); });
        dialog->MemOK->click();
    });
    panel.Memory->click();

    QCOMPARE(afterEachStep,
             (QStringList{QStringLiteral("07"), QStringLiteral("07"), QStringLiteral("07"),
                          QStringLiteral("07123456"), QStringLiteral("07123456"), QString(),
                          QStringLiteral("6")}));
    QCOMPARE(rig.boxes().texts(), (QStringList{refused, refused}));
    for (const BoxAnswerer::Seen &box : rig.boxes().seen()) {
        QCOMPARE(box.title, QStringLiteral("Zelvor"));
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.icon, QMessageBox::NoIcon);
    }
    QCOMPARE(rig.wire(1), QByteArray("@M6\r\n"));
}

void MemoryPlayTest::enterAcceptsOnlyAFilledField()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);

    QStringList tags;
    bool stayedOpen = false;
    DialogDriver driver(panel, [&](MemoryMode *dialog) {
        rig.boxes().answer(QMessageBox::Ok);
        pressEnter(dialog);
        tags << dialog->Tag;
        stayedOpen = dialog->isVisible() && panel.memoryMode() == dialog;
        typeInto(dialog, QStringLiteral("25"));
        pressEnter(dialog);
        tags << dialog->Tag;
    });
    panel.Memory->click();

    QCOMPARE(rig.boxes().texts(), QStringList{QStringLiteral("Please enter a location")});
    QVERIFY(stayedOpen);
    QCOMPARE(tags, (QStringList{QStringLiteral("-1"), QStringLiteral("2")}));
    QCOMPARE(rig.wire(1), QByteArray("@M2\r\n@M5\r\n"));
    QVERIFY(rig.boxes().allExpected());
}

void MemoryPlayTest::abortEndsAWaitForReadyThatNeverComes()
{
    // Abort by its button and by Esc on the main window.
    const std::function<void(Zelvo &)> aborts[] = {
        [](Zelvo &panel) { panel.Abort->click(); },
        [](Zelvo &panel) { QTest::keyClick(panel.windowHandle(), Qt::Key_Escape); },
    };
    for (const auto &abort : aborts) {
        PanelRig rig;
        zsim::SimulatedDevice &device = rig.addDevice(1);
        Zelvo &panel = startOn(rig, device);
        zsim::Faults faults;
        faults.neverReady = true;
        device.setFaults(faults);

        DialogDriver driver(panel, [](MemoryMode *dialog) {
            typeInto(dialog, QStringLiteral("35"));
            dialog->MemOK->click();
        });
        // Some polls after the digit, the user aborts (from outside the tick).
        int digitTick = -1;
        bool aborted = false;
        rig.setTickHook([&] {
            if (digitTick < 0 && rig.wire(1).endsWith("3\r\n"))
                digitTick = rig.ticks();
            if (digitTick >= 0 && rig.ticks() >= digitTick + 40 && !aborted) {
                aborted = true;
                QTimer::singleShot(0, &panel, [&] { abort(panel); });
            }
        });
        panel.Memory->click();

        QCOMPARE(rig.wire(1), QByteArray("@M3\r\n\r\n%"));
        QCOMPARE(rig.statusTexts().mid(rig.statusTexts().size() - 4),
                 (QStringList{QStringLiteral("Aborted.\r\n"), QString(), QStringLiteral("Ready"),
                              QStringLiteral("Ready")}));
        QVERIFY(panel.Memory->isEnabled());
    }
}

void MemoryPlayTest::readySplitAcrossTwoReads()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);
    zsim::Faults faults;
    faults.neverReady = true; // the test sends the "Ready" itself, in two pieces
    device.setFaults(faults);

    DialogDriver driver(panel, [](MemoryMode *dialog) {
        typeInto(dialog, QStringLiteral("2"));
        dialog->MemOK->click();
    });
    int digitTick = -1;
    bool restSent = false;
    bool gaveUp = false;
    rig.setTickHook([&] {
        if (digitTick < 0 && rig.wire(1).endsWith("2\r\n")) {
            digitTick = rig.ticks();
            device.inject("Rea");
        }
        // The poll has read "Rea" by now (it reads every 5 ticks).
        if (digitTick >= 0 && rig.ticks() >= digitTick + 20 && !restSent) {
            restSent = true;
            device.inject("dy\r\n");
        }
        // A poll that misses the word would wait for ever: end it to report.
        if (digitTick >= 0 && rig.ticks() >= digitTick + 400 && !gaveUp) {
            gaveUp = true;
            QTimer::singleShot(0, &panel, [&] { panel.Abort->click(); });
        }
    });
    panel.Memory->click();

    QVERIFY(!gaveUp);
    QCOMPARE(rig.wire(1), QByteArray("@M2\r\n"));
    QCOMPARE(rig.statusTexts().last(), QStringLiteral("Ready"));
}

void MemoryPlayTest::buttonIsDisabledWhilePlaying()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);
    QVERIFY(panel.Memory->isEnabled());

    bool enabledWithDialog = true;
    DialogDriver driver(panel, [&](MemoryMode *dialog) {
        enabledWithDialog = panel.Memory->isEnabled();
        typeInto(dialog, QStringLiteral("4"));
        dialog->MemOK->click();
    });
    bool enabledWhilePolling = true;
    rig.setTickHook([&] {
        if (rig.wire(1).endsWith("4\r\n"))
            enabledWhilePolling = enabledWhilePolling && panel.Memory->isEnabled();
    });
    panel.Memory->click();

    QVERIFY(!enabledWithDialog);
    QVERIFY(!enabledWhilePolling);
    QVERIFY(panel.Memory->isEnabled());
}

void MemoryPlayTest::endingTheApplicationWhileTheDialogIsOpen()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);

    DialogDriver driver(panel, [&](MemoryMode *dialog) {
        typeInto(dialog, QStringLiteral("1"));
        panel.close(); // closing the main window ends the application
    });
    panel.Memory->click();

    QCOMPARE(rig.endings(), 1);
    QCOMPARE(panel.memoryMode(), nullptr);
    QVERIFY(panel.Memory->isEnabled());
    QCOMPARE(rig.wire(1), QByteArray());
}

void MemoryPlayTest::lineDroppingDuringThePoll()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOn(rig, device);
    zsim::Faults faults;
    faults.neverReady = true;
    device.setFaults(faults);

    DialogDriver driver(panel, [](MemoryMode *dialog) {
        typeInto(dialog, QStringLiteral("56"));
        dialog->MemOK->click();
    });
    bool hungUp = false;
    rig.setTickHook([&] {
        if (!hungUp && rig.wire(1).endsWith("5\r\n")) {
            hungUp = true;
            device.hangUp();
        }
    });
    rig.boxes().answer(QMessageBox::Ok);
    panel.Memory->click();

    // The failing read ends the memory play with the port's error.
    QVERIFY(hungUp);
    QCOMPARE(rig.boxes().seen().size(), 1);
    QVERIFY(rig.boxes().seen().first().text.startsWith(QLatin1String("Error ")));
    QCOMPARE(rig.wire(1), QByteArray("@M5\r\n"));
    QVERIFY(panel.Memory->isEnabled());
}

QTEST_MAIN(MemoryPlayTest)
#include "tst_memoryplay.moc"
