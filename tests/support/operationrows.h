// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers for tables of operations on a PanelRig: the devices a row asks for,
// acts at given ticks, a window answered once it shows, chosen events compared.

#include "core/text.h"
#include "link/mscomm.h"
#include "panelrig.h"
#include "play/memorymode.h"
#include "play/playpanel.h"
#include "play/singlemode.h"
#include "textrows.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QWindow>

#include <functional>

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
    // An operation that outlasts its Abort would hang the suite: it stops at once instead.
    QStringList pending = events.split(u' ') << QStringLiteral("5000:abort 6000:stuck").split(u' ');
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
            else if (what == "stuck")
                qFatal("%s: still running 1000 ticks after its Abort", QTest::currentDataTag());
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

// Dialog steps: text typed (Memory Play), tTEXT / dTEXT put into Tone /
// Duration ("_" a blank), =TEXT compares Location / Duration, [again] presses
// Timed Play once more, [ok] [cancel] [close] [esc] [enter] [tab] [lf] [bs].
inline void answerPlay(Zelvo &panel, QDialog *dialog, const QString &steps)
{
    const QStringList keys{"[esc]", "[enter]", "[tab]", "[bs]"};
    auto *memory = qobject_cast<MemoryMode *>(dialog);
    auto *single = qobject_cast<SingleMode *>(dialog);
    QWindow *window = dialog->windowHandle();
    for (QString step : steps.split(u' ', Qt::SkipEmptyParts)) {
        step.replace(u'_', u' ');
        if (keys.contains(step))
            QTest::keyClick(window, std::array{Qt::Key_Escape, Qt::Key_Return, Qt::Key_Tab,
                                               Qt::Key_Backspace}[keys.indexOf(step)]);
        else if (step == QLatin1String("[ok]"))
            (memory ? memory->MemOK : single->OK)->click();
        else if (step == QLatin1String("[cancel]"))
            (memory ? memory->MemAbort : single->Cancel)->click();
        else if (step == QLatin1String("[close]"))
            dialog->close();
        else if (step == QLatin1String("[lf]"))
            QTest::sendKeyEvent(QTest::Click, window, Qt::Key_J, "\n", Qt::ControlModifier);
        else if (step == QLatin1String("[again]"))
            panel.plays()->Single->click();
        else if (step[0] == u'=')
            QCOMPARE((memory ? memory->Location : single->Duration)->text(), step.mid(1));
        else if (single)
            (step[0] == u't' ? single->Tone : single->Duration)->setText(step.mid(1));
        else
            QTest::keyClicks(memory->Location, step);
    }
    if (numericValue(memory ? memory->Tag : single->Tag) == -1) // still open: never ends
        dialog->reject();
}

// Runs the operations of `steps` ("memory 3 [ok]; abort; timed t5 d20 [ok]").
inline void runPlays(Zelvo &panel, const QString &steps)
{
    const auto dialog = [&panel]() -> QDialog * {
        QDialog *shown = panel.plays()->memoryMode();
        shown = shown ? shown : panel.plays()->singleMode();
        return shown && shown->isVisible() ? shown : nullptr;
    };
    for (const QString &operation : steps.split(u';')) {
        const QString name = operation.section(u' ', 0, 0, QString::SectionSkipEmpty);
        const QString rest = operation.section(u' ', 1, -1, QString::SectionSkipEmpty);
        if (name != QLatin1String("abort"))
            whenShown(&panel, dialog,
                      [&panel, dialog, rest] { answerPlay(panel, dialog(), rest); });
        (name == QLatin1String("abort")    ? panel.plays()->Abort
         : name == QLatin1String("memory") ? panel.plays()->Memory
                                           : panel.plays()->Single)
            ->click();
    }
}
