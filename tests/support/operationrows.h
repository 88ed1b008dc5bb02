#pragma once

// Helpers for tables of operations on a PanelRig: the devices a row asks for,
// acts at given ticks, a window answered once it shows, chosen events compared.

#include "link/mscomm.h"
#include "panelrig.h"
#include "play/playpanel.h"

#include <QAction>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <functional>

// One data row per entry of `rows`, named by its `name`; the column "row" is its index.
template <typename Row, std::size_t N> void indexRows(const Row (&rows)[N])
{
    QTest::addColumn<int>("row");
    for (const Row &row : rows)
        QTest::newRow(row.name) << int(&row - rows);
}

// Starts a panel with devices on COM1 (able to come back after a hang-up, never
// "Ready" on its own) and COM2; then `events` (tests/README.md) happen at their
// tick from now, those of the user from the event loop, any other to `user`.
inline Zelvo &startRow(PanelRig &rig, const QString &events,
                       std::function<void(const QString &)> user = {})
{
    zsim::Options options = PanelRig::unpaced();
    options.linkPath = rig.linkPath(1).toStdString();
    zsim::SimulatedDevice &device = rig.addDevice(1, options);
    rig.addDevice(2);
    Zelvo &panel = rig.start();
    zsim::Faults faults;
    faults.silent = events.contains("silent");
    faults.neverReady = true;
    device.setFaults(faults);
    if (events.contains("closed"))
        panel.MSComm1->setPortOpen(false);
    QStringList pending = events.split(u' ') << QStringLiteral("5000:abort");
    rig.setTickHook([&rig, &device, &panel, start = rig.ticks(), user, pending]() mutable {
        for (qsizetype i = 0; i < pending.size(); ++i) {
            const QString what = pending[i].section(u':', 1);
            if (what.isEmpty() || rig.ticks() - start < pending[i].section(u':', 0, 0).toInt())
                continue;
            pending.removeAt(i--);
            zsim::Faults faults = device.faults();
            faults.lowerCaseMarkers = true;
            if (what == "lowercase")
                device.setFaults(faults);
            else if (what == "hangup")
                device.hangUp();
            else if (what.startsWith("inject:"))
                device.inject(what.mid(7).toStdString());
            else
                QTimer::singleShot(0, &panel, [&panel, user, what] {
                    if (what == "abort")
                        panel.plays()->Abort->click();
                    else if (what == "esc")
                        QTest::keyClick(panel.windowHandle(), Qt::Key_Escape);
                    else if (what == "com2")
                        panel.portMenu().COM2->trigger();
                    else
                        user(what);
                });
        }
    });
    return panel;
}

// Runs `act` once `shown()` holds, from inside the waits of the operation.
inline void whenShown(QObject *context, std::function<bool()> shown, std::function<void()> act)
{
    auto *timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, shown, act] {
        if (!shown())
            return;
        timer->stop();
        timer->deleteLater();
        act();
    });
    timer->start(1);
}

// After a hang-up, brings COM1's device back, picks its port again and
// checks that `next` then writes `wire` there.
inline void lineBack(PanelRig &rig, std::function<void()> next, const QByteArray &wire)
{
    if (QTest::currentTestFailed() || rig.device(1).connected())
        return;
    QVERIFY(rig.device(1).reconnect());
    rig.device(1).setFaults({});
    rig.setTickHook({});
    rig.panel().portMenu().COM1->trigger();
    rig.clearWire();
    next();
    rig.transcript(); // once the device has read everything
    QCOMPARE(rig.wire(1), wire);
}

// Compares the events of the kinds `expected` or `always` names with
// `expected` (" | " or new lines between events, texts whole); "wire:BYTES"
// compares what COM1 received.
inline void compareEvents(PanelRig &rig, const QString &expected, const QString &always = "> box")
{
    const QStringList transcript = rig.transcript(); // once the devices have read everything
    if (expected.startsWith("wire:")) {
        QCOMPARE(rig.wire(1), expected.mid(5).toLatin1());
        return;
    }
    QStringList want, got, kinds = always.split(u' ');
    for (const QString &line :
         expected.split(QRegularExpression(" *(\n|\\|) *"), Qt::SkipEmptyParts)) {
        want << line.left(line.indexOf(u'"')).simplified() + u' ' + line.mid(line.indexOf(u'"'));
        kinds << want.last().section(u' ', 1, 1);
    }
    for (const QString &line : transcript) {
        if (kinds.contains(line.section(u' ', 1, 1)))
            got << line;
    }
    QCOMPARE(got, want);
}
