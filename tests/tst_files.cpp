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
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace configfile;

namespace {

const QByteArray EmptyLine = ",,\r\n";

// Texts named after their place in the file: "k0" ... "k83".
QStringList named(const char *tag)
{
    QStringList texts;
    for (int i = 0; i < FieldCount; ++i)
        texts << QStringLiteral("%1%2").arg(QLatin1String(tag)).arg(i);
    return texts;
}

// Lines from..to (counted from 0) of a file of named("t") texts.
QByteArray namedLines(int from, int to)
{
    QByteArray out;
    for (int line = from; line <= to; ++line)
        out += QStringLiteral("t%1,t%2,t%3\r\n")
                   .arg(3 * line)
                   .arg(3 * line + 1)
                   .arg(3 * line + 2)
                   .toLatin1();
    return out;
}

QString decoded(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        return decode(buffer).join(u'|');
    } catch (const FileError &error) {
        return QStringLiteral("error %1: %2").arg(error.number()).arg(error.description());
    }
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

void put(const QString &path, const QByteArray &bytes)
{
    if (bytes == "<dir>") {
        QDir().mkdir(path);
    } else if (bytes != "<none>") {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
    }
}

// A started panel with known texts and update boxes 1, 3 and 6 checked.
struct Session
{
    Session() : panel((rig.addDevice(1), rig.start()))
    {
        setTexts(named("k"));
        for (int i : {1, 3, 6})
            panel.Update[i]->setChecked(true);
    }
    QStringList texts()
    {
        QStringList all;
        for (int i = 0; i < 8; ++i)
            all << panel.MemString[i]->text() << panel.Length[i]->text() << panel.Space[i]->text();
        for (int row = 1; row <= 20; ++row)
            for (int column = 1; column <= 3; ++column)
                all << panel.multiPlay()->textMatrix(row, column);
        return all;
    }
    void setTexts(const QStringList &all)
    {
        for (int i = 0; i < 8; ++i) {
            panel.MemString[i]->setText(all.at(3 * i));
            panel.Length[i]->setText(all.at(3 * i + 1));
            panel.Space[i]->setText(all.at(3 * i + 2));
        }
        for (int row = 1; row <= 20; ++row)
            for (int column = 1; column <= 3; ++column)
                panel.multiPlay()->setTextMatrix(row, column, all.at(3 * row + column + 20));
    }
    QString updateBoxes()
    {
        QString boxes;
        for (QCheckBox *box : panel.Update)
            boxes += box->isChecked() ? u'x' : u'.';
        return boxes;
    }
    // Runs the button's operation; the chooser is answered as `answer` says
    // ("pick NAME" from the file list, "type NAME", "cancel", "empty"), and
    // a message box with OK.
    void run(QPushButton *button, const QString &answer)
    {
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, &user, [&] {
            FileIO *io = panel.findChild<FileIO *>();
            if (!io || !io->isVisible() || io->Tag != QLatin1String("-1"))
                return;
            user.stop();
            prompt = io->IOLable->text();
            const QString name = answer.section(u' ', 1);
            if (answer.startsWith(QLatin1String("pick"))) {
                io->Dir1->setPath(dir.path());
                io->File1->setCurrentItem(io->File1->findItems(name, Qt::MatchExactly).value(0));
            } else {
                io->Fname->setText(name.isEmpty() ? QString() : dir.filePath(name));
            }
            if (answer == QLatin1String("empty"))
                io->Tag = QStringLiteral("1");
            else
                QTest::mouseClick(answer == QLatin1String("cancel") ? io->Cancel : io->OK,
                                  Qt::LeftButton);
        });
        user.start(1);
        rig.boxes().answer(QMessageBox::Ok);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // The transcript with the folder's path for "@".
    bool check(QString expected, const char *file, int line)
    {
        expected.replace(u'@', dir.path());
        return rig.checkTranscript(expected.toUtf8().constData(), file, line);
    }

    PanelRig rig;
    Zelvo &panel;
    QTemporaryDir dir;
    QString prompt;
};

// A folder for the chooser: files (one hidden) and folders, one of them to vanish.
struct Tree
{
    Tree()
    {
        for (const char *name : {"Set.zlv.csv", "Memo.txt", "b.txt", ".hidden", "A.txt"})
            put(dir.filePath(QLatin1String(name)), "");
        for (const char *name : {"Data", ".config", "gone"})
            QDir(dir.path()).mkdir(QLatin1String(name));
        put(dir.filePath(QStringLiteral("Data/inside.txt")), "");
    }
    QTemporaryDir dir;
};

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
    void encode_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("written"); // empty: refused
        QTest::newRow("tones") << "0123456789*#ABCDabcd" << QByteArray("0123456789*#ABCDabcd");
        QTest::newRow("inner and trailing blanks") << "a b \t" << QByteArray("a b \t");
        QTest::newRow("Latin-1, control")
            << QString::fromLatin1("\xe9\xff\x01") << QByteArray("\xe9\xff\x01");
        QTest::newRow("comma") << "1,000" << QByteArray("\"1,000\"");
        QTest::newRow("CR LF") << "a\r\nb" << QByteArray("\"a\r\nb\"");
        QTest::newRow("lone CR") << "a\r" << QByteArray("\"a\r\"");
        QTest::newRow("lone LF") << "\n" << QByteArray("\"\n\"");
        QTest::newRow("leading blank") << " 5" << QByteArray("\" 5\"");
        QTest::newRow("leading tab") << "\t5" << QByteArray("\"\t5\"");
        QTest::newRow("65,535 characters")
            << QString(MaxFieldLength, u',') << "\"" + QByteArray(MaxFieldLength, ',') + "\"";
        QTest::newRow("65,536 characters") << QString(MaxFieldLength + 1, u'1') << QByteArray();
        QTest::newRow("double quote") << "1\"2" << QByteArray();
        QTest::newRow("beyond Latin-1") << QString::fromUtf8("5\u20ac") << QByteArray();
    }
    // The field as the second of the file, written and read back.
    void encode()
    {
        QFETCH(QString, field);
        QFETCH(QByteArray, written);
        QStringList fields(FieldCount, QString());
        fields[1] = field;
        QCOMPARE(firstUnwritableField(fields).value_or(-1), written.isEmpty() ? 1 : -1);
        if (written.isEmpty())
            return;
        QCOMPARE(configfile::encode(fields), "," + written + ",\r\n" + EmptyLine.repeated(27));
        QCOMPARE(decoded(configfile::encode(fields)), fields.join(u'|'));
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("fields"); // the first ones, or the error
        const QByteArray rest = EmptyLine.repeated(28);
        const QByteArray filler = QByteArray("x,y,z\r\n").repeated(27);
        const QString tooShort = "error 61: The file ends before all 84 settings were read";
        const QString tooLong = "error 27: A setting in the file is longer than 65,535 characters";
        QTest::newRow("CR LF, LF, CR") << "a\r\nb\nc\rd,e" + rest << "a|b|c|d|e";
        QTest::newRow("LF CR is two line ends") << "a\n\rb" + rest << "a||b";
        QTest::newRow("empty line is one field") << "a,b,c\r\n\r\nd" + rest << "a|b|c||d";
        QTest::newRow("blanks before skipped, after kept") << "  a ,\tb\t, c" + rest << "a |b\t|c";
        QTest::newRow("quoted comma and line end") << "\"a,b\",\"x\r\ny\"" + rest << "a,b|x\r\ny";
        QTest::newRow("after the quote, up to the comma") << "\"a\"junk,b" + rest << "a|b";
        QTest::newRow("quote inside a field") << "a\"b,c" + rest << "a\"b|c";
        QTest::newRow("missing field shifts") << "a,b\r\nc,d" + rest << "a|b|c|d";
        QTest::newRow("surplus field shifts") << "a,b,c,d\r\ne" + rest << "a|b|c|d|e";
        QTest::newRow("65,535, line end across reads")
            << QByteArray(MaxFieldLength, 'x') + "\r\nb" + rest
            << QString(MaxFieldLength, u'x') + "|b";
        QTest::newRow("65,536") << QByteArray(MaxFieldLength + 1, 'x') + rest << tooLong;
        QTest::newRow("65,536 quoted")
            << "\"" + QByteArray(MaxFieldLength + 1, 'x') + "\"" + rest << tooLong;
        QTest::newRow("last line not ended") << filler + "a,b,c"
                                             << "x|y|z";
        QTest::newRow("comma promises a field") << filler + "a,b,"
                                                << "x|y|z";
        QTest::newRow("one field short") << filler + "a,b\r\n \t" << tooShort;
        QTest::newRow("27 lines") << filler << tooShort;
        QTest::newRow("empty") << QByteArray() << tooShort;
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, fields);
        QCOMPARE(decoded(bytes).left(fields.size()), fields);
    }

    void exportFile_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QByteArray>("before"); // what the name held
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("transcript");
        QTest::addColumn<QByteArray>("after");
        QStringList odd = named("t");
        odd[0] = "0123456789*#ABCDabcd0";
        odd[4] = "";
        odd[30] = "a, b";
        odd[31] = " 7";
        odd[83] = "two\r\nlines";
        const QString saved = R"(0 status "Saving settings.\r\n"
                                25 status "Saving settings.\r\n@/set.zlv.csv\r\n")";
        QTest::newRow("every text in its place")
            << odd << QByteArray("old") << "type set.zlv.csv" << saved + "\n125 status \"Ready\""
            << "0123456789*#ABCDabcd0,t1,t2\r\nt3,,t5\r\n" + namedLines(2, 9) +
                   "\"a, b\",\" 7\",t32\r\n" + namedLines(11, 26) + "t81,t82,\"two\r\nlines\"\r\n";
        QTest::newRow("empty") << QStringList(FieldCount, QString()) << QByteArray("<none>")
                               << "type set.zlv.csv" << saved + "\n125 status \"Ready\""
                               << EmptyLine.repeated(28);
        QTest::newRow("cancelled")
            << odd << QByteArray("old") << "cancel"
            << "0 status \"Saving settings.\\r\\n\"\n25 status \"Cancelled\"\n125 status \"Ready\""
            << QByteArray("old");
        QTest::newRow("no name") << odd << QByteArray("<none>") << "empty"
                                 << "0 status \"Saving settings.\\r\\n\"\n125 status \"Ready\""
                                 << QByteArray("<none>");
        QTest::newRow("missing folder") << odd << QByteArray("<none>") << "type no/set.zlv.csv"
                                        << R"(0 status "Saving settings.\r\n"
                                              25 status "Saving settings.\r\n@/no/set.zlv.csv\r\n"
                                              25 box "Zelvor: Error  2\r\nNo such file or directory")"
                                        << QByteArray("<none>");
        QTest::newRow("a folder of that name")
            << odd << QByteArray("<dir>") << "type set.zlv.csv"
            << saved + "\n25 box \"Zelvor: Error  21\\r\\nIs a directory\"" << QByteArray("<none>");
        QStringList quote = odd;
        quote[58] = "1\"2";
        QTest::newRow("double quote in entry 12")
            << quote << QByteArray("old") << "type set.zlv.csv"
            << saved +
                   "\n25 box \"Zelvor: The duration of Multi Play entry 12 holds a double quote "
                   "(\"), "
                   "which a configuration file cannot keep.\\r\\nNothing was written to the file.\""
            << QByteArray("old");
        QTest::newRow("file size limit")
            << odd << QByteArray("old") << "type set.zlv.csv limit"
            << saved + "\n25 box \"Zelvor: Error  27\\r\\nFile too large\"" << QByteArray("old");
    }
    void exportFile()
    {
        QFETCH(QStringList, texts);
        QFETCH(QByteArray, before);
        QFETCH(QString, answer);
        QFETCH(QString, transcript);
        QFETCH(QByteArray, after);
        Session s;
        s.setTexts(texts);
        put(s.dir.filePath("set.zlv.csv"), before);
        // Files may grow to 50 bytes only: the 112-byte file cannot be written.
        rlimit saved{}, limited{};
        getrlimit(RLIMIT_FSIZE, &saved);
        limited = saved;
        limited.rlim_cur = answer.endsWith(QLatin1String("limit")) ? 50 : saved.rlim_cur;
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limited);
        s.run(s.panel.Export, answer.section(u' ', 0, 1));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
        QVERIFY(s.check(transcript, __FILE__, __LINE__));
        QCOMPARE(s.prompt, QStringLiteral("Enter Filename to Save As..."));
        QCOMPARE(contents(s.dir.filePath("set.zlv.csv")), after);
        QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 int(after != "<none>"));
        QCOMPARE(s.texts(), texts);
        QCOMPARE(s.updateBoxes(), QStringLiteral(".x.x..x."));
        QVERIFY(!s.panel.fileIO()->isVisible());
    }

    void importFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("transcript");
        QTest::addColumn<bool>("filled");
        const QString opening = "0 status \"Opening file \"\n25 status \"Opening file ";
        QTest::newRow("picked from the list")
            << namedLines(0, 27) << "pick set.zlv.csv"
            << opening + "set.zlv.csv\"\n25 status \"\"\n125 status \"Ready\"\n225 status \"Ready\""
            << true;
        QTest::newRow("27 lines")
            << namedLines(0, 26) << "pick set.zlv.csv"
            << opening + "set.zlv.csv\"\n25 box \"Zelvor: Error  61\\r\\nThe file ends "
                         "before all 84 settings were read\""
            << false;
        QTest::newRow("a field too long")
            << QByteArray(MaxFieldLength + 1, '1') << "type set.zlv.csv"
            << opening + "\"\n25 box \"Zelvor: Error  27\\r\\nA setting in the file is longer than "
                         "65,535 characters\""
            << false;
        QTest::newRow("missing")
            << QByteArray("<none>") << "type set.zlv.csv"
            << opening + "\"\n25 box \"Zelvor: Error  2\\r\\nNo such file or directory\"" << false;
        QTest::newRow("a folder") << QByteArray("<dir>") << "type set.zlv.csv"
                                  << opening +
                                         "\"\n25 box \"Zelvor: Error  21\\r\\nIs a directory\""
                                  << false;
        QTest::newRow("cancelled")
            << namedLines(0, 27) << "cancel"
            << "0 status \"Opening file \"\n25 status \"Cancelled\"\n125 status \"Ready\"" << false;
        QTest::newRow("no name") << namedLines(0, 27) << "empty"
                                 << "0 status \"Opening file \"\n125 status \"Ready\"" << false;
    }
    void importFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, answer);
        QFETCH(QString, transcript);
        QFETCH(bool, filled);
        Session s;
        put(s.dir.filePath("set.zlv.csv"), bytes);
        s.run(s.panel.Import, answer);
        QVERIFY(s.check(transcript, __FILE__, __LINE__));
        QCOMPARE(s.prompt, QStringLiteral("Enter Filename to load..."));
        QCOMPARE(s.texts(), named(filled ? "t" : "k"));
        QCOMPARE(s.updateBoxes(), QStringLiteral(".x.x..x."));
        QVERIFY(!s.panel.multiPlay()->isVisible() && !s.panel.fileIO()->isVisible());
    }

    void chooser_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("fname"); // "@": the folder
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("lists"); // directories; files; or the box
        const QString top = "..,.config,Data,gone;.hidden,A.txt,b.txt,Memo.txt,Set.zlv.csv";
        QTest::newRow("a file clicked") << QStringList{"click Set.zlv.csv", "ok"} << "@/Set.zlv.csv"
                                        << "1" << top;
        QTest::newRow("a file double-clicked")
            << QStringList{"dclick Memo.txt"} << "@/Memo.txt.zlv.csv"
            << "1" << top;
        QTest::newRow("typed") << QStringList{"type @/Set", "ok"} << "@/Set.zlv.csv"
                               << "1" << top;
        QTest::newRow("upper case")
            << QStringList{"type @/S.ZLV.CSV", "ok"} << "@/S.ZLV.CSV.zlv.csv"
            << "1" << top;
        QTest::newRow("contained") << QStringList{"type @/S.zlv.csv.bak", "ok"} << "@/S.zlv.csv.bak"
                                   << "1" << top;
        QTest::newRow("part of it") << QStringList{"type @/S.zlv", "ok"} << "@/S.zlv.zlv.csv"
                                    << "1" << top;
        QTest::newRow("nothing typed") << QStringList{"type ", "ok"} << ".zlv.csv"
                                       << "1" << top;
        QTest::newRow("cancelled") << QStringList{"type x", "cancel"} << "x"
                                   << "0" << top;
        QTest::newRow("Esc") << QStringList{"type x", "esc"} << "x"
                             << "0" << top;
        QTest::newRow("a folder opened") << QStringList{"click A.txt", "open Data"} << "@/Data"
                                         << "-1"
                                         << "..;inside.txt";
        QTest::newRow("a folder accepted") << QStringList{"open Data", "ok"} << "@/Data.zlv.csv"
                                           << "1"
                                           << "..;inside.txt";
        QTest::newRow("back up") << QStringList{"open Data", "open .."} << "@"
                                 << "-1" << top;
        QTest::newRow("a folder gone")
            << QStringList{"click A.txt", "rmdir gone", "open gone"} << "@/A.txt"
            << "-1"
            << "Error  2\r\nNo such file or directory";
        QTest::newRow("a drive") << QStringList{"drives", "type x", "drive 1"} << "@"
                                 << "-1" << top;
        QTest::newRow("a drive that fails")
            << QStringList{"drives", "drive 1", "click b.txt", "drive 0"} << "@/b.txt"
            << "-1"
            << "Error  2\r\nNo such file or directory";
        QTest::newRow("the root") << QStringList{"cd /", "click *"} << "//*"
                                  << "-1"
                                  << "";
    }
    void chooser()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, fname);
        QFETCH(QString, tag);
        QFETCH(QString, lists);
        Tree tree;
        PanelRig rig;
        FileIO *io = rig.panel().fileIO();
        io->show();
        QVERIFY(QTest::qWaitForWindowExposed(io));
        io->Dir1->setPath(tree.dir.path());
        io->Tag = QStringLiteral("-1");
        rig.boxes().answer(QMessageBox::Ok);
        QString clicked;
        for (QString step : steps) {
            step.replace(u'@', tree.dir.path());
            const QString verb = step.section(u' ', 0, 0), arg = step.section(u' ', 1);
            if (verb == "click" || verb == "dclick") {
                clicked = arg != "*" ? arg : io->File1->count() ? io->File1->item(0)->text() : "";
                if (!clicked.isEmpty())
                    click(io->File1, clicked, verb == "dclick");
            } else if (verb == "cd") {
                io->Dir1->setPath(arg);
            } else if (verb == "open") {
                click(io->Dir1, arg, true);
            } else if (verb == "type") {
                io->Fname->clear();
                QTest::keyClicks(io->Fname, arg);
            } else if (verb == "ok" || verb == "cancel") {
                QTest::mouseClick(verb == "ok" ? io->OK : io->Cancel, Qt::LeftButton);
            } else if (verb == "esc") {
                QTest::keyClick(io->Fname, Qt::Key_Escape);
            } else if (verb == "rmdir") {
                QDir(tree.dir.filePath(arg)).removeRecursively();
            } else if (verb == "drives") {
                io->setDrives({tree.dir.filePath("none"), tree.dir.path(), QDir::rootPath()});
            } else if (verb == "drive") {
                io->Drive1->setCurrentIndex(arg.toInt());
            }
        }
        if (lists.isEmpty() && clicked.isEmpty())
            QSKIP("the root folder holds no file");
        fname.replace(u'@', tree.dir.path()).replace(u'*', clicked);
        QCOMPARE(io->Fname->text(), fname);
        QCOMPARE(io->Tag, tag);
        const bool failed = lists.startsWith(QLatin1String("Error"));
        QCOMPARE(rig.boxes().texts(), failed ? QStringList{lists} : QStringList());
        if (!failed && !lists.isEmpty())
            QCOMPARE(entries(io->Dir1).join(u',') + u';' + entries(io->File1).join(u','), lists);
        QVERIFY(io->isVisible());
    }
};

QTEST_MAIN(TstFiles)
#include "tst_files.moc"
