// SPDX-License-Identifier: GPL-3.0-or-later
// How quickly a keypad press reaches the device: the time from a press of a
// keypad key (mouse) or of a PC key (keyboard) to the first byte of its
// command arriving at the simulated device, over 1,000 presses each.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_keypad
//
// Target: median under 2 ms. Presses are 10 ms apart, after the panel and the
// device have gone idle.
//
// Presses are delivered as the windowing system delivers them: the mouse
// press to the key's button, the key press to the main window's platform
// window, which hands it to the control with the focus after the window's
// key preview has seen it. The device is unpaced (no 9600-baud character
// time), so the figures are the panel's own delay plus the pseudo-terminal.

#include "app/zelvo.h"
#include "play/keypad.h"
#include "sim/simdevice.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Presses = 1000;
constexpr int IdleMs = 10;                       // between one press's release and the next press
constexpr qint64 ArrivalBoundNs = 1'000'000'000; // a press that takes longer counts as lost

void deliver(QObject *receiver, QEvent *event)
{
    QSpontaneKeyEvent::setSpontaneous(event);
    QCoreApplication::instance()->notify(receiver, event);
}

// Waits, spinning, until the device has received `count` bytes; the
// nanoseconds that took, or -1 past the bound.
qint64 waitForBytes(const zsim::SimulatedDevice &device, std::size_t count)
{
    QElapsedTimer clock;
    clock.start();
    while (device.received().size() < count) {
        if (clock.nsecsElapsed() > ArrivalBoundNs)
            return -1;
    }
    return clock.nsecsElapsed();
}

struct Figures
{
    double medianMs = 0;
    double p99Ms = 0;
    int lost = 0;
};

// Runs `press` and `release` Presses times; `press` must make the device
// receive `pressBytes` bytes and the pair `allBytes` bytes.
Figures measure(zsim::SimulatedDevice &device, const std::function<void()> &press,
                const std::function<void()> &release, std::size_t pressBytes, std::size_t allBytes)
{
    std::vector<double> delays;
    int lost = 0;
    for (int i = 0; i < Presses; ++i) {
        device.clearReceived();
        QElapsedTimer clock;
        clock.start();
        press();
        const qint64 arrival = waitForBytes(device, 1);
        if (arrival < 0) {
            ++lost;
        } else {
            delays.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        waitForBytes(device, pressBytes);
        release();
        // A key release may be held back briefly by the key preview (it waits
        // for a repeat pair's press): let the event loop run until it is out.
        QElapsedTimer released;
        released.start();
        while (device.received().size() < allBytes && released.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // The next press comes after a pause, as a user's does: the panel and
        // the device have gone idle (waking them is part of the delay).
        QElapsedTimer idle;
        idle.start();
        while (idle.elapsed() < IdleMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, IdleMs);
    }
    Figures figures;
    figures.lost = lost;
    if (delays.empty())
        return figures;
    std::sort(delays.begin(), delays.end());
    figures.medianMs = delays[delays.size() / 2];
    figures.p99Ms = delays[std::min(delays.size() - 1, delays.size() * 99 / 100)];
    return figures;
}

void print(const char *what, const Figures &figures)
{
    std::printf("%-9s press to first byte: median %.3f ms, 99th percentile %.3f ms over %d "
                "presses%s (target: median < 2 ms)\n",
                what, figures.medianMs, figures.p99Ms, Presses,
                figures.lost ? " - some presses never arrived" : "");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    zsim::Options options;
    options.paced = false;
    options.playScale = 0.0;
    zsim::SimulatedDevice device(options);
    std::string error;
    if (!device.start(&error)) {
        std::fprintf(stderr, "cannot start the simulated device: %s\n", error.c_str());
        return 1;
    }

    Zelvo::Config config;
    config.tickMs = 1;
    for (int port = 1; port <= 4; ++port)
        config.ports.setPath(port, QStringLiteral("/nonexistent/zelvor-bench-com%1").arg(port));
    config.ports.setPath(1, QString::fromStdString(device.portPath()));
    Zelvo panel(config);
    panel.start();
    if (panel.hasEnded() || !panel.windowHandle()) {
        std::fprintf(stderr, "the panel did not start\n");
        return 1;
    }
    // The focus on a keypad key, not in a settings field: keyboard tones are on.
    panel.activateWindow();
    panel.keypad()->KeyPad[4]->setFocus();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 200)
        QCoreApplication::processEvents();
    if (panel.Focused != kTrue) {
        std::fprintf(stderr, "keyboard tones are off (a settings field has the focus)\n");
        return 1;
    }

    QPushButton *five = panel.keypad()->KeyPad[4];
    const QPointF centre = QPointF(five->rect().center());
    ulong timestamp = 0;
    const auto mouse = [&](QEvent::Type type) {
        timestamp += 10'000; // far apart: never a double click
        QMouseEvent event(type, centre, five->mapToGlobal(centre), Qt::RightButton,
                          type == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton,
                          Qt::NoModifier);
        event.setTimestamp(timestamp);
        deliver(five, &event);
    };
    const Figures byMouse = measure(
        device, [&] { mouse(QEvent::MouseButtonPress); },
        [&] { mouse(QEvent::MouseButtonRelease); }, 2, 3);
    print("mouse", byMouse);

    QWindow *window = panel.windowHandle();
    quint64 keyTime = 0;
    const auto key = [&](QEvent::Type type) {
        // The "5" key as X11 reports it: keycode 14, keysym "5", a timestamp.
        keyTime += 100;
        QKeyEvent event(type, Qt::Key_5, Qt::NoModifier, 14, '5', 0, QStringLiteral("5"));
        event.setTimestamp(keyTime);
        deliver(window, &event);
    };
    const Figures byKeyboard = measure(
        device, [&] { key(QEvent::KeyPress); }, [&] { key(QEvent::KeyRelease); }, 2, 3);
    print("keyboard", byKeyboard);

    if (device.received() != "%5%")
        std::fprintf(stderr, "unexpected bytes on the wire: %s\n", device.received().c_str());
    return 0;
}
