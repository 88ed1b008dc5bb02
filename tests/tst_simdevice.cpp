// What the panel's own tests cannot see of the simulated device: its fault
// switches, when it counts as quiet (the test clock relies on it), and a
// dropped and renewed line.

#include "sim/simdevice.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The panel's end of the line, raw and non-blocking.
struct Client
{
    explicit Client(const std::string &path)
        : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios settings{};
        ::tcgetattr(fd, &settings);
        ::cfmakeraw(&settings);
        ::tcsetattr(fd, TCSANOW, &settings);
    }
    ~Client() { ::close(fd); }
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

zsim::Options instant()
{
    zsim::Options options;
    options.paced = false;
    options.playScale = 0;
    return options;
}

} // namespace

class TstSimDevice : public QObject
{
    Q_OBJECT

private slots:
    void faults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("received");
        QTest::newRow("none") << "" << QByteArray("\0\xffR@V@", 6)
                              << QByteArray("Zelvor 2.1Connect\r\nVM\r\nConnect\r\n");
        QTest::newRow("lower-case markers")
            << "lower" << QByteArray("@M3\r\n") << QByteArray("connect\r\nmp\r\nready\r\n");
        QTest::newRow("no markers") << "bare" << QByteArray("@R") << QByteArray("\r\nZelvor 2.1");
        QTest::newRow("silent") << "silent" << QByteArray("@V0") << QByteArray();
        QTest::newRow("never ready") << "ready" << QByteArray("M3\r\n") << QByteArray("MP\r\n");
        QTest::newRow("held") << "held" << QByteArray("@") << QByteArray();
    }
    void faults()
    {
        QFETCH(QString, fault);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, received);
        zsim::SimulatedDevice device(instant());
        QVERIFY(device.start());
        zsim::Faults faults;
        faults.lowerCaseMarkers = fault == "lower";
        faults.noMarkers = fault == "bare";
        faults.silent = fault == "silent";
        faults.neverReady = fault == "ready";
        faults.holdReplies = fault == "held";
        device.setFaults(faults);
        Client client(device.portPath());
        QVERIFY(client.send(sent));
        QTRY_COMPARE(device.receivedTotal(), size_t(sent.size()));
        QTRY_VERIFY(device.quiescent()); // held replies are not owed
        QTRY_COMPARE(client.text(), received);
        QCOMPARE(QByteArray::fromStdString(device.received()), sent);
        device.releaseHeld();
        QTRY_COMPARE(client.text(), received + (fault == "held" ? "Connect\r\n" : ""));
    }

    // A playing location or a late reply is owed; a dropped line owes nothing.
    void quietMeansNothingOwed()
    {
        zsim::Options slow = instant();
        slow.playScale = 1000;
        zsim::SimulatedDevice playing(slow), late(instant());
        QVERIFY(playing.start() && late.start());
        zsim::Faults faults;
        faults.replyDelayMs = 600000;
        late.setFaults(faults);
        Client a(playing.portPath()), b(late.portPath());
        QVERIFY(a.send("M0\r\n") && b.send("@"));
        QTRY_COMPARE(a.text(), QByteArray("MP\r\n"));
        QVERIFY(!playing.quiescent() && !late.quiescent());
        playing.hangUp();
        late.hangUp();
        QVERIFY(playing.quiescent() && late.quiescent() && !playing.connected());
    }

    void hangUpAndReconnect()
    {
        QTemporaryDir dir;
        zsim::Options options = instant();
        options.linkPath = dir.filePath("com1").toStdString();
        auto device = std::make_unique<zsim::SimulatedDevice>(options);
        QVERIFY(device->start());
        QCOMPARE(device->portPath(), options.linkPath);
        zsim::Memory memory = device->memory();
        memory[1] = {"42", 40, 30};
        device->setMemory(memory);
        auto client = std::make_unique<Client>(options.linkPath);
        device->hangUp();
        QVERIFY(!device->connected());
        QVERIFY(!client->send("@")); // at once: hangUp() returns after the close
        QVERIFY(device->reconnect());
        QVERIFY(device->connected());
        client = std::make_unique<Client>(options.linkPath);
        QVERIFY(client->send("V1"));
        QTRY_COMPARE(client->text(),
                     QByteArray("VM\r\n\r\nLocation 1\r\nLength = 40 ms\r\nSpace = 30ms\r\n"
                                "String = 42\r\nView ended\r\n"));
        device.reset();
        QVERIFY(!QFileInfo::exists(dir.filePath("com1")));
    }
};

QTEST_GUILESS_MAIN(TstSimDevice)
#include "tst_simdevice.moc"
