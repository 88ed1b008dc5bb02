#pragma once

// Small helpers for tables of operations on a PanelRig: acting at given
// ticks of a running operation, answering a window once it shows, and
// comparing the events of chosen kinds.

#include "panelrig.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <functional>

// `events`, separated by blanks, at their tick counted from now: "N:hangup",
// "N:nomarkers" and "N:inject:TEXT" act on the device of COM1 at tick N; any
// other "N:WHAT" calls user(WHAT) from the event loop, so a tick later.
// Words without a tick are left to the caller.
inline void actAtTicks(PanelRig &rig, const QString &events,
                       std::function<void(const QString &)> user)
{
    const int start = rig.ticks();
    rig.setTickHook([&rig, start, user, pending = events.split(u' ')]() mutable {
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
                    &rig.panel(), [user, what] { user(what); }, Qt::QueuedConnection);
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

// Compares the transcript's events of the kinds `expected` names and of the
// kinds `always` with `expected`: events separated by new lines or " | ", a
// text ending in * standing for every text that begins so. "wire:BYTES"
// compares what COM1 received instead.
inline void compareEvents(PanelRig &rig, const QString &expected,
                          QSet<QString> always = {QStringLiteral(">"), QStringLiteral("box")})
{
    const QStringList transcript = rig.transcript(); // once the devices have read everything
    if (expected.startsWith(QLatin1String("wire:"))) {
        QCOMPARE(rig.wire(1), expected.mid(5).toLatin1());
        return;
    }
    QStringList want, got;
    for (const QString &line :
         expected.split(QRegularExpression(QStringLiteral(" *(\n|\\|) *")), Qt::SkipEmptyParts)) {
        const qsizetype quote = line.indexOf(u'"');
        want << line.left(quote).simplified() + u' ' + line.mid(quote);
        always << want.last().section(u' ', 1, 1);
    }
    for (const QString &line : transcript) {
        if (!always.contains(line.section(u' ', 1, 1)))
            continue;
        const qsizetype i = got.size();
        const bool wild = i < want.size() && want[i].endsWith(QLatin1String("*\""));
        got << (wild && line.startsWith(want[i].chopped(2)) ? want[i] : line);
    }
    QCOMPARE(got, want);
}
