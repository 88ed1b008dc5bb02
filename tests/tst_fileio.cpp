// The "File I/O" chooser on its own: its lists, the path it builds, the
// extension rule, its results and its failure messages.

#include "files/fileio.h"
#include "support/panelrig.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Sep = QDir::separator();

// A directory with files, hidden ones among them, and subdirectories.
struct Tree
{
    Tree()
    {
        QVERIFY(dir.isValid());
        for (const char *name : {"Set.zlv.csv", "Memo.txt", "b.txt", ".hidden", "A.txt"})
            touch(dir.filePath(QLatin1String(name)));
        for (const char *name : {"Data", "apps", ".config", "gone"})
            QDir(dir.path()).mkdir(QLatin1String(name));
        touch(dir.filePath(QStringLiteral("Data/inside.txt")));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("Data")),
                            dir.filePath(QStringLiteral("link-to-data"))));
    }
    static void touch(const QString &path)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // The path as the chooser's lists write it.
    QString path(const QString &name = QString()) const
    {
        const QString base = QDir::toNativeSeparators(dir.path());
        return name.isEmpty() ? base : base + Sep + name;
    }

    QTemporaryDir dir;
};

// A chooser as the main window creates it, shown, not yet in use.
struct Chooser
{
    Chooser() : panel(rig.panel()), io(panel.fileIO())
    {
        io->show();
        QVERIFY(QTest::qWaitForWindowExposed(io));
    }

    // The entries a list shows, top to bottom.
    static QStringList entries(QAbstractItemView *view)
    {
        QStringList names;
        for (int row = 0; row < view->model()->rowCount(); ++row)
            names << view->model()->index(row, 0).data().toString();
        return names;
    }
    // Clicks (or double-clicks) the entry `name` of a list with the mouse.
    static void click(QAbstractItemView *view, const QString &name, bool twice = false)
    {
        const int row = int(entries(view).indexOf(name));
        QVERIFY2(row >= 0, qPrintable(name));
        const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    void clickFile(const QString &name, bool twice = false) { click(io->File1, name, twice); }
    void openDirectory(const QString &name) { click(io->Dir1, name, true); }
    void typeName(const QString &text)
    {
        io->Fname->clear();
        QTest::keyClicks(io->Fname, text);
    }

    PanelRig rig;
    Zelvo &panel;
    FileIO *io;
};

} // namespace

class FileIOTest : public QObject
{
    Q_OBJECT

private slots:
    void windowAndStartingPlace();
    void listsShowEveryEntry();
    void filesBuildThePath();
    void okAddsTheExtension_data();
    void okAddsTheExtension();
    void openingADirectory();
    void rootDirectoryDoublesTheSeparator();
    void cancelAndCloseKeepTheText();
    void unreadableDirectory_data();
    void unreadableDirectory();
    void driveChange();
};

void FileIOTest::windowAndStartingPlace()
{
    Chooser c;
    FileIO *io = c.io;
    QCOMPARE(c.panel.fileIO(), io);
    QCOMPARE(io->windowTitle(), QStringLiteral("File I/O"));
    QCOMPARE(io->minimumSize(), io->maximumSize());
    QVERIFY(!(io->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(io->Tag, QStringLiteral("-1"));
    QCOMPARE(io->Fname->text(), QString());
    QCOMPARE(io->IOLable->text(), QString());
    QCOMPARE(io->FileName->text(), QStringLiteral("File Name"));
    const QList<std::pair<QWidget *, const char *>> names{
        {io->Drive1, "Drives"}, {io->Dir1, "Directories"},
        {io->File1, "Files"},   {io->Fname, "File Name"},
        {io->OK, "OK"},         {io->Cancel, "Cancel"}};
    for (const auto &[widget, name] : names)
        QCOMPARE(widget->accessibleName(), QLatin1String(name));

    QStringList drives;
    for (const QFileInfo &drive : QDir::drives())
        drives << QDir::toNativeSeparators(drive.absoluteFilePath());
    QStringList offered;
    for (int i = 0; i < io->Drive1->count(); ++i)
        offered << io->Drive1->itemText(i);
    QCOMPARE(offered, drives);
    const QString current = QDir::toNativeSeparators(QDir::currentPath());
    QCOMPARE(io->Dir1->path(), current);
    QCOMPARE(io->File1->path(), current);
    QVERIFY(current.startsWith(io->Drive1->currentText()));
}

void FileIOTest::listsShowEveryEntry()
{
    Tree tree;
    Chooser c;
    c.io->Dir1->setPath(tree.dir.path());
    QCOMPARE(c.io->Dir1->path(), tree.path());
    QCOMPARE(c.io->Dir1->headerItem()->toolTip(0), tree.path());
    QCOMPARE(Chooser::entries(c.io->Dir1),
             (QStringList{"..", ".config", "apps", "Data", "gone", "link-to-data"}));
    QCOMPARE(Chooser::entries(c.io->File1),
             (QStringList{".hidden", "A.txt", "b.txt", "Memo.txt", "Set.zlv.csv"}));
    QCOMPARE(c.io->File1->path(), tree.path());
    QCOMPARE(c.io->File1->fileName(), QString());
    // A change of directory puts the bare directory path into Fname.
    QCOMPARE(c.io->Fname->text(), tree.path());

    // Moving through the file list with the keys counts as clicking.
    c.io->File1->setFocus();
    QTest::keyClick(c.io->File1, Qt::Key_End);
    QCOMPARE(c.io->Fname->text(), tree.path("Set.zlv.csv"));
    QTest::keyClick(c.io->File1, Qt::Key_Up);
    QCOMPARE(c.io->File1->fileName(), QStringLiteral("Memo.txt"));
    QCOMPARE(c.io->Fname->text(), tree.path("Memo.txt"));
    QCOMPARE(c.io->Tag, QStringLiteral("-1"));
}

void FileIOTest::filesBuildThePath()
{
    Tree tree;
    Chooser c;
    c.io->Dir1->setPath(tree.dir.path());
    c.clickFile(QStringLiteral("Set.zlv.csv"));
    QCOMPARE(c.io->File1->fileName(), QStringLiteral("Set.zlv.csv"));
    QCOMPARE(c.io->Fname->text(), tree.path("Set.zlv.csv"));
    QCOMPARE(c.io->Tag, QStringLiteral("-1"));
    QTest::mouseClick(c.io->OK, Qt::LeftButton);
    QCOMPARE(c.io->Fname->text(), tree.path("Set.zlv.csv"));
    QCOMPARE(c.io->Tag, QStringLiteral("1"));
    QVERIFY(c.io->isVisible()); // the caller hides it, not the chooser

    // A double-click accepts at once, with the extension rule.
    c.io->Tag = QStringLiteral("-1");
    c.clickFile(QStringLiteral("Memo.txt"), true);
    QCOMPARE(c.io->Fname->text(), tree.path("Memo.txt.zlv.csv"));
    QCOMPARE(c.io->Tag, QStringLiteral("1"));
}

void FileIOTest::okAddsTheExtension_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("accepted");
    const QString dir = QDir::toNativeSeparators(QStringLiteral("/data/"));
    QTest::newRow("no extension") << dir + "Set" << dir + "Set.zlv.csv";
    QTest::newRow("extension present") << dir + "Set.zlv.csv" << dir + "Set.zlv.csv";
    QTest::newRow("upper case is not the extension")
        << dir + "Set.ZLV.CSV" << dir + "Set.ZLV.CSV.zlv.csv";
    QTest::newRow("contained, not at the end")
        << dir + "Set.zlv.csv.bak" << dir + "Set.zlv.csv.bak";
    QTest::newRow("empty") << QString() << QStringLiteral(".zlv.csv");
    QTest::newRow("blanks kept") << QStringLiteral(" a b ") << QStringLiteral(" a b .zlv.csv");
    QTest::newRow("partial extension") << dir + "Set.zlv" << dir + "Set.zlv.zlv.csv";
}

void FileIOTest::okAddsTheExtension()
{
    QFETCH(QString, typed);
    QFETCH(QString, accepted);
    Chooser c;
    c.typeName(typed);
    QTest::mouseClick(c.io->OK, Qt::LeftButton);
    QCOMPARE(c.io->Fname->text(), accepted);
    QCOMPARE(c.io->Tag, QStringLiteral("1"));
}

void FileIOTest::openingADirectory()
{
    Tree tree;
    Chooser c;
    c.io->Dir1->setPath(tree.dir.path());
    c.clickFile(QStringLiteral("Memo.txt"));

    c.openDirectory(QStringLiteral("Data"));
    QCOMPARE(c.io->Dir1->path(), tree.path("Data"));
    QCOMPARE(Chooser::entries(c.io->Dir1), QStringList{".."});
    QCOMPARE(Chooser::entries(c.io->File1), QStringList{"inside.txt"});
    QCOMPARE(c.io->File1->fileName(), QString());
    QCOMPARE(c.io->Fname->text(), tree.path("Data"));
    QCOMPARE(c.io->Tag, QStringLiteral("-1"));
    QTest::mouseClick(c.io->OK, Qt::LeftButton);
    QCOMPARE(c.io->Fname->text(), tree.path("Data") + ".zlv.csv");
    QCOMPARE(c.io->Tag, QStringLiteral("1"));

    // ".." leads back up; a link to a directory opens like one.
    c.openDirectory(QStringLiteral(".."));
    QCOMPARE(c.io->Dir1->path(), tree.path());
    QCOMPARE(c.io->Fname->text(), tree.path());
    c.openDirectory(QStringLiteral("link-to-data"));
    QCOMPARE(c.io->Dir1->path(), tree.path("link-to-data"));
    QCOMPARE(Chooser::entries(c.io->File1), QStringList{"inside.txt"});

    // Enter on the current entry opens it too.
    c.io->Dir1->setCurrentItem(c.io->Dir1->topLevelItem(0));
    QTest::keyClick(c.io->Dir1, Qt::Key_Return);
    QCOMPARE(c.io->Dir1->path(), tree.path());
    QVERIFY(c.rig.boxes().seen().isEmpty());
}

void FileIOTest::rootDirectoryDoublesTheSeparator()
{
    Chooser c;
    const QString root = QDir::toNativeSeparators(QDir::rootPath());
    c.io->Dir1->setPath(QDir::rootPath());
    QCOMPARE(c.io->Dir1->path(), root);
    QVERIFY(!Chooser::entries(c.io->Dir1).contains(QStringLiteral("..")));
    QCOMPARE(c.io->Fname->text(), root);
    if (c.io->File1->count() > 0) {
        const QString name = c.io->File1->item(0)->text();
        c.clickFile(name);
        QCOMPARE(c.io->Fname->text(), root + Sep + name);
        QVERIFY(c.io->Fname->text().contains(Sep + Sep));
    }
    c.typeName(root);
    QTest::mouseClick(c.io->OK, Qt::LeftButton);
    QCOMPARE(c.io->Fname->text(), root + ".zlv.csv");
}

void FileIOTest::cancelAndCloseKeepTheText()
{
    Tree tree;
    Chooser c;
    c.io->Dir1->setPath(tree.dir.path());
    c.clickFile(QStringLiteral("b.txt"));
    c.typeName(QStringLiteral("typed name"));
    QTest::mouseClick(c.io->Cancel, Qt::LeftButton);
    QCOMPARE(c.io->Tag, QStringLiteral("0"));
    QCOMPARE(c.io->Fname->text(), QStringLiteral("typed name"));
    QVERIFY(c.io->isVisible());

    c.io->Tag = QStringLiteral("-1");
    QTest::keyClick(c.io->Fname, Qt::Key_Escape);
    QCOMPARE(c.io->Tag, QStringLiteral("0"));

    c.io->Tag = QStringLiteral("-1");
    QTest::keyClick(c.io->Fname, Qt::Key_Return);
    QCOMPARE(c.io->Tag, QStringLiteral("-1")); // only the buttons accept

    c.io->close();
    QCOMPARE(c.io->Tag, QStringLiteral("0"));
    QVERIFY(!c.io->isVisible());

    // Shown again it is the same window in the same place with the same text.
    c.io->show();
    QCOMPARE(c.panel.fileIO(), c.io);
    QCOMPARE(c.io->Fname->text(), QStringLiteral("typed name"));
    QCOMPARE(c.io->Dir1->path(), tree.path());
    QCOMPARE(c.io->File1->fileName(), QStringLiteral("b.txt"));
}

void FileIOTest::unreadableDirectory_data()
{
    QTest::addColumn<bool>("replaceByFile");
    QTest::addColumn<QString>("message");
    QTest::newRow("vanished") << false << QStringLiteral("Error  2\r\nNo such file or directory");
    QTest::newRow("now a file") << true << QStringLiteral("Error  20\r\nNot a directory");
}

void FileIOTest::unreadableDirectory()
{
    QFETCH(bool, replaceByFile);
    QFETCH(QString, message);
    Tree tree;
    Chooser c;
    c.io->Dir1->setPath(tree.dir.path());
    c.clickFile(QStringLiteral("Memo.txt"));
    const QStringList filesBefore = Chooser::entries(c.io->File1);

    // The directory goes away after it was listed.
    QVERIFY(QDir(tree.dir.filePath(QStringLiteral("gone"))).removeRecursively());
    if (replaceByFile)
        Tree::touch(tree.dir.filePath(QStringLiteral("gone")));
    c.rig.boxes().answer(QMessageBox::Ok);
    c.openDirectory(QStringLiteral("gone"));

    QCOMPARE(c.rig.boxes().seen().size(), 1);
    const BoxAnswerer::Seen box = c.rig.boxes().seen().first();
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, QStringLiteral("Zelvor"));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    // The directory list shows the new directory; the file list and Fname
    // did not follow it.
    QCOMPARE(c.io->Dir1->path(), tree.path("gone"));
    QCOMPARE(Chooser::entries(c.io->Dir1), QStringList{".."});
    QCOMPARE(c.io->File1->path(), tree.path());
    QCOMPARE(Chooser::entries(c.io->File1), filesBefore);
    QCOMPARE(c.io->File1->fileName(), QStringLiteral("Memo.txt"));
    QCOMPARE(c.io->Fname->text(), tree.path("Memo.txt"));
    QCOMPARE(c.io->Tag, QStringLiteral("-1"));

    // The way back still works.
    c.openDirectory(QStringLiteral(".."));
    QCOMPARE(c.io->Dir1->path(), tree.path());
    QCOMPARE(c.io->Fname->text(), tree.path());
    QCOMPARE(c.rig.boxes().seen().size(), 1);
}

void FileIOTest::driveChange()
{
    Tree tree;
    QTemporaryDir other;
    const QString missing = other.filePath(QStringLiteral("no-such-drive"));
    Chooser c;
    c.io->setDrives({QDir::rootPath(), tree.dir.path(), missing});
    QCOMPARE(c.io->Drive1->currentIndex(), 0);
    QCOMPARE(c.io->Fname->text(), QString()); // offering drives changes nothing

    // A drive away from the current directory opens at its root.
    c.io->Drive1->setCurrentIndex(1);
    QCOMPARE(c.io->Dir1->path(), tree.path());
    QCOMPARE(c.io->File1->path(), tree.path());
    QCOMPARE(c.io->Fname->text(), tree.path());
    c.clickFile(QStringLiteral("A.txt"));

    c.rig.boxes().answer(QMessageBox::Ok);
    c.io->Drive1->setCurrentIndex(2);
    QCOMPARE(c.rig.boxes().texts(),
             QStringList{QStringLiteral("Error  2\r\nNo such file or directory")});
    QCOMPARE(c.rig.boxes().seen().first().title, QStringLiteral("Zelvor"));
    QCOMPARE(c.io->Drive1->currentText(), QDir::toNativeSeparators(missing));
    QCOMPARE(c.io->Dir1->path(), tree.path());
    QCOMPARE(c.io->File1->path(), tree.path());
    QCOMPARE(c.io->File1->fileName(), QStringLiteral("A.txt"));
    QCOMPARE(c.io->Fname->text(), tree.path("A.txt"));
}

QTEST_MAIN(FileIOTest)
#include "tst_fileio.moc"
