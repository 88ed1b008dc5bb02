// The configuration file: its format, "Export Data" and "Import Data" on a
// running panel, and the "File I/O" chooser's path rules.

#include "app/errors.h"
#include "files/configformat.h"
#include "files/fileio.h"
#include "play/multiplay.h"
#include "support/panelrig.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace configfile;

namespace {

// Adds the rows of a table written one a line: the name, then the cells, split at "|".
void addRows(const char *table)
{
    QTest::addColumn<QStringList>("cells");
    for (const QString &line : QString::fromUtf8(table).split(u'\n', Qt::SkipEmptyParts)) {
        QStringList cells;
        for (const QString &cell : line.split(u'|'))
            cells << cell.trimmed();
        QTest::newRow(cells.takeFirst().toLatin1().constData()) << cells;
    }
}

// A cell's text: \s a blank, \r \n \t, ~ 65,535 characters "x".
QString unescape(QString cell)
{
    return cell.replace("\\s", " ")
        .replace("\\r", "\r")
        .replace("\\n", "\n")
        .replace("\\t", "\t")
        .replace(u'~', QString(MaxFieldLength, u'x'));
}

// Texts named after their place: "k0" to "k83" (kept), "t0" to "t83", or t with
// odd ones: each rule of writing and reading, a field of 65,535 characters,
// more than can be typed.
QStringList texts(const QString &name)
{
    QStringList texts;
    for (int i = 0; i < FieldCount; ++i)
        texts << (name == "empty" ? "" : (name == "k" ? "k" : "t") + QString::number(i));
    const QString odd =
        R"(0 0123456789*#ABCDabcd0|4 |5 é\sb\t|30 a, b|31 \s7|32 \t8|60 a\r|61 \n|82 ~|83 2\r\n3)";
    for (const QString &cell : odd.split(u'|')) {
        if (name == "odd" || name == "quote")
            texts[cell.section(u' ', 0, 0).toInt()] = unescape(cell.section(u' ', 1));
    }
    if (name == "quote")
        texts[58] = "1\"2"; // the duration of entry 12
    return texts;
}

QByteArray lines(int from, int to)
{
    QByteArray out;
    for (int i = 3 * from; i <= 3 * to; i += 3)
        out += QStringLiteral("t%1,t%2,t%3\r\n").arg(i).arg(i + 1).arg(i + 2).toLatin1();
    return out;
}

// A file: t's 28 (or 27) lines, texts("odd"), 28 empty lines, a field too long, or as named.
QByteArray bytes(const QString &name)
{
    if (name == "t" || name == "27")
        return lines(0, name == "t" ? 27 : 26);
    if (name == "odd")
        return "0123456789*#ABCDabcd0,t1,t2\r\nt3,,\xe9 b\t\r\n" + lines(2, 9) +
               "\"a, b\",\" 7\",\"\t8\"\r\n" + lines(11, 19) + "\"a\r\",\"\n\",t62\r\n" +
               lines(21, 26) + "t81," + QByteArray(MaxFieldLength, 'x') + ",\"2\r\n3\"\r\n";
    if (name == "empty")
        return QByteArray(",,\r\n").repeated(28);
    return name == "long" ? QByteArray(MaxFieldLength + 1, '1') : name.toLatin1();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("none");
}

void put(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (data == "dir")
        QDir().mkdir(path);
    else if (data != "none" &&
             (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()))
        qFatal("cannot write %s", qPrintable(path));
}

QStringList entries(QAbstractItemView *view)
{
    QStringList names;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        names << view->model()->index(row, 0).data().toString();
    return names;
}

void click(QAbstractItemView *view, const QString &name, bool twice)
{
    const QPoint at =
        view->visualRect(view->model()->index(int(entries(view).indexOf(name)), 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TstFiles : public QObject
{
    Q_OBJECT

private slots:
    void reading_data()
    {
        // bytes | the first fields, joined by "/", or the failure; $ stands for 28 empty
        // lines, # for 27 lines of "x,y,z".
        addRows(R"(
            CR LF, LF, CR             | a\r\nb\nc\rd,e$          | a/b/c/d/e
            LF CR is two line ends    | a\n\rb$                  | a//b
            empty line is one field   | a,b,c\r\n\r\nd$          | a/b/c//d
            blanks skipped before     | \s\sa\s,\tb\t,\sc$       | a\s/b\t/c
            quotes                    | "a,b","x\r\ny"\s,"\s"$   | a,b/x\r\ny/\s/
            junk after a quote        | "a"junk,"b""c",d$        | a/b/d
            quote inside              | a"b,c$                   | a"b/c
            missing field shifts      | a,b\r\nc,d$              | a/b/c/d
            surplus field shifts      | a,b,c,d\r\ne$            | a/b/c/d/e
            longest, CR LF split      | ~\r\nb$                  | ~/b
            too long                  | ~x$                      | error 27: A setting in the file is longer than 65,535 characters
            too long, quoted          | "~x"$                    | error 27: A setting in the file is longer than 65,535 characters
            last line without end     | #a,b,c                   | x/y/z
            comma promises a field    | #a,b,                    | x/y/z
            one field short           | #a,b\r\n\s\t             | error 61: The file ends before all 84 settings were read
            27 lines                  | #                        | error 61: The file ends before all 84 settings were read
            empty                     |                          | error 61: The file ends before all 84 settings were read)");
    }
    void reading()
    {
        QFETCH(QStringList, cells);
        QByteArray data = unescape(cells[0]
                                       .replace(u'$', QString(",,\\r\\n").repeated(28))
                                       .replace(u'#', QString("x,y,z\\r\\n").repeated(27)))
                              .toLatin1();
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        try {
            QCOMPARE(decode(buffer).join(u'/').left(unescape(cells[1]).size()), unescape(cells[1]));
        } catch (const FileError &error) {
            QCOMPARE(QStringLiteral("error %1: %2").arg(error.number()).arg(error.description()),
                     cells[1]);
        }
    }

    // Export and import; "@" stands for the folder, the names for texts() and bytes().
    void transfer_data()
    {
        // button | panel | file | chooser answer | panel after | file after | transcript
        addRows(R"(
every text      | Export | odd   | old  | set.zlv.csv    | odd | odd   | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n@/set.zlv.csv\r\n"; 125 status "Ready"
empty           | Export | empty | none | set.zlv.csv    | empty | empty | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n@/set.zlv.csv\r\n"; 125 status "Ready"
cancelled       | Export | odd   | old  | cancel         | odd | old   | 0 status "Saving settings.\r\n"; 25 status "Cancelled"; 125 status "Ready"
no name         | Export | odd   | none | empty          | odd | none  | 0 status "Saving settings.\r\n"; 125 status "Ready"
missing folder  | Export | odd   | none | no/set.zlv.csv | odd | none  | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n@/no/set.zlv.csv\r\n"; 25 box "Zelvor: Error  2\r\nNo such file or directory"
a folder        | Export | odd   | dir  | set.zlv.csv    | odd | none  | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n@/set.zlv.csv\r\n"; 25 box "Zelvor: Error  21\r\nIs a directory"
size limit      | Export | odd   | old  | limit          | odd | old   | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n@/set.zlv.csv\r\n"; 25 box "Zelvor: Error  27\r\nFile too large"
double quote    | Export | quote | old  | set.zlv.csv    | quote | old | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n@/set.zlv.csv\r\n"; 25 box "Zelvor: The duration of Multi Play entry 12 holds a double quote (\q), which a configuration file cannot keep.\r\nNothing was written to the file."
picked          | Import | k     | t    | pick           | t   | t     | 0 status "Opening file "; 25 status "Opening file set.zlv.csv"; 25 status ""; 125 status "Ready"; 225 status "Ready"
every text      | Import | k     | odd  | set.zlv.csv    | odd | odd   | 0 status "Opening file "; 25 status "Opening file "; 25 status ""; 125 status "Ready"; 225 status "Ready"
27 lines        | Import | k     | 27   | pick           | k   | 27    | 0 status "Opening file "; 25 status "Opening file set.zlv.csv"; 25 box "Zelvor: Error  61\r\nThe file ends before all 84 settings were read"
too long        | Import | k     | long | set.zlv.csv    | k   | long  | 0 status "Opening file "; 25 status "Opening file "; 25 box "Zelvor: Error  27\r\nA setting in the file is longer than 65,535 characters"
missing         | Import | k     | none | set.zlv.csv    | k   | none  | 0 status "Opening file "; 25 status "Opening file "; 25 box "Zelvor: Error  2\r\nNo such file or directory"
a folder        | Import | k     | dir  | set.zlv.csv    | k   | none  | 0 status "Opening file "; 25 status "Opening file "; 25 box "Zelvor: Error  21\r\nIs a directory"
cancelled       | Import | k     | t    | cancel         | k   | t     | 0 status "Opening file "; 25 status "Cancelled"; 125 status "Ready"
no name         | Import | k     | t    | empty          | k   | t     | 0 status "Opening file "; 125 status "Ready")");
    }
    void transfer()
    {
        QFETCH(QStringList, cells);
        const QString button = cells[0], before = cells[1], file = cells[2], answer = cells[3],
                      after = cells[4], written = cells[5];
        QString transcript = cells[6];
        PanelRig rig;
        rig.addDevice(1);
        Zelvo &panel = rig.start();
        QTemporaryDir dir;
        const QString name = dir.filePath("set.zlv.csv");
        put(name, bytes(file));
        // The 84 texts in file order, then the update boxes.
        auto field = [&](int i) {
            return std::array{panel.MemString, panel.Length, panel.Space}[i % 3][i / 3];
        };
        auto panelTexts = [&] {
            QStringList all;
            for (int i = 0; i < FieldCount; ++i)
                all << (i < 24 ? field(i)->text()
                               : panel.multiPlay()->textMatrix(i / 3 - 7, i % 3 + 1));
            for (QCheckBox *box : panel.Update)
                all << QString::number(box->isChecked());
            return all;
        };
        const QStringList texts = ::texts(before), boxes = QString("0 1 0 1 0 0 1 0").split(u' ');
        for (int i = 0; i < FieldCount; ++i)
            i < 24 ? field(i)->setText(texts[i])
                   : panel.multiPlay()->setTextMatrix(i / 3 - 7, i % 3 + 1, texts[i]);
        for (int i = 0; i < 8; ++i)
            panel.Update[i]->setChecked(boxes[i] == "1");

        // The user answers the chooser once its request shows.
        QString prompt;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, &user, [&] {
            FileIO *io = panel.findChild<FileIO *>();
            if (!io || !io->isVisible() || io->Tag != "-1")
                return;
            user.stop();
            prompt = io->IOLable->text();
            io->Dir1->setPath(dir.path());
            if (answer == "pick")
                io->File1->setCurrentItem(
                    io->File1->findItems("set.zlv.csv", Qt::MatchExactly).value(0));
            else
                io->Fname->setText(answer == "empty"
                                       ? ""
                                       : dir.filePath(answer == "limit" ? "set.zlv.csv" : answer));
            if (answer == "empty")
                io->Tag = "1";
            else
                QTest::mouseClick(answer == "cancel" ? io->Cancel : io->OK, Qt::LeftButton);
        });
        user.start(1);
        rig.boxes().answer(QMessageBox::Ok);
        // Files may grow to 50 bytes only: the 112-byte file cannot be written.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited{answer == "limit" ? 50 : saved.rlim_cur, saved.rlim_max};
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limited);
        QTest::mouseClick(button == "Export" ? panel.Export : panel.Import, Qt::LeftButton);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);

        const QString expected =
            transcript.replace("; ", "\n").replace("\\q", "\"").replace(u'@', dir.path());
        QVERIFY(rig.checkTranscript(expected.toUtf8().constData(), __FILE__, __LINE__));
        QCOMPARE(prompt,
                 button == "Export" ? "Enter Filename to Save As..." : "Enter Filename to load...");
        QCOMPARE(contents(name), bytes(written));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 int(written != "none"));
        QCOMPARE(panelTexts(), ::texts(after) + boxes);
        QVERIFY(!panel.multiPlay()->isVisible() && !panel.fileIO()->isVisible());
    }

    // Steps on the chooser; "@" stands for a folder with files and folders.
    void chooser_data()
    {
        // steps | Fname | Tag | the folders; the files (or the message box)
        addRows(R"(
            a file clicked        | click Set.zlv.csv; ok            | @/Set.zlv.csv       | 1  | top
            a file double-clicked | dclick Memo.txt                  | @/Memo.txt.zlv.csv  | 1  | top
            typed                 | type @/Set; ok                   | @/Set.zlv.csv       | 1  | top
            upper case            | type @/S.ZLV.CSV; ok             | @/S.ZLV.CSV.zlv.csv | 1  | top
            contained             | type @/S.zlv.csv.bak; ok         | @/S.zlv.csv.bak     | 1  | top
            part of it            | type @/S.zlv; ok                 | @/S.zlv.zlv.csv     | 1  | top
            nothing typed         | type; ok                         | .zlv.csv            | 1  | top
            cancelled             | type x; cancel                   | x                   | 0  | top
            Esc                   | type x; esc                      | x                   | 0  | top
            closed, shown again   | type x; close; show              | x                   | 0  | top
            a folder opened       | click A.txt; open Data           | @/Data              | -1 | ..;inside.txt
            a folder accepted     | open Data; ok                    | @/Data.zlv.csv      | 1  | ..;inside.txt
            back up               | open Data; open ..               | @                   | -1 | top
            the root              | cd /; click *                    | //*                 | -1 | root
            a folder gone         | click A.txt; rmdir gone; open gone | @/A.txt           | -1 | Error  2\r\nNo such file or directory
            a drive               | type x; drive 1                  | @                   | -1 | top
            a drive failing       | drive 1; click b.txt; drive 0    | @/b.txt             | -1 | Error  2\r\nNo such file or directory)");
    }
    void chooser()
    {
        QFETCH(QStringList, cells);
        QString steps = cells[0], fname = cells[1], tag = cells[2], lists = cells[3];
        QTemporaryDir dir;
        for (const char *name : {"Set.zlv.csv", "Memo.txt", "b.txt", ".hidden", "A.txt", "Data",
                                 "Data/inside.txt", ".config", "gone"})
            put(dir.filePath(name), QByteArray("Data .config gone").contains(name) ? "dir" : "");
        PanelRig rig;
        FileIO *io = rig.panel().fileIO();
        io->show();
        QVERIFY(QTest::qWaitForWindowExposed(io));
        io->setDrives({dir.filePath("none"), dir.path()});
        io->Dir1->setPath(dir.path());
        rig.boxes().answer(QMessageBox::Ok);
        QString clicked;
        for (const QString &step : steps.replace(u'@', dir.path()).split("; ")) {
            const QString verb = step.section(u' ', 0, 0), arg = step.section(u' ', 1);
            if (verb.endsWith("click")) {
                clicked = arg != "*" ? arg : io->File1->count() ? io->File1->item(0)->text() : "";
                if (clicked.isEmpty())
                    QSKIP("the root folder holds no file");
                click(io->File1, clicked, verb == "dclick");
            }
            if (verb == "cd")
                io->Dir1->setPath(arg);
            if (verb == "open")
                click(io->Dir1, arg, true);
            if (verb == "type")
                io->Fname->clear(), QTest::keyClicks(io->Fname, arg);
            if (verb == "ok" || verb == "cancel")
                QTest::mouseClick(verb == "ok" ? io->OK : io->Cancel, Qt::LeftButton);
            if (verb == "close")
                io->close();
            if (verb == "show")
                io->show();
            if (verb == "esc")
                QTest::keyClick(io->Fname, Qt::Key_Escape);
            if (verb == "rmdir")
                QDir(dir.filePath(arg)).removeRecursively();
            if (verb == "drive")
                io->Drive1->setCurrentIndex(arg.toInt());
        }
        QCOMPARE(io->Fname->text(), fname.replace(u'@', dir.path()).replace(u'*', clicked));
        QCOMPARE(io->Tag, tag);
        const bool failed = lists.startsWith("Error");
        QCOMPARE(rig.boxes().texts(), failed ? QStringList{unescape(lists)} : QStringList());
        if (lists == "top")
            lists = "..,.config,Data,gone;.hidden,A.txt,b.txt,Memo.txt,Set.zlv.csv";
        if (!failed && lists != "root")
            QCOMPARE(entries(io->Dir1).join(u',') + u';' + entries(io->File1).join(u','), lists);
    }
};

QTEST_MAIN(TstFiles)
#include "tst_files.moc"
