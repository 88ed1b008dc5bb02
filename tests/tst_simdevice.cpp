// The simulated Zelvor, driven the way the panel drives the hardware: a raw
// serial client on the slave side of the device's pseudo-terminal.

#include "sim/simdevice.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int Patience = 10000; // ms: the bound of every wait for a condition

// The panel's end of the line.
class Client
{
public:
    explicit Client(const std::string &path)
        : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
        termios settings{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &settings) == 0) {
            ::cfmakeraw(&settings);
            ::tcsetattr(m_fd, TCSANOW, &settings);
        }
    }
    ~Client() { ::close(m_fd); }
    bool ok() const { return m_fd >= 0; }
    bool send(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
    }
    // Everything received since the last clear(). Reading until nothing is
    // left makes the kernel hand over every byte the device has written.
    QByteArray text()
    {
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0)
            m_in.append(buffer, n);
        m_readFailed = n == 0 || errno != EAGAIN;
        return m_in;
    }
    void clear() { m_in = text().left(0); }
    // The port reports a hang-up, reading fails and writing fails.
    bool lineDropped()
    {
        pollfd probe{m_fd, POLLIN, 0};
        const bool hangUp = ::poll(&probe, 1, 0) == 1 && (probe.revents & POLLHUP);
        text();
        return hangUp && m_readFailed && !send("@");
    }

private:
    int m_fd;
    QByteArray m_in;
    bool m_readFailed = false;
};

// A running device with a client on its port.
struct Rig
{
    explicit Rig(zsim::Options options = {}) : device(std::move(options))
    {
        started = device.start();
        client = std::make_unique<Client>(device.portPath());
    }
    bool logged(const std::string &line) const
    {
        const std::vector<std::string> lines = device.log();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    zsim::SimulatedDevice device;
    std::unique_ptr<Client> client;
    bool started = false;
};

template <typename T, typename Change> T with(Change change)
{
    T value;
    change(value);
    return value;
}

std::string linkTarget(const QString &link)
{
    char target[PATH_MAX] = {};
    const ssize_t n = ::readlink(link.toLocal8Bit().constData(), target, sizeof target - 1);
    return n > 0 ? std::string(target, std::size_t(n)) : std::string();
}

} // namespace

#define SEND(rig, bytes) QVERIFY((rig).client->send(bytes))
// Waits until the client has received exactly `expected` (more is a failure too).
#define EXPECT_TEXT(rig, expected)                                                                 \
    QTRY_COMPARE_WITH_TIMEOUT((rig).client->text(), QByteArray(expected), Patience)
#define EXCHANGE(rig, bytes, expected)                                                             \
    do {                                                                                           \
        (rig).client->clear();                                                                     \
        SEND(rig, bytes);                                                                          \
        EXPECT_TEXT(rig, expected);                                                                \
    } while (false)
#define EXPECT_LOG(rig, line) QTRY_VERIFY_WITH_TIMEOUT((rig).logged(line), Patience)
#define EXPECT_QUIESCENT(rig) QTRY_VERIFY_WITH_TIMEOUT((rig).device.quiescent(), Patience)

using Faults = zsim::Faults;
using Options = zsim::Options;

class TestSimDevice : public QObject
{
    Q_OBJECT

private slots:
    void portIsRawBeforeThePanelTouchesIt()
    {
        zsim::SimulatedDevice device;
        QVERIFY(device.start());
        const int fd = ::open(device.portPath().c_str(), O_RDWR | O_NOCTTY);
        termios settings{};
        QVERIFY(fd >= 0 && ::tcgetattr(fd, &settings) == 0);
        ::close(fd);
        QCOMPARE(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
        QCOMPARE(settings.c_iflag & (ICRNL | IXON), 0u);
        QCOMPARE(settings.c_oflag & OPOST, 0u);
    }

    void probeFirmwareAndReceivedBytes()
    {
        Rig rig(with<Options>([](Options &o) { o.firmware = "Zelvor 9.9-test"; }));
        QVERIFY(rig.started && rig.client->ok());
        EXCHANGE(rig, "@", "Connect\r\n");
        EXCHANGE(rig, QByteArray("\0\xff\rR", 4), "Zelvor 9.9-test"); // unknown bytes ignored
        EXPECT_QUIESCENT(rig);
        QCOMPARE(QByteArray::fromStdString(rig.device.received()), QByteArray("@\0\xff\rR", 5));
        rig.device.clearReceived();
        QVERIFY(rig.device.received().empty());
        QCOMPARE(rig.device.receivedTotal(), std::size_t(5)); // a count clearing leaves alone

        // The panel closing its port does not disturb the device: it still
        // sends what it is given (kept for the next opener) and stays up.
        rig.client.reset();
        rig.device.inject("x");
        EXPECT_QUIESCENT(rig);
        QVERIFY(rig.device.connected());
        rig.client = std::make_unique<Client>(rig.device.portPath());
        SEND(rig, "@");
        EXPECT_TEXT(rig, "xConnect\r\n");
        QCOMPARE(rig.device.receivedTotal(), std::size_t(6));
    }

    void viewIsByteExactAndPaced()
    {
        Rig rig;
        EXCHANGE(rig, "V", "VM\r\n");
        const QByteArray view0 = "\r\nLocation 0\r\nLength = 100 ms\r\nSpace = 50ms\r\n"
                                 "String = 0123456789\r\nView ended\r\n";
        QElapsedTimer clock;
        clock.start();
        EXCHANGE(rig, "0", view0);
        // At 9600 baud the characters cannot all be there sooner than this.
        QVERIFY(clock.nsecsElapsed() >= (view0.size() - 1) * 1041667LL);
        EXCHANGE(rig, "V7",
                 "VM\r\n\r\nLocation 7\r\nLength = 65534 ms\r\nSpace = 20ms\r\nString = #");
    }

    void storeThenView()
    {
        Rig rig;
        EXCHANGE(rig, "S", "SS\r\n");
        for (const char *part : {"2\r\n", "150,75\r\n", "1", "2", "A", "B", "."})
            SEND(rig, part);
        EXPECT_LOG(rig, "stored location 2: 12AB 150/75");
        QCOMPARE(rig.device.memory()[2], (zsim::Location{"12AB", 150, 75}));
        EXCHANGE(rig, "V2",
                 "VM\r\n\r\nLocation 2\r\nLength = 150 ms\r\nSpace = 75ms\r\n"
                 "String = 12AB\r\nView ended\r\n");

        // Twenty characters end a store without the mark; the next is a tone again.
        SEND(rig, "S5\r\n20,65534\r\n");
        for (char c : std::string("0123456789*#ABCDabcd7"))
            SEND(rig, QByteArray(1, c));
        EXPECT_LOG(rig, "bare tone 7");
        QCOMPARE(rig.device.memory()[5], (zsim::Location{"0123456789*#ABCDabcd", 20, 65534}));
    }

    void unexpectedByteStartsNewCommand()
    {
        Rig rig;
        const zsim::Memory before = rig.device.memory();
        EXCHANGE(rig, "V@", "VM\r\nConnect\r\n");
        EXCHANGE(rig, "S3\r\n10,5@", "SS\r\nConnect\r\n");
        QVERIFY(rig.logged("abandoned V") && rig.logged("abandoned S"));
        SEND(rig, "^1$x9");
        EXPECT_LOG(rig, "bare tone 9");
        QVERIFY(rig.logged("bare tone 1") && !rig.logged("factory reset"));
        QCOMPARE(rig.device.memory(), before);
    }

    void factoryDefaultsAndReset()
    {
        const zsim::Memory defaults = zsim::factoryDefaults();
        for (const zsim::Location &location : defaults) {
            QVERIFY(location.tones.size() <= 20);
            QVERIFY(location.length >= 20 && location.length <= 65534);
            QVERIFY(location.space >= 20 && location.space <= 65534);
        }
        QVERIFY(std::any_of(defaults.begin(), defaults.end(),
                            [](const zsim::Location &l) { return l.tones.empty(); }));

        Rig rig;
        QCOMPARE(rig.device.memory(), defaults);
        zsim::Memory changed;
        changed.fill(zsim::Location{"1", 30, 30});
        rig.device.setMemory(changed);
        QCOMPARE(rig.device.memory(), changed);
        SEND(rig, "^0");
        EXPECT_LOG(rig, "factory reset");
        QCOMPARE(rig.device.memory(), defaults);
    }

    void memoryPlayReportsReady()
    {
        // Location 0 is 10 tones of 100 + 50 ms: 150 ms at this scale.
        Rig rig(with<Options>([](Options &o) { o.playScale = 0.1; }));
        EXCHANGE(rig, "M", "MP\r\n");
        QElapsedTimer clock;
        clock.start();
        SEND(rig, "0\r\n");
        EXPECT_TEXT(rig, "MP\r\nReady\r\n");
        QVERIFY(clock.elapsed() >= 150);
        QVERIFY(rig.logged("play location 0: 0123456789"));

        rig.device.setFaults(with<Faults>([](Faults &f) { f.neverReady = true; }));
        rig.client->clear();
        SEND(rig, "M3\r\n"); // empty: "Ready" would be owed at once
        EXPECT_LOG(rig, "play location 3: (none)");
        EXPECT_QUIESCENT(rig);
        QCOMPARE(rig.client->text(), QByteArray("MP\r\n"));
    }

    void quiescentMeansNothingOwed()
    {
        Rig playing(with<Options>([](Options &o) { o.playScale = 1000; })); // 25 minutes
        SEND(playing, "M0\r\n");
        EXPECT_LOG(playing, "play location 0: 0123456789");
        QVERIFY(!playing.device.quiescent()); // "Ready" is owed

        // From the moment the panel's write returns, the byte is either unread
        // or its (here very late) reply is owed.
        Rig late;
        late.device.setFaults(with<Faults>([](Faults &f) { f.replyDelayMs = 600000; }));
        SEND(late, "@");
        QVERIFY(!late.device.quiescent());

        for (Rig *rig : {&playing, &late}) {
            rig->device.hangUp();
            QVERIFY(rig->device.quiescent());
        }
    }

    void timedToneAndAbort()
    {
        Rig rig;
        EXCHANGE(rig, "I", "SM\r\n");
        SEND(rig, "5,60000\r");
        EXPECT_LOG(rig, "timed tone 5 60000 ms");
        EXPECT_QUIESCENT(rig); // a sounding tone owes no reply
        SEND(rig, "\r\n");
        EXPECT_LOG(rig, "timed tone aborted");
        SEND(rig, "I7,10\r");
        EXPECT_LOG(rig, "timed tone end");
        SEND(rig, "I5x");
        EXPECT_LOG(rig, "abandoned I");
    }

    void toneListAndLiveTones()
    {
        Rig rig;
        EXCHANGE(rig, "F", "MM\r\n");
        for (const char *line : {"5,100,50\r\n", "#,250,20\r\n", "\r\n"})
            SEND(rig, line);
        EXPECT_LOG(rig, "tone list: 5 100/50, # 250/20");
        // One write each, as the panel sends them; "%" alone is the stop.
        const std::pair<const char *, const char *> tones[] = {{"$#", "keypad tone #"},
                                                               {"%5", "held tone 5 start"},
                                                               {"%", "held tone stop"},
                                                               {"d", "bare tone d"}};
        for (const auto &[bytes, line] : tones) {
            SEND(rig, bytes);
            EXPECT_LOG(rig, line);
        }
        EXPECT_QUIESCENT(rig);
        QCOMPARE(rig.client->text(), QByteArray("MM\r\n"));
    }

    void silentAndHeldReplies()
    {
        Rig rig;
        rig.device.setFaults(with<Faults>([](Faults &f) { f.silent = true; }));
        SEND(rig, "@V0");
        EXPECT_LOG(rig, "view location 0");
        EXPECT_QUIESCENT(rig);
        QCOMPARE(rig.client->text(), QByteArray());
        QCOMPARE(QByteArray::fromStdString(rig.device.received()), QByteArray("@V0"));

        rig.device.setFaults(with<Faults>([](Faults &f) { f.holdReplies = true; }));
        SEND(rig, "@");
        QTRY_VERIFY_WITH_TIMEOUT(rig.device.received() == "@V0@", Patience);
        EXPECT_QUIESCENT(rig); // held replies are not owed
        QCOMPARE(rig.client->text(), QByteArray());
        rig.device.releaseHeld();
        EXPECT_TEXT(rig, "Connect\r\n");
    }

    void markerFaults()
    {
        Rig rig(with<Options>([](Options &o) { o.playScale = 0; }));
        rig.device.setFaults(with<Faults>([](Faults &f) { f.lowerCaseMarkers = true; }));
        EXCHANGE(rig, "@M3\r\n", "connect\r\nmp\r\nready\r\n");
        rig.device.setFaults(with<Faults>([](Faults &f) { f.noMarkers = true; }));
        EXCHANGE(rig, "@R", "\r\nZelvor 2.1");
    }

    void splitSlowAndSingleCharacterReplies()
    {
        Rig rig;
        rig.device.setFaults(with<Faults>([](Faults &f) {
            f.splitAfter = 3;
            f.splitPauseMs = 1500;
        }));
        QElapsedTimer clock;
        clock.start();
        SEND(rig, "@");
        QTRY_VERIFY_WITH_TIMEOUT(rig.client->text().size() >= 3, Patience);
        const bool quiet = rig.device.quiescent();
        if (clock.elapsed() < 1500) { // so the rest cannot have been due yet
            QCOMPARE(rig.client->text(), QByteArray("Con"));
            QVERIFY(!quiet);
        }
        EXPECT_TEXT(rig, "Connect\r\n");
        QVERIFY(clock.elapsed() >= 1500);

        rig.device.setFaults(with<Faults>([](Faults &f) { f.replyDelayMs = 300; }));
        clock.restart();
        EXCHANGE(rig, "R", "Zelvor 2.1");
        QVERIFY(clock.elapsed() >= 300);

        rig.device.setFaults(with<Faults>([](Faults &f) { f.singleCharacters = true; }));
        clock.restart();
        EXCHANGE(rig, "@", "Connect\r\n");
        QVERIFY(clock.elapsed() >= 8 * 5); // nine writes, 5 ms apart
    }

    void garbageInjectAndFlood()
    {
        Rig rig(with<Options>([](Options &o) { o.paced = false; }));
        rig.device.setFaults(with<Faults>([](Faults &f) { f.garbage = true; }));
        SEND(rig, "@");
        QTRY_COMPARE_WITH_TIMEOUT(rig.client->text().size(), 9, Patience);
        for (char c : rig.client->text())
            QVERIFY(!std::isalnum(static_cast<unsigned char>(c)) && c != '\r' && c != '\n');
        rig.device.setFaults({});
        rig.client->clear();
        rig.device.inject("hello\r\n");
        EXPECT_TEXT(rig, "hello\r\n");

        // More noise than the terminal holds: the rest waits for the reader,
        // and the device keeps answering, in order, meanwhile.
        rig.client->clear();
        rig.device.flood(200000);
        QVERIFY(!rig.device.quiescent());
        SEND(rig, "@");
        QTRY_COMPARE_WITH_TIMEOUT(rig.client->text().size(), 200009, Patience);
        QVERIFY(rig.client->text().endsWith("Connect\r\n"));
        EXPECT_QUIESCENT(rig);
    }

    void hangUpAndReconnect()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("zelvor");
        auto rig = std::make_unique<Rig>(
            with<Options>([&link](Options &o) { o.linkPath = link.toStdString(); }));
        QCOMPARE(rig->device.portPath(), link.toStdString());
        QVERIFY(linkTarget(link).rfind("/dev/pts/", 0) == 0);
        EXCHANGE(*rig, "@", "Connect\r\n");
        zsim::Memory memory = rig->device.memory();
        memory[1] = {"42", 40, 30};
        rig->device.setMemory(memory);

        rig->device.hangUp();
        QVERIFY(!rig->device.connected());
        QVERIFY(rig->device.quiescent());
        QVERIFY(rig->client->lineDropped()); // at once: hangUp() returns after the close

        QVERIFY(rig->device.reconnect());
        QVERIFY(rig->device.connected());
        rig->client = std::make_unique<Client>(link.toStdString());
        EXCHANGE(*rig, "V1",
                 "VM\r\n\r\nLocation 1\r\nLength = 40 ms\r\nSpace = 30ms\r\n"
                 "String = 42\r\nView ended\r\n");
        rig.reset();
        QVERIFY(!QFileInfo::exists(link) && linkTarget(link).empty());
    }
};

QTEST_GUILESS_MAIN(TestSimDevice)
#include "tst_simdevice.moc"
