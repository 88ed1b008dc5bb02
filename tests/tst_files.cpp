// SPDX-License-Identifier: GPL-3.0-or-later
// "Export Data" and "Import Data" on a running panel, and the "File I/O"
// chooser.

#include "files/configformat.h"
#include "files/configtransfer.h"
#include "play/multiplay.h"
#include "support/operationrows.h"
#include "support/textrows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

using namespace configfile;

// While set, new files fail as on a disk without a free inode, where files
// that exist can still be written: Qt creates files through open64.
static bool noRoomForNewFiles = false;
extern "C" int open64(const char *path, int flags, ...)
{
    static const auto next =
        reinterpret_cast<int (*)(const char *, int, ...)>(dlsym(RTLD_NEXT, "open64"));
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list rest;
        va_start(rest, flags);
        mode = va_arg(rest, mode_t);
        va_end(rest);
    }
    if (noRoomForNewFiles && ((flags & O_TMPFILE) == O_TMPFILE || (flags & O_EXCL))) {
        errno = ENOSPC;
        return -1;
    }
    return next(path, flags, mode);
}

namespace {

// The 84 texts of a panel: "k0" to "k83", "t0" to "t83", or t with "odd" ones
// (each rule of writing and reading, a field of 65,535 characters), and with
// a double quote for "quote" or a field of 65,536 for "big".
QStringList texts(const QString &name)
{
    QStringList texts;
    for (int i = 0; i < FieldCount; ++i)
        texts << (name == "k" ? "k" : "t") + QString::number(i);
    QString odd =
        R"(0 0123456789*#ABCDabcd0|4 |5 é\sb\t|30 a, b|31 \s7|32 \t8|60 a\r|61 \n|82 ~|83 2\r\n3)";
    odd += name == "quote" ? "|58 1\"2" : name == "big" ? "|82 ~x" : ""; // entries 12 and 20
    for (const QString &cell : name.size() > 1 ? odd.split(u'|') : QStringList())
        texts[cell.section(u' ', 0, 0).toInt()] = unescape(cell.section(u' ', 1));
    return texts;
}

QByteArray lines(int from, int to)
{
    QByteArray out;
    for (int i = 3 * from; i <= 3 * to; i += 3)
        out += QStringLiteral("t%1,t%2,t%3\r\n").arg(i).arg(i + 1).arg(i + 2).toLatin1();
    return out;
}

// A file: t's 28 (or 27) lines, texts("odd"), a field too long, or as named.
QByteArray bytes(const QString &name)
{
    if (name == "t" || name == "27")
        return lines(0, name == "t" ? 27 : 26);
    if (name == "odd")
        return "0123456789*#ABCDabcd0,t1,t2\r\nt3,,\xe9 b\t\r\n" + lines(2, 9) +
               "\"a, b\",\" 7\",\"\t8\"\r\n" + lines(11, 19) + "\"a\r\",\"\n\",t62\r\n" +
               lines(21, 26) + "t81," + QByteArray(MaxFieldLength, 'x') + ",\"2\r\n3\"\r\n";
    return name == "long" ? QByteArray(MaxFieldLength + 1, '1') : name.toLatin1();
}

// Writes the file; "locked": a file anyone may write in a folder nobody may add to.
void put(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (data == "locked") {
        put(path, "old");
        file.setPermissions(QFileDevice::Permissions(0x6666));
        QFile::setPermissions(QFileInfo(path).path(), QFileDevice::Permissions(0x5555));
    } else if (data == "dir")
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
    // Export and import; "@" stands for the folder, the names for texts() and bytes().
    void transfer_data()
    {
        // button | panel | file | chooser answer (pick, cancel, or Fname) | panel after | file
        // after | transcript
        addRows(R"(
every text      | Export | odd   | old  | @/set.zlv.csv  | odd | odd   | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n@/set.zlv.csv\r\n"; 125 status "Ready"
cancelled       | Export | odd   | old  | cancel         | odd | old   | 0 status "Saving settings.\r\n"; 25 status "Cancelled"; 125 status "Ready"
no name         | Export | odd   | none |                | odd | none  | 0 status "Saving settings.\r\n"; 125 status "Ready"
missing folder  | Export | odd   | none | @/no/set.zlv.csv | odd | none  | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n@/no/set.zlv.csv\r\n"; 25 box "Zelvor: Error  2\r\nNo such file or directory"
a folder        | Export | odd   | dir  | @/set.zlv.csv  | odd | none  | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n@/set.zlv.csv\r\n"; 25 box "Zelvor: Error  21\r\nIs a directory"
a full disk     | Export | odd   | old  | /dev/full      | odd | old   | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n/dev/full\r\n"; 25 box "Zelvor: Error  28\r\nNo space left on device"
no new file     | Export | odd   | full | @/set.zlv.csv  | odd | full  | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n@/set.zlv.csv\r\n"; 25 box "Zelvor: Error  28\r\nNo space left on device"
locked folder   | Export | odd   | locked | @/set.zlv.csv | odd | odd | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n@/set.zlv.csv\r\n"; 125 status "Ready"
no temporary file | Export | odd | old  | @/<long>.zlv.csv | odd | old | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n@/<long>.zlv.csv\r\n"; 25 box "Zelvor: Error  36\r\nFile name too long"
a field too big | Export | big   | old  | @/set.zlv.csv  | big | old   | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n@/set.zlv.csv\r\n"; 25 box "Zelvor: The duration of Multi Play entry 20 is longer than 65,535 characters, which a configuration file cannot keep.\r\nNothing was written to the file."
double quote    | Export | quote | old  | @/set.zlv.csv  | quote | old | 0 status "Saving settings.\r\n"; 25 status "Saving settings.\r\n@/set.zlv.csv\r\n"; 25 box "Zelvor: The duration of Multi Play entry 12 holds a double quote (\q), which a configuration file cannot keep.\r\nNothing was written to the file."
picked          | Import | k     | t    | pick           | t   | t     | 0 status "Opening file "; 25 status "Opening file set.zlv.csv"; 25 status ""; 125 status "Ready"; 225 status "Ready"
every text      | Import | k     | odd  | @/set.zlv.csv  | odd | odd   | 0 status "Opening file "; 25 status "Opening file "; 25 status ""; 125 status "Ready"; 225 status "Ready"
27 lines        | Import | k     | 27   | pick           | k   | 27    | 0 status "Opening file "; 25 status "Opening file set.zlv.csv"; 25 box "Zelvor: Error  61\r\nThe file ends before all 84 settings were read"
too long        | Import | k     | long | @/set.zlv.csv  | k   | long  | 0 status "Opening file "; 25 status "Opening file "; 25 box "Zelvor: Error  27\r\nA setting in the file is longer than 65,535 characters"
missing         | Import | k     | none | @/set.zlv.csv  | k   | none  | 0 status "Opening file "; 25 status "Opening file "; 25 box "Zelvor: Error  2\r\nNo such file or directory"
cancelled       | Import | k     | t    | cancel         | k   | t     | 0 status "Opening file "; 25 status "Cancelled"; 125 status "Ready"
no name         | Import | k     | t    |                | k   | t     | 0 status "Opening file "; 125 status "Ready")");
    }
    void transfer()
    {
        QFETCH(QStringList, cells);
        QTemporaryDir dir;
        const auto expand = [&dir](QString text) { // <long>: 250 characters with ".zlv.csv"
            return text.replace("<long>", QString(242, u'n')).replace(u'@', dir.path());
        };
        const QString answer = expand(cells[3]);
        PanelRig rig;
        Zelvo &panel = rig.panel();
        const QString name =
            cells[3].startsWith("@/") ? answer : dir.filePath("set.zlv.csv"); // the file
        put(name, bytes(cells[2]));
        // The 84 texts in file order; the update boxes stay as they were.
        auto edit = [&](int i) {
            return std::array{panel.settings().MemString, panel.settings().Length,
                              panel.settings().Space}[i % 3][i / 3];
        };
        MultiPlay *list = panel.multiPlay();
        const QStringList before = texts(cells[1]);
        for (int i = 0; i < FieldCount; ++i)
            i < 24 ? edit(i)->setText(before[i])
                   : list->setTextMatrix(i / 3 - 7, i % 3 + 1, before[i]);
        for (int i = 0; i < 8; ++i)
            panel.settings().Update[i]->setChecked(i % 3 == 1);

        FileIO *io = panel.files().fileIO();
        whenShown(
            &panel, [&] { return io->isVisible() && io->Tag == "-1"; },
            [&] {
                io->Dir1->setPath(dir.path());
                if (answer == "pick")
                    io->File1->setCurrentItem(io->File1->item(0));
                else
                    io->Fname->setText(answer);
                if (answer == "cancel" || answer == "pick" || answer.endsWith(".csv"))
                    QTest::mouseClick(answer == "cancel" ? io->Cancel : io->OK, Qt::LeftButton);
                else
                    io->Tag = "1"; // taken as it stands, without the extension OK adds
            });
        rig.boxes().answer(QMessageBox::Ok);
        noRoomForNewFiles = cells[2] == "full";
        const bool asNobody = cells[2] == "locked" && geteuid() == 0; // root may add anywhere
        QVERIFY(!asNobody || seteuid(65534) == 0);
        QTest::mouseClick(cells[0] == "Export" ? panel.Export : panel.Import, Qt::LeftButton);
        QVERIFY(!asNobody || seteuid(0) == 0);
        noRoomForNewFiles = false;
        QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7700));

        const QString expected = expand(cells[6].replace("; ", "\n").replace("\\q", "\""));
        QVERIFY(rig.checkTranscript(expected.toUtf8().constData(), __FILE__, __LINE__));
        QFile file(name);
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : "none", bytes(cells[5]));
        const QStringList after = texts(cells[4]);
        for (int i = 0; i < FieldCount; ++i)
            QCOMPARE(i < 24 ? edit(i)->text() : list->textMatrix(i / 3 - 7, i % 3 + 1), after[i]);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(panel.settings().Update[i]->isChecked(), i % 3 == 1);
        QVERIFY(!list->isVisible() && !io->isVisible());
    }

    // Steps on the chooser; "@" stands for a folder with files and folders.
    void chooser_data()
    {
        // steps | Fname | Tag | the folders; the files (or the message box)
        addRows(R"(
            a file clicked        | click Set.zlv.csv; ok            | @/Set.zlv.csv       | 1  | top
            a file double-clicked | dclick Memo.txt                  | @/Memo.txt.zlv.csv  | 1  | top
            typed, upper case     | type @/S.ZLV.CSV; ok             | @/S.ZLV.CSV.zlv.csv | 1  | top
            contained             | type @/S.zlv.csv.bak; ok         | @/S.zlv.csv.bak     | 1  | top
            nothing typed         | type; ok                         | .zlv.csv            | 1  | top
            cancelled             | type x; cancel                   | x                   | 0  | top
            Esc                   | type x; esc                      | x                   | 0  | top
            closed, shown again   | type x; reopen                   | x                   | 0  | top
            a folder opened       | click A.txt; open Data           | @/Data              | -1 | ..;inside.txt
            back up               | open Data; open ..               | @                   | -1 | top
            the root              | cd /; click *                    | //*                 | -1 | root
            a folder gone         | click A.txt; rmdir gone; open gone | @/A.txt           | -1 | Error  2\r\nNo such file or directory
            a drive, one failing  | type x; drive 1; drive 0         | @                   | -1 | Error  2\r\nNo such file or directory)");
    }
    void chooser()
    {
        QFETCH(QStringList, cells);
        QString steps = cells[0], fname = cells[1], lists = cells[3];
        QTemporaryDir dir;
        for (const char *name : {"Set.zlv.csv", "Memo.txt", "b.txt", ".hidden", "A.txt", "Data",
                                 "Data/inside.txt", ".config", "gone"})
            put(dir.filePath(name), QByteArray("Data .config gone").contains(name) ? "dir" : "");
        PanelRig rig;
        FileIO *io = rig.panel().files().fileIO();
        io->show();
        QVERIFY(QTest::qWaitForWindowExposed(io));
        io->setDrives({dir.filePath("none"), dir.path()});
        io->Dir1->setPath(dir.path());
        rig.boxes().answer(QMessageBox::Ok);
        const QString rootFile = QDir("/").entryList(QDir::Files | QDir::Hidden).value(0);
        if (steps.contains(u'*') && rootFile.isEmpty())
            QSKIP("the root folder holds no file");
        const std::map<QString, std::function<void(QString)>> verbs{
            {"click", [&](QString a) { click(io->File1, a, false); }},
            {"dclick", [&](QString a) { click(io->File1, a, true); }},
            {"cd", [&](QString a) { io->Dir1->setPath(a); }},
            {"open", [&](QString a) { click(io->Dir1, a, true); }},
            {"type",
             [&](QString a) {
                 io->Fname->clear();
                 QTest::keyClicks(io->Fname, a);
             }},
            {"ok", [&](QString) { QTest::mouseClick(io->OK, Qt::LeftButton); }},
            {"cancel", [&](QString) { QTest::mouseClick(io->Cancel, Qt::LeftButton); }},
            {"reopen",
             [&](QString) {
                 io->close();
                 io->show();
             }},
            {"esc", [&](QString) { QTest::keyClick(io->Fname, Qt::Key_Escape); }},
            {"rmdir", [&](QString a) { QDir(dir.filePath(a)).removeRecursively(); }},
            {"drive", [&](QString a) { io->Drive1->setCurrentIndex(a.toInt()); }}};
        for (const QString &step :
             steps.replace(u'@', dir.path()).replace(u'*', rootFile).split("; "))
            verbs.at(step.section(u' ', 0, 0))(step.section(u' ', 1));
        QCOMPARE(io->Fname->text(), fname.replace(u'@', dir.path()).replace(u'*', rootFile));
        QCOMPARE(io->Tag, cells[2]);
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
