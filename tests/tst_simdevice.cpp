// SPDX-License-Identifier: GPL-3.0-or-later
// What the panel's tests rely on in the simulated device and cannot see for
// themselves: a location still playing keeps it busy (the test clock waits
// for it), a dropped line owes nothing, a renewed one is found under the same
// path with the memory kept, markers can come in lower case, and a long run
// keeps only the most recent of what it records.

#include "sim/simdevice.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The panel's end of the line (the device has made it raw).
struct Line
{
    explicit Line(const std::string &path)
        : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {}
    ~Line() { ::close(fd); }
    bool send(const QByteArray &bytes)
    {
        return ::write(fd, bytes.data(), size_t(bytes.size())) == bytes.size();
    }
    QByteArray text()
    {
        char buffer[256];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            in.append(buffer, n);
        return in;
    }
    int fd;
    QByteArray in;
};

} // namespace

class TstSimDevice : public QObject
{
    Q_OBJECT

private slots:
    void hangUpAndReconnect()
    {
        QTemporaryDir dir;
        zsim::Options options;
        options.paced = false;
        options.playScale = 1000;
        options.linkPath = dir.filePath("com1").toStdString();
        zsim::SimulatedDevice device(options);
        QVERIFY(device.start());
        zsim::Memory memory = device.memory();
        memory[1] = {"42", 40, 30};
        device.setMemory(memory);
        auto line = std::make_unique<Line>(options.linkPath);
        QVERIFY(line->send("M0\r\n"));
        QTRY_COMPARE(line->text(), QByteArray("MP\r\n"));
        QVERIFY(!device.quiescent());
        device.hangUp();
        QVERIFY(device.quiescent() && !device.connected());
        QVERIFY(device.reconnect() && device.connected());
        zsim::Faults faults;
        faults.lowerCaseMarkers = true;
        device.setFaults(faults);
        line = std::make_unique<Line>(options.linkPath);
        QVERIFY(line->send("@V1"));
        QTRY_COMPARE(line->text(),
                     QByteArray("connect\r\nvm\r\n\r\nLocation 1\r\nLength = 40 ms\r\n"
                                "Space = 30ms\r\nString = 42\r\nView ended\r\n"));
    }

    void longRunsKeepTheirTailOnly()
    {
        zsim::Options options;
        options.paced = false;
        options.playScale = 0;
        zsim::SimulatedDevice device(options);
        QVERIFY(device.start());
        const QByteArray taps = QByteArray("$5").repeated(zsim::KeptBytes);    // a log line each
        const int fd = ::open(device.portPath().c_str(), O_WRONLY | O_NOCTTY); // blocking
        QCOMPARE(::write(fd, taps.constData(), size_t(taps.size())), taps.size());
        ::close(fd);
        QTRY_COMPARE(device.receivedTotal(), std::size_t(taps.size()));
        const std::string kept = device.received();
        QVERIFY(kept.size() >= zsim::KeptBytes && kept.size() < std::size_t(taps.size()));
        QVERIFY(taps.endsWith(QByteArray::fromStdString(kept)));
        const std::vector<std::string> log = device.log();
        QVERIFY(log.size() >= zsim::KeptLogLines && log.size() < 2 * zsim::KeptLogLines);
    }
};

QTEST_GUILESS_MAIN(TstSimDevice)
#include "tst_simdevice.moc"
