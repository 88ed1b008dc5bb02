// Sending the Multi Play list, byte for byte and tick for tick, and opening
// and closing the window from the main window's "Multi Play" button.

#include "app/defprompt.h"
#include "app/statusbox.h"
#include "link/mscomm.h"
#include "play/multiplay.h"
#include "support/panelrig.h"

#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <utility>
#include <vector>

namespace {

// A panel linked to the device on COM1, with the wire and the texts cleared.
Zelvo &startOnCom1(PanelRig &rig)
{
    rig.addDevice(1);
    Zelvo &panel = rig.start();
    rig.clearWire();
    rig.clearTexts();
    return panel;
}

void fillRow(MultiPlay &window, int row, const QString &tone, const QString &duration,
             const QString &space)
{
    window.setTextMatrix(row, 1, tone);
    window.setTextMatrix(row, 2, duration);
    window.setTextMatrix(row, 3, space);
}

void type(MultiPlay &window, const QString &keys)
{
    for (const QChar ch : keys) {
        if (ch == u'\r')
            QTest::keyClick(window.windowHandle(), Qt::Key_Return);
        else
            QTest::keyClick(window.windowHandle(), ch.toLatin1());
    }
}

// What reached COM1, piece by piece, with the tick at which each piece was
// first seen. While the window sends, the main window's clock is held, so
// every counted tick is one of the window's own; settle() lets it run again
// so that what was written after the last wait is seen at the next tick.
class WireClock
{
public:
    WireClock(PanelRig &rig, Zelvo &panel) : m_rig(rig), m_panel(panel)
    {
        panel.Timer1->stop();
        const auto inner = panel.tickGate();
        panel.setTickGate([this, inner] {
            if (!inner())
                return false;
            const QByteArray wire = m_rig.wire(1);
            if (wire.size() > m_seen) {
                m_pieces.append({m_rig.ticks(), wire.mid(m_seen)});
                m_seen = wire.size();
            }
            return true;
        });
    }

    void settle() { m_panel.Timer1->start(); }

    // Each piece as "+N bytes", N the ticks counted since the piece before it.
    QList<QByteArray> pieces() const
    {
        QList<QByteArray> result;
        for (qsizetype i = 0; i < m_pieces.size(); ++i) {
            const int since = i == 0 ? 0 : m_pieces[i].first - m_pieces[i - 1].first;
            result << "+" + QByteArray::number(since) + " " + m_pieces[i].second;
        }
        return result;
    }

private:
    PanelRig &m_rig;
    Zelvo &m_panel;
    qsizetype m_seen = 0;
    QList<QPair<int, QByteArray>> m_pieces;
};

// Drives a window while a handler waits for it: each step runs once its
// condition holds, from a timer that keeps firing inside the handler's waits.
// Steps that wait themselves (a send, a second opener) must be posted.
class Script
{
public:
    Script()
    {
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { step(); });
        m_timer.start();
    }
    void then(std::function<bool()> when, std::function<void()> act)
    {
        m_steps.push_back({std::move(when), std::move(act)});
    }
    bool finished() const { return m_next == m_steps.size(); }

private:
    void step()
    {
        if (finished() || !m_steps[m_next].first())
            return;
        const auto act = m_steps[m_next++].second;
        act();
    }

    QTimer m_timer;
    std::vector<std::pair<std::function<bool()>, std::function<void()>>> m_steps;
    std::size_t m_next = 0;
};

void post(QObject *context, std::function<void()> action)
{
    QTimer::singleShot(0, context, std::move(action));
}

bool shown(Zelvo &panel)
{
    return panel.multiPlayExists() && panel.multiPlay()->isVisible();
}

const QStringList ClosedOnce{QStringLiteral("Finished\r\n"), QStringLiteral("Ready")};

} // namespace

class MultiPlaySendTest : public QObject
{
    Q_OBJECT

private slots:
    void listGoesOutLineByLine();
    void rowsAsTheyStand();
    void typedListGoesOutAsTyped();
    void silentDeviceGetsOnlyProbeAndEnd();
    void listNeedsBothMarkers();
    void closedPortSendsNothingSilently();
    void closeAndReopenKeepTheList();
    void oneCloseEndsTwoOpeners();
    void closeDuringASendIsSeenAfterIt();
    void endingTheApplicationDuringASend();
};

void MultiPlaySendTest::listGoesOutLineByLine()
{
    PanelRig rig;
    Zelvo &panel = startOnCom1(rig);
    MultiPlay &window = *panel.multiPlay();
    fillRow(window, 1, QStringLiteral("5"), QStringLiteral("100"), QStringLiteral("50"));
    fillRow(window, 2, QStringLiteral("#"), QStringLiteral("250"), QStringLiteral("20"));
    panel.RtnString = QStringLiteral("main");
    panel.Present = 7;
    rig.device(1).clearLog();
    WireClock clock(rig, panel);
    window.Send->click();

    const QList<QByteArray> expected{"+0 @", "+25 F", "+10 5,100,50\r\n", "+15 #,250,20\r\n",
                                     "+25 \r\n"};
    clock.settle();
    QTRY_COMPARE_WITH_TIMEOUT(clock.pieces(), expected, 10000);
    QCOMPARE(rig.promptTexts(), QStringList{QStringLiteral("Sending Data")});
    QVERIFY(!panel.defPrompt()->isVisible());
    // The window's own link: the main window's variables and status stay.
    QCOMPARE(panel.RtnString, QStringLiteral("main"));
    QCOMPARE(panel.Present, qint16(7));
    QCOMPARE(window.Present, qint16(1));
    QVERIFY(rig.statusTexts().isEmpty());
    QCOMPARE(window.Tag, QStringLiteral("-1"));
    // The device took it as one list of two tones.
    const auto listLogged = [&] {
        const std::vector<std::string> log = rig.device(1).log();
        return std::find(log.begin(), log.end(), "tone list: 5 100/50, # 250/20") != log.end();
    };
    QTRY_VERIFY_WITH_TIMEOUT(listLogged(), 10000);
}

void MultiPlaySendTest::rowsAsTheyStand()
{
    PanelRig rig;
    Zelvo &panel = startOnCom1(rig);
    MultiPlay &window = *panel.multiPlay();
    fillRow(window, 1, QStringLiteral("5"), QString(), QString());
    fillRow(window, 2, QString(), QStringLiteral("300"), QStringLiteral("40"));
    fillRow(window, 3, QStringLiteral("b"), QStringLiteral("007"), QStringLiteral("99999"));
    fillRow(window, 20, QStringLiteral("D"), QStringLiteral("20"), QStringLiteral("65535"));
    window.Send->click();
    QTRY_COMPARE_WITH_TIMEOUT(rig.wire(1), QByteArray("@F5,,\r\nb,007,99999\r\nD,20,65535\r\n\r\n"),
                              10000);

    // A list without any tone still opens and ends the transfer; a second send
    // goes out again from the same window.
    rig.clearWire();
    window.clearList();
    window.Send->click();
    QTRY_COMPARE_WITH_TIMEOUT(rig.wire(1), QByteArray("@F\r\n"), 10000);
}

void MultiPlaySendTest::typedListGoesOutAsTyped()
{
    PanelRig rig;
    Zelvo &panel = startOnCom1(rig);
    MultiPlay &window = *panel.multiPlay();
    window.show();
    type(window, QStringLiteral("b\r0100\r30\r*\r25\r20\r"));
    window.Send->click();
    QTRY_COMPARE_WITH_TIMEOUT(rig.wire(1), QByteArray("@Fb,0100,30\r\n*,25,20\r\n\r\n"), 10000);
    QVERIFY(rig.boxes().seen().isEmpty());
}

void MultiPlaySendTest::silentDeviceGetsOnlyProbeAndEnd()
{
    PanelRig rig;
    Zelvo &panel = startOnCom1(rig);
    zsim::Faults faults;
    faults.silent = true;
    rig.device(1).setFaults(faults);
    MultiPlay &window = *panel.multiPlay();
    fillRow(window, 1, QStringLiteral("5"), QStringLiteral("100"), QStringLiteral("50"));
    WireClock clock(rig, panel);
    window.Send->click();

    const QList<QByteArray> expected{"+0 @", "+35 \r\n"};
    clock.settle();
    QTRY_COMPARE_WITH_TIMEOUT(clock.pieces(), expected, 10000);
    QCOMPARE(window.Present, qint16(0));
    QVERIFY(rig.promptTexts().isEmpty());
    QVERIFY(!panel.defPrompt()->isVisible());
    QVERIFY(rig.boxes().seen().isEmpty());
    QVERIFY(rig.statusTexts().isEmpty());
}

void MultiPlaySendTest::listNeedsBothMarkers()
{
    for (const bool lowerCase : {false, true}) {
        PanelRig rig;
        Zelvo &panel = startOnCom1(rig);
        zsim::Faults faults;
        faults.noMarkers = !lowerCase;
        faults.lowerCaseMarkers = lowerCase;
        rig.device(1).setFaults(faults);
        MultiPlay &window = *panel.multiPlay();
        fillRow(window, 1, QStringLiteral("5"), QStringLiteral("100"), QStringLiteral("50"));
        window.Send->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig.wire(1), QByteArray("@\r\n"), 10000);
        QVERIFY(!panel.defPrompt()->isVisible());
    }
}

void MultiPlaySendTest::closedPortSendsNothingSilently()
{
    PanelRig rig;
    Zelvo &panel = startOnCom1(rig);
    panel.MSComm1->setPortOpen(false);
    MultiPlay &window = *panel.multiPlay();
    fillRow(window, 1, QStringLiteral("5"), QStringLiteral("100"), QStringLiteral("50"));
    window.Send->click();
    QCOMPARE(rig.wire(1), QByteArray());
    QCOMPARE(window.Present, qint16(0));
    QCOMPARE(window.RtnString, QString());
    QVERIFY(rig.boxes().seen().isEmpty());
    QVERIFY(rig.statusTexts().isEmpty());
}

void MultiPlaySendTest::closeAndReopenKeepTheList()
{
    PanelRig rig;
    Zelvo &panel = startOnCom1(rig);

    Script first;
    first.then([&] { return shown(panel); },
               [&] {
                   MultiPlay &window = *panel.multiPlay();
                   QCOMPARE(window.Tag, QStringLiteral("-1"));
                   type(window, QStringLiteral("5\r100\r50\r"));
                   window.Cancel->click();
               });
    panel.Multi->click();
    QVERIFY(first.finished());
    QPointer<MultiPlay> window = panel.multiPlay();
    QVERIFY(!window->isVisible());
    QCOMPARE(window->Tag, QStringLiteral("0"));
    QCOMPARE(rig.statusTexts(), ClosedOnce);
    QCOMPARE(panel.StatusBox->text(), QStringLiteral("Ready"));

    // Reopened, the window shows the list as it was left; closing it through
    // its frame counts as Close and keeps the window.
    rig.clearTexts();
    QString shownTone;
    QPair<int, int> shownCell;
    Script second;
    second.then([&] { return shown(panel); },
                [&] {
                    shownTone = window->textMatrix(1, 1) + window->textMatrix(1, 2);
                    shownCell = {window->currentRow(), window->currentColumn()};
                    window->close();
                });
    panel.Multi->click();
    QVERIFY(second.finished());
    QVERIFY(window);
    QCOMPARE(panel.multiPlay(), window.data());
    QVERIFY(!window->isVisible());
    QCOMPARE(shownTone, QStringLiteral("5100"));
    QCOMPARE(shownCell, qMakePair(2, 1));
    QCOMPARE(rig.statusTexts(), ClosedOnce);
    QCOMPARE(window->textMatrix(1, 3), QStringLiteral("50"));
    QCOMPARE(rig.wire(1), QByteArray());
}

void MultiPlaySendTest::oneCloseEndsTwoOpeners()
{
    PanelRig rig;
    Zelvo &panel = startOnCom1(rig);
    bool secondWaiting = false;
    bool secondReturned = false;
    Script script;
    script.then([&] { return shown(panel); },
                [&] {
                    post(&panel, [&] {
                        secondWaiting = true;
                        panel.Multi->click();
                        secondReturned = true;
                    });
                });
    script.then([&] { return secondWaiting; }, [&] { panel.multiPlay()->Cancel->click(); });
    panel.Multi->click();
    QVERIFY(script.finished());
    QVERIFY(secondReturned);
    QCOMPARE(rig.statusTexts(), ClosedOnce + ClosedOnce);
    QVERIFY(!panel.multiPlay()->isVisible());
}

void MultiPlaySendTest::closeDuringASendIsSeenAfterIt()
{
    PanelRig rig;
    Zelvo &panel = startOnCom1(rig);
    MultiPlay &window = *panel.multiPlay();
    fillRow(window, 1, QStringLiteral("5"), QStringLiteral("100"), QStringLiteral("50"));
    bool sendReturned = false;
    bool sentBeforeFinished = false;
    QObject::connect(panel.StatusBox, &StatusTextBox::textSet, &panel, [&](const QString &text) {
        if (text.startsWith(QStringLiteral("Finished")))
            sentBeforeFinished = sendReturned;
    });
    Script script;
    script.then([&] { return shown(panel); },
                [&] {
                    post(&panel, [&] {
                        window.Send->click();
                        sendReturned = true;
                    });
                });
    script.then([&] { return rig.wire(1).contains('F'); }, [&] { window.Cancel->click(); });
    panel.Multi->click();
    QVERIFY(script.finished());
    QVERIFY(sentBeforeFinished);
    QCOMPARE(rig.statusTexts(), ClosedOnce);
    QTRY_COMPARE_WITH_TIMEOUT(rig.wire(1), QByteArray("@F5,100,50\r\n\r\n"), 10000);
}

void MultiPlaySendTest::endingTheApplicationDuringASend()
{
    PanelRig rig;
    Zelvo &panel = startOnCom1(rig);
    MultiPlay &window = *panel.multiPlay();
    fillRow(window, 1, QStringLiteral("5"), QStringLiteral("100"), QStringLiteral("50"));
    Script script;
    script.then([&] { return shown(panel); }, [&] { post(&panel, [&] { window.Send->click(); }); });
    script.then([&] { return rig.wire(1).contains('F'); },
                [&] { post(&panel, [&] { panel.close(); }); });
    panel.Multi->click();
    QVERIFY(script.finished());
    QCOMPARE(rig.endings(), 1);
    QVERIFY(!window.isVisible());
    QVERIFY(!panel.MSComm1->portOpen());
    // Neither the opener nor the send went on after the end.
    QVERIFY(!rig.statusTexts().contains(QStringLiteral("Ready")));
    QCOMPARE(rig.wire(1), QByteArray("@F"));
}

QTEST_MAIN(MultiPlaySendTest)
#include "tst_multiplay_send.moc"
