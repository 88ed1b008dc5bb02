#pragma once

// Small helpers for tables of operations on a PanelRig: a panel with its
// devices as a row asks for them, acts at given ticks of a running
// operation, answering a window once it shows, and comparing the events of
// chosen kinds.

#include "link/mscomm.h"
#include "panelrig.h"

#include <QAction>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <functional>

// Starts a panel with devices on COM1 (able to come back after a hang-up)
// and COM2. COM1's device never says "Ready" on its own; with "silent" in
// `events` it answers nothing, with "closed" the panel's port is closed.
inline zsim::SimulatedDevice &startWithDevices(PanelRig &rig, const QString &events)
{
    zsim::Options options = PanelRig::unpaced();
    options.linkPath = rig.linkPath(1).toStdString();
    zsim::SimulatedDevice &device = rig.addDevice(1, options);
    rig.addDevice(2);
    rig.start();
    zsim::Faults faults;
    faults.silent = events.contains(QLatin1String("silent"));
    faults.neverReady = true;
    device.setFaults(faults);
    if (events.contains(QLatin1String("closed")))
        rig.panel().MSComm1->setPortOpen(false);
    return device;
}

// `events`, separated by blanks, at their tick counted from now: "N:hangup",
// "N:nomarkers" and "N:inject:TEXT" act on COM1's device at tick N; the
// user's "N:abort", "N:esc", "N:com2" and "N:end" (closing the main window)
// and any other "N:WHAT", handed to `user`, come from the event loop a tick
// later. An operation still running at tick 5000 is aborted.
inline void actAtTicks(PanelRig &rig, const QString &events,
                       std::function<void(const QString &)> user = {})
{
    const int start = rig.ticks();
    QStringList pending = events.split(u' ') << QStringLiteral("5000:abort");
    rig.setTickHook([&rig, start, user, pending]() mutable {
        for (qsizetype i = 0; i < pending.size(); ++i) {
            const QString what = pending[i].section(u':', 1);
            if (what.isEmpty() || rig.ticks() - start < pending[i].section(u':', 0, 0).toInt())
                continue;
            pending.removeAt(i--);
            zsim::SimulatedDevice &device = rig.device(1);
            zsim::Faults faults = device.faults();
            faults.noMarkers = true;
            if (what == QLatin1String("nomarkers"))
                device.setFaults(faults);
            else if (what == QLatin1String("hangup"))
                device.hangUp();
            else if (what.startsWith(QLatin1String("inject:")))
                device.inject(what.mid(7).toStdString());
            else
                QMetaObject::invokeMethod(
                    &rig.panel(),
                    [&panel = rig.panel(), user, what] {
                        if (what == QLatin1String("abort"))
                            panel.Abort->click();
                        else if (what == QLatin1String("esc"))
                            QTest::keyClick(panel.windowHandle(), Qt::Key_Escape);
                        else if (what == QLatin1String("com2"))
                            panel.COM2->trigger();
                        else if (what == QLatin1String("end"))
                            panel.close();
                        else if (user)
                            user(what);
                    },
                    Qt::QueuedConnection);
        }
    });
}

// Runs `act` once `shown()` holds, from inside the waits of the operation.
inline void whenShown(QObject *context, std::function<bool()> shown, std::function<void()> act)
{
    auto *timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, shown, act] {
        if (!shown())
            return;
        timer->deleteLater();
        timer->stop();
        act();
    });
    timer->start(1);
}

// After a hang-up, brings COM1's device back and picks its port again;
// false when the line never dropped.
inline bool lineBack(PanelRig &rig)
{
    if (rig.device(1).connected())
        return false;
    if (!rig.device(1).reconnect())
        qWarning("the device did not come back");
    rig.device(1).setFaults({});
    rig.setTickHook({});
    rig.panel().COM1->trigger();
    rig.clearWire();
    return true;
}

// Compares the transcript's events of the kinds `expected` names and of the
// kinds `always` (blank-separated) with `expected`: events separated by new
// lines or " | ", a text ending in * standing for every text that begins
// so. "wire:BYTES" compares what COM1 received instead.
inline void compareEvents(PanelRig &rig, const QString &expected, const QString &always = "> box")
{
    const QStringList transcript = rig.transcript(); // once the devices have read everything
    if (expected.startsWith(QLatin1String("wire:"))) {
        QCOMPARE(rig.wire(1), expected.mid(5).toLatin1());
        return;
    }
    QStringList want, got, kinds = always.split(u' ');
    for (const QString &line :
         expected.split(QRegularExpression(QStringLiteral(" *(\n|\\|) *")), Qt::SkipEmptyParts)) {
        const qsizetype quote = line.indexOf(u'"');
        want << line.left(quote).simplified() + u' ' + line.mid(quote);
        kinds << want.last().section(u' ', 1, 1);
    }
    for (const QString &line : transcript) {
        if (!kinds.contains(line.section(u' ', 1, 1)))
            continue;
        const qsizetype i = got.size();
        const bool wild = i < want.size() && want[i].endsWith(QLatin1String("*\""));
        got << (wild && line.startsWith(want[i].chopped(2)) ? want[i] : line);
    }
    QCOMPARE(got, want);
}
