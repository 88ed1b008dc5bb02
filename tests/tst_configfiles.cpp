// "Export Data" and "Import Data" on a running panel: the file written, the
// texts read back, the status texts, the chooser's use, and what a failure
// leaves behind (nothing changed, the error shown).

#include "app/errors.h"
#include "app/statusbox.h"
#include "files/configformat.h"
#include "files/fileio.h"
#include "play/multiplay.h"
#include "support/panelrig.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Action = std::function<void(FileIO *)>;

const QList<int> CheckedBoxes{1, 3, 6};

// A started panel on a simulated device, some update boxes checked, and a
// directory for the files.
struct Session
{
    Session() : panel((rig.addDevice(1), rig.start()))
    {
        for (int i : CheckedBoxes)
            panel.Update[i]->setChecked(true);
        rig.clearWire();
        rig.clearTexts();
    }
    ~Session() { rig.setTickHook({}); }

    QString file(const QString &name) const { return QDir::toNativeSeparators(dir.filePath(name)); }

    // Answers the chooser's next use from the panel's clock, as the user would.
    void onChooser(Action action)
    {
        prompt.clear();
        rig.setTickHook([this, action, done = false]() mutable {
            auto *io = panel.findChild<FileIO *>();
            if (done || !io || !io->isVisible() || io->Tag != QLatin1String("-1"))
                return;
            done = true;
            prompt = io->IOLable->text();
            action(io);
        });
    }
    void exportAs(Action action)
    {
        onChooser(std::move(action));
        QTest::mouseClick(panel.Export, Qt::LeftButton);
    }
    void importFrom(Action action)
    {
        onChooser(std::move(action));
        QTest::mouseClick(panel.Import, Qt::LeftButton);
    }

    // The 84 texts in file order.
    QStringList texts()
    {
        QStringList all;
        for (int i = 0; i < 8; ++i)
            all << panel.MemString[i]->text() << panel.Length[i]->text() << panel.Space[i]->text();
        for (int row = 1; row <= 20; ++row) {
            for (int column = 1; column <= 3; ++column)
                all << panel.multiPlay()->textMatrix(row, column);
        }
        return all;
    }
    void setTexts(const QStringList &all)
    {
        for (int i = 0; i < 8; ++i) {
            panel.MemString[i]->setText(all.at(3 * i));
            panel.Length[i]->setText(all.at(3 * i + 1));
            panel.Space[i]->setText(all.at(3 * i + 2));
        }
        for (int row = 1; row <= 20; ++row) {
            for (int column = 1; column <= 3; ++column)
                panel.multiPlay()->setTextMatrix(row, column, all.at(20 + 3 * row + column));
        }
    }
    // Neither operation talks to the device or touches the update boxes.
    void verifyNoSideEffects()
    {
        QCOMPARE(rig.wire(1), QByteArray());
        for (int i = 0; i < 8; ++i)
            QCOMPARE(panel.Update[i]->isChecked(), CheckedBoxes.contains(i));
        QVERIFY(!panel.fileIO()->isVisible());
    }

    PanelRig rig;
    Zelvo &panel;
    QTemporaryDir dir;
    QString prompt;
};

Action typeAndOk(const QString &name)
{
    return [name](FileIO *io) {
        io->Fname->setText(name);
        QTest::mouseClick(io->OK, Qt::LeftButton);
    };
}

// Goes to the file's directory, selects it in the file list and presses OK.
Action pickAndOk(const QString &path)
{
    return [path](FileIO *io) {
        const QFileInfo file(path);
        io->Dir1->setPath(file.absolutePath());
        const auto found = io->File1->findItems(file.fileName(), Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        io->File1->setCurrentItem(found.first());
        QTest::mouseClick(io->OK, Qt::LeftButton);
    };
}

void cancel(FileIO *io)
{
    QTest::mouseClick(io->Cancel, Qt::LeftButton);
}

QStringList distinctTexts(const QString &tag)
{
    QStringList all;
    for (int i = 0; i < configfile::FieldCount; ++i)
        all << QStringLiteral("%1%2").arg(tag).arg(i);
    return all;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

long peakMemoryKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

const QString TooShort =
    QStringLiteral("Error  61\r\nThe file ends before all 84 settings were read");
const QString TooLong =
    QStringLiteral("Error  27\r\nA setting in the file is longer than 65,535 characters");

} // namespace

class ConfigFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void exportEmptySet();
    void roundTripOfAllTexts();
    void unwritableTextIsRefused_data();
    void unwritableTextIsRefused();
    void failedExportKeepsTheOldFile_data();
    void failedExportKeepsTheOldFile();
    void exportToAPipe();
    void failedImportChangesNothing_data();
    void failedImportChangesNothing();
    void oddFilesImportWholeOrNotAtAll_data();
    void oddFilesImportWholeOrNotAtAll();
    void hugeFiles_data();
    void hugeFiles();
    void cancelAndEmptyName();
};

void ConfigFilesTest::exportEmptySet()
{
    Session s;
    s.setTexts(QStringList(configfile::FieldCount, QString()));
    s.exportAs(typeAndOk(s.file(QStringLiteral("empty"))));

    const QString name = s.file(QStringLiteral("empty.zlv.csv"));
    QCOMPARE(contents(name), QByteArray(",,\r\n").repeated(28));
    QCOMPARE(QFileInfo(name).size(), 112);
    QCOMPARE(s.prompt, QStringLiteral("Enter Filename to Save As..."));
    QCOMPARE(s.rig.statusTexts(), (QStringList{"Saving settings.\r\n",
                                               "Saving settings.\r\n" + name + "\r\n", "Ready"}));
    QVERIFY(s.rig.boxes().seen().isEmpty());
    QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files), QStringList{"empty.zlv.csv"});
    s.verifyNoSideEffects();
}

// Ordinary texts are written as they are; those the reader would change come
// back whole through quotes.
void ConfigFilesTest::roundTripOfAllTexts()
{
    Session s;
    QStringList texts = distinctTexts(QStringLiteral("t"));
    texts[0] = QStringLiteral("0123456789*#ABCDabcd0123"); // longer than can be typed
    texts[1] = QString::fromLatin1("caf\xe9 \xff");
    texts[2] = QStringLiteral("12  "); // trailing blanks survive
    texts[4] = QString();
    texts[30] = QStringLiteral("a, b");
    texts[31] = QStringLiteral(" 7");
    texts[32] = QStringLiteral("   "); // blanks only
    texts[60] = QStringLiteral("\t9");
    texts[83] = QStringLiteral("two\r\nlines");
    s.setTexts(texts);
    const QString name = s.file(QStringLiteral("all.zlv.csv"));
    s.exportAs(typeAndOk(name));
    QVERIFY(s.rig.boxes().seen().isEmpty());
    const QList<QByteArray> lines = contents(name).split('\n');
    QCOMPARE(lines.value(0), QByteArray("0123456789*#ABCDabcd0123,caf\xe9 \xff,12  \r"));
    QCOMPARE(lines.value(1), QByteArray("t3,,t5\r"));
    QCOMPARE(lines.value(10), QByteArray("\"a, b\",\" 7\",\"   \"\r"));
    QCOMPARE(lines.value(20), QByteArray("\"\t9\",t61,t62\r"));

    s.setTexts(distinctTexts(QStringLiteral("old")));
    s.rig.clearTexts();
    s.importFrom(pickAndOk(name));
    QCOMPARE(s.texts(), texts);
    QCOMPARE(s.prompt, QStringLiteral("Enter Filename to load..."));
    QCOMPARE(s.rig.statusTexts(),
             (QStringList{"Opening file ", "Opening file all.zlv.csv", "", "Ready", "Ready"}));
    QVERIFY(s.rig.boxes().seen().isEmpty());
    QVERIFY(!s.panel.multiPlay()->isVisible());
    s.verifyNoSideEffects();
}

void ConfigFilesTest::unwritableTextIsRefused_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const QString end = QStringLiteral("\r\nNothing was written to the file.");
    const QString quote =
        QStringLiteral(" holds a double quote (\"), which a configuration file cannot keep.") + end;
    QTest::newRow("quote in location 3") << 9 << "1\"2"
                                         << "The string of location 3" + quote;
    QTest::newRow("quote in Multi Play entry 12") << 24 + 33 + 1 << "\""
                                                  << "The duration of Multi Play entry 12" + quote;
    QTest::newRow("euro sign in location 0")
        << 1 << "5\u20ac"
        << "The length of location 0 holds a character that a configuration file (8-bit text) "
           "cannot keep." +
               end;
    QTest::newRow("too long in Multi Play entry 20")
        << 83 << QString(configfile::MaxFieldLength + 1, u'1')
        << "The space of Multi Play entry 20 is longer than 65,535 characters, which a "
           "configuration file cannot keep." +
               end;
}

void ConfigFilesTest::unwritableTextIsRefused()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    Session s;
    QStringList texts = distinctTexts(QStringLiteral("x"));
    texts[field] = text;
    s.setTexts(texts);
    const QString name = s.file(QStringLiteral("kept.zlv.csv"));
    writeBytes(name, "old contents\r\n");

    s.rig.boxes().answer(QMessageBox::Ok);
    s.exportAs(typeAndOk(name));
    QCOMPARE(s.rig.boxes().texts(), QStringList{message});
    QCOMPARE(s.rig.boxes().seen().first().title, QStringLiteral("Zelvor"));
    QCOMPARE(contents(name), QByteArray("old contents\r\n"));
    QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.zlv.csv"});
    QCOMPARE(s.rig.statusTexts().last(), "Saving settings.\r\n" + name + "\r\n");
    QCOMPARE(s.texts(), texts);
    s.verifyNoSideEffects();
}

void ConfigFilesTest::failedExportKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("target"); // in the session's directory
    QTest::addColumn<QString>("message");
    QTest::newRow("directory missing")
        << "missing/set.zlv.csv" << QStringLiteral("Error  2\r\nNo such file or directory");
    QTest::newRow("a directory of that name")
        << "folder.zlv.csv" << QStringLiteral("Error  21\r\nIs a directory");
    QTest::newRow("disk limit reached")
        << "kept.zlv.csv" << QStringLiteral("Error  27\r\nFile too large");
}

void ConfigFilesTest::failedExportKeepsTheOldFile()
{
    QFETCH(QString, target);
    QFETCH(QString, message);
    Session s;
    QVERIFY(QDir(s.dir.path()).mkdir(QStringLiteral("folder.zlv.csv")));
    const QString kept = s.file(QStringLiteral("kept.zlv.csv"));
    writeBytes(kept, "old\r\n");
    const QString name = s.file(target);

    // Files may grow to 50 bytes only: the 112-byte export cannot be completed.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 50;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    s.rig.boxes().answer(QMessageBox::Ok);
    s.exportAs(typeAndOk(name));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(s.rig.boxes().texts(), QStringList{message});
    QCOMPARE(contents(kept), QByteArray("old\r\n"));
    QCOMPARE(QDir(s.dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{"folder.zlv.csv", "kept.zlv.csv"}));
    QCOMPARE(s.rig.statusTexts(),
             (QStringList{"Saving settings.\r\n", "Saving settings.\r\n" + name + "\r\n"}));
    s.verifyNoSideEffects();
}

void ConfigFilesTest::exportToAPipe()
{
    Session s;
    s.setTexts(QStringList(configfile::FieldCount, QString()));
    const QString pipe = s.file(QStringLiteral("pipe.zlv.csv"));
    QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);

    // Nobody reads the pipe: the export fails at once instead of waiting.
    s.rig.boxes().answer(QMessageBox::Ok);
    s.exportAs(typeAndOk(pipe));
    QCOMPARE(s.rig.boxes().texts(), QStringList{"Error  6\r\nNo such device or address"});

    // With a reader it is written in place and stays a pipe.
    const int reader = ::open(QFile::encodeName(pipe).constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    s.exportAs(typeAndOk(pipe));
    QByteArray received(200, '\0');
    const auto got = ::read(reader, received.data(), received.size());
    ::close(reader);
    QCOMPARE(received.left(int(got)), QByteArray(",,\r\n").repeated(28));
    QVERIFY(QFileInfo(pipe).exists() && !QFileInfo(pipe).isFile());
    QCOMPARE(s.rig.boxes().seen().size(), 1);
    QCOMPARE(s.rig.statusTexts().last(), QStringLiteral("Ready"));

    // Reading a pipe nobody writes to finds it empty.
    s.rig.boxes().answer(QMessageBox::Ok);
    s.importFrom(typeAndOk(pipe));
    QCOMPARE(s.rig.boxes().texts().last(), TooShort);
    s.verifyNoSideEffects();
}

void ConfigFilesTest::failedImportChangesNothing_data()
{
    // What stands under the name: the bytes as a file, or else nothing, a
    // directory, or a link to a device of endless zero bytes.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("other");
    QTest::addColumn<QString>("message");
    QTest::newRow("27 lines") << QByteArray("1,2,3\r\n").repeated(27) << QString() << TooShort;
    QTest::newRow("empty") << QByteArray() << QString() << TooShort;
    QTest::newRow("field too long") << QByteArray(configfile::MaxFieldLength + 1, 'x') + "\r\n"
                                    << QString() << TooLong;
    QTest::newRow("missing") << QByteArray() << "nothing"
                             << QStringLiteral("Error  2\r\nNo such file or directory");
    QTest::newRow("a directory") << QByteArray() << "directory"
                                 << QStringLiteral("Error  21\r\nIs a directory");
    QTest::newRow("endless zero bytes") << QByteArray() << "/dev/zero" << TooLong;
}

void ConfigFilesTest::failedImportChangesNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, other);
    QFETCH(QString, message);
    Session s;
    const QString path = s.file(QStringLiteral("set.zlv.csv"));
    if (other.isEmpty())
        writeBytes(path, bytes);
    else if (other == QLatin1String("directory"))
        QVERIFY(QDir().mkdir(path));
    else if (other.startsWith(u'/'))
        QVERIFY(QFile::link(other, path));
    const QStringList before = distinctTexts(QStringLiteral("kept"));
    s.setTexts(before);

    s.rig.boxes().answer(QMessageBox::Ok);
    s.importFrom(typeAndOk(path));
    QCOMPARE(s.rig.boxes().texts(), QStringList{message});
    QCOMPARE(s.rig.boxes().seen().first().title, QStringLiteral("Zelvor"));
    QCOMPARE(s.rig.boxes().seen().first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(s.texts(), before);
    // The status box stays where the failure found it.
    QCOMPARE(s.rig.statusTexts(), (QStringList{"Opening file ", "Opening file "}));
    s.verifyNoSideEffects();
}

void ConfigFilesTest::oddFilesImportWholeOrNotAtAll_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected"); // empty: refused

    QStringList abc;
    for (int i = 0; i < 28; ++i)
        abc << QStringLiteral("a%1").arg(i) << QStringLiteral("b") << QStringLiteral("c");
    QByteArray lines;
    for (int i = 0; i < 28; ++i)
        lines += "a" + QByteArray::number(i) + ",b,c\r\n";
    QByteArray lf = lines, cr = lines;
    lf.replace("\r\n", "\n");
    cr.replace("\r\n", "\r");
    QTest::newRow("line feeds only") << lf << abc;
    QTest::newRow("carriage returns only") << cr << abc;
    QTest::newRow("no last line end") << lines.chopped(2) << abc;
    QTest::newRow("text after the last line") << lines + "junk,junk\r\n" << abc;

    QStringList longest = abc;
    longest[0] = QString(configfile::MaxFieldLength, u'7');
    QByteArray longLine = lines;
    longLine.replace("a0", QByteArray(configfile::MaxFieldLength, '7'));
    QTest::newRow("longest field") << longLine << longest;

    // Bytes of every value: NULs, quotes and line ends among them.
    QByteArray binary;
    quint32 state = 12345;
    for (int i = 0; i < 4000; ++i) {
        state = state * 1103515245u + 12345u;
        binary += char(state >> 23);
    }
    QTest::newRow("binary") << binary << QStringList();
    QTest::newRow("binary with line ends") << binary.replace('"', '\n') << QStringList();
}

void ConfigFilesTest::oddFilesImportWholeOrNotAtAll()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    if (expected.isEmpty()) {
        // What the reader makes of the bytes, if anything.
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        try {
            expected = configfile::decode(buffer);
        } catch (const FileError &) {
        }
    }
    Session s;
    const QString name = s.file(QStringLiteral("odd.zlv.csv"));
    writeBytes(name, bytes);
    const QStringList before = distinctTexts(QStringLiteral("kept"));
    s.setTexts(before);
    s.rig.boxes().answer(QMessageBox::Ok);
    s.importFrom(typeAndOk(name));
    if (expected.isEmpty()) {
        QCOMPARE(s.rig.boxes().seen().size(), 1);
        QVERIFY(s.rig.boxes().texts().first().startsWith(QLatin1String("Error ")));
        QCOMPARE(s.texts(), before);
    } else {
        QVERIFY(s.rig.boxes().seen().isEmpty());
        QCOMPARE(s.texts(), expected);
        QCOMPARE(s.rig.statusTexts().last(), QStringLiteral("Ready"));
    }
    s.verifyNoSideEffects();
}

void ConfigFilesTest::hugeFiles_data()
{
    QTest::addColumn<QByteArray>("head");   // written first
    QTest::addColumn<QByteArray>("repeat"); // then written again and again
    QTest::addColumn<qint64>("size");       // then the file grows to this size
    QTest::addColumn<QString>("firstField");
    const qint64 mb = 1024 * 1024;
    QTest::newRow("one line of zero bytes")
        << QByteArray() << QByteArray() << 400 * mb << QString();
    QTest::newRow("settings, then zero bytes")
        << QByteArray("first,2,3\r\n").repeated(28) << QByteArray() << 300 * mb << "first";
    QTest::newRow("many lines") << QByteArray() << QByteArray("1,2,3\r\n").repeated(10000)
                                << 200 * mb << "1";
}

void ConfigFilesTest::hugeFiles()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, repeat);
    QFETCH(qint64, size);
    QFETCH(QString, firstField);
    Session s;
    const QString name = s.file(QStringLiteral("huge.zlv.csv"));
    {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(head), head.size());
        qint64 written = head.size();
        for (; !repeat.isEmpty() && written + repeat.size() <= size; written += repeat.size())
            QCOMPARE(file.write(repeat), repeat.size());
        QVERIFY(file.resize(size)); // the rest is a hole of zero bytes
    }
    const QStringList before = distinctTexts(QStringLiteral("kept"));
    s.setTexts(before);

    const long peakBefore = peakMemoryKb();
    if (firstField.isEmpty())
        s.rig.boxes().answer(QMessageBox::Ok);
    s.importFrom(typeAndOk(name));
    const long grownKb = peakMemoryKb() - peakBefore;
    QVERIFY2(grownKb < 64 * 1024, qPrintable(QStringLiteral("peak grew by %1 kB").arg(grownKb)));

    if (firstField.isEmpty()) {
        QCOMPARE(s.rig.boxes().texts(), QStringList{TooLong});
        QCOMPARE(s.texts(), before);
    } else {
        QVERIFY(s.rig.boxes().seen().isEmpty());
        QCOMPARE(s.panel.MemString[0]->text(), firstField);
        QCOMPARE(s.panel.multiPlay()->textMatrix(20, 3), QStringLiteral("3"));
    }
    s.verifyNoSideEffects();
}

void ConfigFilesTest::cancelAndEmptyName()
{
    Session s;
    const QStringList before = distinctTexts(QStringLiteral("kept"));
    s.setTexts(before);

    s.exportAs([](FileIO *io) {
        io->Fname->setText(QStringLiteral("typed but cancelled"));
        cancel(io);
    });
    QCOMPARE(s.rig.statusTexts(), (QStringList{"Saving settings.\r\n", "Cancelled", "Ready"}));
    QVERIFY(!QFileInfo::exists(QStringLiteral("typed but cancelled")));

    // The next use shows the cancelled text again.
    s.rig.clearTexts();
    QString shown;
    s.importFrom([&shown](FileIO *io) {
        shown = io->Fname->text();
        cancel(io);
    });
    QCOMPARE(shown, QStringLiteral("typed but cancelled"));
    QCOMPARE(s.rig.statusTexts(), (QStringList{"Opening file ", "Cancelled", "Ready"}));
    QCOMPARE(s.texts(), before);

    // Accepted without a name (no extension rule ran): nothing read or written.
    auto acceptEmpty = [](FileIO *io) {
        io->Fname->clear();
        io->Tag = QStringLiteral("1");
    };
    s.rig.clearTexts();
    s.exportAs(acceptEmpty);
    QCOMPARE(s.rig.statusTexts(), (QStringList{"Saving settings.\r\n", "Ready"}));
    s.rig.clearTexts();
    s.importFrom(acceptEmpty);
    QCOMPARE(s.rig.statusTexts(), (QStringList{"Opening file ", "Ready"}));
    QCOMPARE(s.texts(), before);
    QVERIFY(s.rig.boxes().seen().isEmpty());
    QCOMPARE(QDir(s.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    s.verifyNoSideEffects();
}

QTEST_MAIN(ConfigFilesTest)
#include "tst_configfiles.moc"
