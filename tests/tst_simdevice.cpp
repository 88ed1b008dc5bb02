// What the panel's own tests cannot see of the simulated device: the fault
// switches no panel test uses, when it counts as quiet (the test clock relies
// on it), and a dropped and renewed line.

#include "sim/simdevice.h"

#include <QFileInfo>
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
    void faults_data()
    {
        QTest::addColumn<QStringList>("row"); // fault; sent; received, "|" for CR LF
        for (const char *row :
             {"lower;@M3|;connect|mp|ready|", "bare;@R;|Zelvor 2.1", "ready;M3|;MP|", "held;@;"})
            QTest::newRow(row) << QString(row).replace(u'|', "\r\n").split(u';');
    }
    void faults()
    {
        QFETCH(QStringList, row);
        const QString fault = row[0];
        const QByteArray sent = row[1].toLatin1(), received = row[2].toLatin1();
        zsim::Options options;
        options.paced = false;
        options.playScale = 0;
        zsim::SimulatedDevice device(options);
        QVERIFY(device.start());
        zsim::Faults faults;
        faults.lowerCaseMarkers = fault == "lower";
        faults.noMarkers = fault == "bare";
        faults.neverReady = fault == "ready";
        faults.holdReplies = fault == "held";
        device.setFaults(faults);
        Line line(device.portPath());
        QVERIFY(line.send(sent));
        QTRY_VERIFY(device.receivedTotal() == size_t(sent.size()) && device.quiescent());
        QTRY_COMPARE(line.text(), received);
        device.releaseHeld();
        QTRY_COMPARE(line.text(), received + (fault == "held" ? "Connect\r\n" : ""));
    }

    // A location still playing is owed; a dropped line owes nothing, and a
    // renewed one is found under the same path with the memory kept.
    void hangUpAndReconnect()
    {
        QTemporaryDir dir;
        zsim::Options options;
        options.paced = false;
        options.playScale = 1000;
        options.linkPath = dir.filePath("com1").toStdString();
        auto device = std::make_unique<zsim::SimulatedDevice>(options);
        QVERIFY(device->start());
        zsim::Memory memory = device->memory();
        memory[1] = {"42", 40, 30};
        device->setMemory(memory);
        auto line = std::make_unique<Line>(options.linkPath);
        QVERIFY(line->send("M0\r\n"));
        QTRY_COMPARE(line->text(), QByteArray("MP\r\n"));
        QVERIFY(!device->quiescent());
        device->hangUp();
        QVERIFY(device->quiescent() && !device->connected());
        QVERIFY(!line->send("@"));
        QVERIFY(device->reconnect() && device->connected());
        line = std::make_unique<Line>(options.linkPath);
        QVERIFY(line->send("V1"));
        QTRY_COMPARE(line->text(),
                     QByteArray("VM\r\n\r\nLocation 1\r\nLength = 40 ms\r\nSpace = 30ms\r\n"
                                "String = 42\r\nView ended\r\n"));
        device.reset();
        QVERIFY(!QFileInfo::exists(dir.filePath("com1")));
    }
};

QTEST_GUILESS_MAIN(TstSimDevice)
#include "tst_simdevice.moc"
