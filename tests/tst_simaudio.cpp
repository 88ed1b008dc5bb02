// The simulated device's sound, checked with an independent DTMF decoder and
// by measuring tone edges in the WAV file it writes.

#include "sim/devicesound.h"
#include "sim/simdevice.h"
#include "sim/tonetrack.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <fcntl.h>

namespace {

constexpr int Patience = 10000;                     // ms: the bound of every wait for a condition
constexpr int PerMs = zsim::SoundSampleRate / 1000; // samples per millisecond

// The samples of a 16-bit mono 8 kHz WAV file; empty when the header is wrong.
// `closed`: the header must count every byte; otherwise it may count fewer
// (a writer killed between a block and its header update).
std::vector<std::int16_t> readWav(const QString &path, bool closed = true)
{
    QFile file(path);
    const QByteArray all = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const auto u32 = [&all](int at) { return qFromLittleEndian<quint32>(all.constData() + at); };
    // "WAVE", "fmt " of 16 bytes: PCM, mono, 8000 Hz, 16000 bytes/s, 2 bytes a frame, 16 bits;
    // "data"
    const QByteArray format =
        QByteArray::fromHex("57415645666d74201000000001000100401f0000803e00000200100064617461");
    if (all.size() < 44 || !all.startsWith("RIFF") || all.mid(8, 32) != format || u32(40) % 2)
        return {};
    const quint32 data = u32(40), size = quint32(all.size());
    if (closed ? data + 44 != size || u32(4) != data + 36 : data + 44 > size || u32(4) < data + 36)
        return {};
    const auto *first = reinterpret_cast<const std::int16_t *>(all.constData() + 44);
    return {first, first + data / 2};
}

// The digits multimon-ng hears in a WAV file, in order.
QString decode(const QString &path)
{
    QProcess decoder;
    decoder.start(QStringLiteral("multimon-ng"), {"-q", "-a", "DTMF", "-t", "wav", path});
    decoder.waitForFinished(Patience);
    // Nothing but "DTMF: <digit>" lines, or the comparison fails.
    return QString::fromLatin1(decoder.readAllStandardOutput()).remove("DTMF: ").remove('\n');
}

// Where the sound is: start, end, start, end... of every stretch above a faint
// level, bridging the dips of the sine waves' sum through zero.
std::vector<int> toneEdges(const std::vector<std::int16_t> &samples)
{
    std::vector<int> edges;
    for (int i = 0; i < int(samples.size()); ++i) {
        if (std::abs(samples[std::size_t(i)]) < 0.01 * 2 * zsim::ToneTrack::Level)
            continue;
        if (!edges.empty() && i - edges.back() < PerMs)
            edges.back() = i + 1;
        else
            edges.insert(edges.end(), {i, i + 1});
    }
    return edges;
}

// Writes `steps` to the device's port (raw from the start), as the panel
// would; "~N" waits until the file has grown N ms more.
void play(const std::string &portPath, const QString &wav, const QList<QByteArray> &steps)
{
    QFile port;
    QVERIFY(port.open(::open(portPath.c_str(), O_WRONLY | O_NOCTTY),
                      QIODevice::WriteOnly | QIODevice::Unbuffered, QFile::AutoCloseHandle));
    for (const QByteArray &step : steps) {
        const bool wait = step.startsWith('~');
        const std::size_t until = readWav(wav, false).size() + wait * step.mid(1).toUInt() * PerMs;
        QVERIFY(wait || port.write(step) == step.size());
        QTRY_VERIFY_WITH_TIMEOUT(readWav(wav, false).size() >= until, Patience);
    }
}

} // namespace

class TestSimAudio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("multimon-ng")).isEmpty())
            QSKIP("multimon-ng is missing (scripts/install-deps installs it)");
    }

    void rendersWhatTheDevicePlays_data()
    {
        QTest::addColumn<QList<QByteArray>>("steps");
        QTest::addColumn<QString>("digits");
        // Tone, space, tone, ... in ms; a negative tone: cut short, after at least that long.
        QTest::addColumn<QList<int>>("lengths");
        QTest::newRow("memory play")
            << QList<QByteArray>{"M", "5\r\n"} << "911" << QList<int>{250, 250, 250, 250, 250};
        QTest::newRow("tone list")
            << QList<QByteArray>{"F", "4,120,60\r\n", "#,90,50\r\n", "c,70,40\r\n", "\r\n"} << "4#C"
            << QList<int>{120, 60, 90, 50, 70};
        QTest::newRow("timed tone") << QList<QByteArray>{"I", "0,150\r"} << "0" << QList<int>{150};
        QTest::newRow("keypad tone") << QList<QByteArray>{"$3"} << "3" << QList<int>{100};
        QTest::newRow("held tone")
            << QList<QByteArray>{"%8", "~300", "%"} << "8" << QList<int>{-250};
        QTest::newRow("timed tone aborted")
            << QList<QByteArray>{"I", "5,5000\r", "~300", "\r\n"} << "5" << QList<int>{-250};
    }

    void rendersWhatTheDevicePlays()
    {
        QFETCH(QList<QByteArray>, steps);
        QFETCH(QString, digits);
        QFETCH(QList<int>, lengths);
        QTemporaryDir dir;
        const QString wav = dir.filePath(QStringLiteral("out.wav"));
        zsim::Options options;
        options.paced = false;
        zsim::SimulatedDevice device(options);
        QVERIFY(device.start());
        {
            zsim::DeviceSound sound(device, {zsim::openWavOutput(wav.toStdString(), nullptr)});
            int rest = 200; // the file runs on well past the last tone
            for (int ms : lengths)
                rest += std::abs(ms);
            play(device.portPath(), wav, steps + QList<QByteArray>{"~" + QByteArray::number(rest)});
        }
        QCOMPARE(decode(wav), digits);
        const std::vector<std::int16_t> samples = readWav(wav);
        const std::vector<int> edges = toneEdges(samples);
        QCOMPARE(edges.size(), std::size_t(lengths.size() + 1) / 2 * 2);
        for (int i = 0; i < lengths.size(); ++i) {
            const int measured = edges[i + 1] - edges[i], want = std::abs(lengths[i]) * PerMs;
            // A tone cut short lasts long enough and is over well before the file.
            QVERIFY2(lengths[i] < 0
                         ? measured >= want && edges[i + 1] + 150 * PerMs < samples.size()
                         : std::abs(measured - want) <= 2 * PerMs,
                     qPrintable(QStringLiteral("%1: %2 samples").arg(i).arg(measured)));
        }
    }

    void fileOfAKilledRunStillPlays()
    {
        QTemporaryDir dir;
        const QString wav = dir.filePath(QStringLiteral("killed.wav"));
        QProcess sim;
        sim.start(QStringLiteral(ZELVOR_SIM_PATH), {"--unpaced", "--audio", wav});
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), Patience);
        play(sim.readLine().trimmed().toStdString(), wav, {"%7", "~300"});
        sim.kill(); // SIGKILL: no chance to tidy up
        QVERIFY(sim.waitForFinished(Patience));
        QVERIFY(readWav(wav, false).size() >= std::size_t(300 * PerMs));
        QCOMPARE(decode(wav), QStringLiteral("7"));
    }
};

QTEST_GUILESS_MAIN(TestSimAudio)
#include "tst_simaudio.moc"
