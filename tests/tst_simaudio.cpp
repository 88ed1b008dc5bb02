// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated device's sound, checked with an independent DTMF decoder and
// by measuring tone edges in the WAV file it writes.

#include "sim/devicesound.h"
#include "sim/tonetrack.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <fcntl.h>

namespace {

constexpr int Patience = 10000;                     // ms: the bound of every wait for a condition
constexpr int PerMs = zsim::SoundSampleRate / 1000; // samples per millisecond

// The samples a WAV file's header counts (the decoder judges the format). A
// closed file's header counts every byte; that of a writer killed between a
// block and its header update may count fewer.
std::vector<std::int16_t> readWav(const QString &path, bool closed = true)
{
    QFile file(path);
    const QByteArray all = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const auto u32 = [&all](int at) { return qFromLittleEndian<quint32>(all.constData() + at); };
    const quint32 size = quint32(all.size()), data = size < 44 ? 0 : u32(40);
    if (size < 44 || (closed ? data + 44 != size || u32(4) != data + 36 : data + 44 > size))
        return {};
    const auto *first = reinterpret_cast<const std::int16_t *>(all.constData() + 44);
    return {first, first + data / 2};
}

// Where the sound is: start, end, start... of every stretch above a faint
// level, bridging the dips of the sine waves' sum through zero.
std::vector<int> soundEdges(const std::vector<std::int16_t> &samples)
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

} // namespace

class TestSimAudio : public QObject
{
    Q_OBJECT

private slots:
    void rendersWhatTheDevicePlays_data()
    {
        using Steps = QList<QByteArray>;
        using Ms = QList<int>;
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QString>("digits");
        // Tone, space, tone, ... in ms; a negative tone: cut short, after at least that long.
        QTest::addColumn<Ms>("lengths");
        QTest::addColumn<bool>("killed"); // SIGKILLed at the end: no chance to tidy up
        QTest::newRow("memory play")
            << Steps{"M", "5\r\n"} << "911" << Ms{250, 250, 250, 250, 250} << false;
        QTest::newRow("tone list")
            << Steps{"F", "4,120,60\r\n", "#,90,50\r\n", "c,70,40\r\n", "\r\n"} << "4#C"
            << Ms{120, 60, 90, 50, 70} << false;
        QTest::newRow("timed tone") << Steps{"I", "0,150\r"} << "0" << Ms{150} << false;
        QTest::newRow("keypad tone") << Steps{"$3"} << "3" << Ms{100} << false;
        QTest::newRow("held tone") << Steps{"%8", "~300", "%"} << "8" << Ms{-250} << false;
        QTest::newRow("timed tone aborted")
            << Steps{"I", "5,5000\r", "~300", "\r\n"} << "5" << Ms{-250} << false;
        QTest::newRow("killed run") << Steps{"$7"} << "7" << Ms{100} << true;
    }

    void rendersWhatTheDevicePlays()
    {
        QFETCH(QList<QByteArray>, steps);
        QFETCH(QString, digits);
        QFETCH(QList<int>, lengths);
        QFETCH(bool, killed);
        QTemporaryDir dir;
        const QString wav = dir.filePath(QStringLiteral("out.wav"));
        QProcess sim;
        sim.start(QStringLiteral(ZELVOR_SIM_PATH), {"--unpaced", "--audio", wav});
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), Patience);
        QFile port; // written raw from the start, as the panel would
        QVERIFY(port.open(::open(sim.readLine().trimmed().constData(), O_WRONLY | O_NOCTTY),
                          QIODevice::WriteOnly | QIODevice::Unbuffered, QFile::AutoCloseHandle));
        const std::size_t expected = std::size_t(lengths.size() + 1) / 2 * 2;
        // Whether the file has run on `ms` past the start of its last tone (or
        // past its end), with at least `tones` edges in it.
        const auto ranOn = [&](int ms, bool pastEnd, std::size_t tones) {
            const std::vector<std::int16_t> samples = readWav(wav, false);
            const std::vector<int> edges = soundEdges(samples);
            return edges.size() >= std::max<std::size_t>(tones, 2) &&
                   int(samples.size()) - edges[edges.size() - (pastEnd ? 1 : 2)] >= ms * PerMs;
        };
        // "~N": until the tone sounding has sounded N ms in the file, whose
        // sound keeps the device's times however far its writing falls behind.
        for (const QByteArray &step : steps) {
            if (step.startsWith('~'))
                QTRY_VERIFY_WITH_TIMEOUT(ranOn(step.mid(1).toInt(), false, 0), Patience);
            else
                QVERIFY(port.write(step) == step.size());
        }
        QTRY_VERIFY_WITH_TIMEOUT(ranOn(200, true, expected), Patience);
        if (killed)
            sim.kill();
        else
            sim.terminate();
        QVERIFY(sim.waitForFinished(Patience));
        QProcess decoder; // scripts/install-deps installs it
        decoder.start(QStringLiteral("multimon-ng"), {"-q", "-a", "DTMF", "-t", "wav", wav});
        QVERIFY2(decoder.waitForFinished(Patience), qPrintable(decoder.errorString()));
        // Nothing but "DTMF: <digit>" lines, or the comparison fails.
        QCOMPARE(QString::fromLatin1(decoder.readAllStandardOutput()).remove("DTMF: ").remove('\n'),
                 digits);
        const std::vector<std::int16_t> samples = readWav(wav, !killed);
        const std::vector<int> edges = soundEdges(samples);
        QCOMPARE(edges.size(), expected);
        for (int i = 0; i < lengths.size(); ++i) {
            const int measured = edges[i + 1] - edges[i], want = std::abs(lengths[i]) * PerMs;
            // A tone cut short lasts long enough and is over well before the file.
            QVERIFY2(lengths[i] < 0
                         ? measured >= want && edges[i + 1] + 150 * PerMs < int(samples.size())
                         : std::abs(measured - want) <= 2 * PerMs,
                     qPrintable(QStringLiteral("%1: %2 samples").arg(i).arg(measured)));
        }
    }
};

QTEST_GUILESS_MAIN(TestSimAudio)
#include "tst_simaudio.moc"
