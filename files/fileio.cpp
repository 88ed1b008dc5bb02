// SPDX-License-Identifier: GPL-3.0-or-later
// The "File I/O" chooser and its directory and file lists.

#include "files/fileio.h"

#include "core/errors.h"
#include "widgets/messagebox.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <dirent.h>
#endif

namespace {

const QString Extension = QStringLiteral(".zlv.csv");
const QString UpEntry = QStringLiteral("..");

// The window was laid out in twips; 15 twips make one pixel at 96 dpi.
QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

struct Listing
{
    QStringList directories;
    QStringList files;
};

void sortNames(QStringList &names)
{
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
}

[[noreturn]] void throwSystemError(int number)
{
    throw FileError(number, qt_error_string(number));
}

// The entries of a directory, split into subdirectories (a link to a
// directory counts as one) and files, each sorted by name. Throws FileError
// with the system's error number when the directory cannot be read.
Listing readDirectory(const QString &path)
{
    Listing listing;
    const QDir dir(path);
#ifdef Q_OS_UNIX
    errno = 0;
    DIR *stream = ::opendir(QFile::encodeName(path).constData());
    if (!stream)
        throwSystemError(errno != 0 ? errno : EIO);
    int failure = 0;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(stream);
        if (!entry) {
            failure = errno;
            break;
        }
        const QString name = QFile::decodeName(entry->d_name);
        if (name == QLatin1String(".") || name == UpEntry)
            continue;
        bool isDirectory = false;
        if (entry->d_type == DT_DIR)
            isDirectory = true;
        else if (entry->d_type != DT_REG)
            isDirectory = QFileInfo(dir.filePath(name)).isDir();
        (isDirectory ? listing.directories : listing.files).append(name);
    }
    ::closedir(stream);
    if (failure != 0)
        throwSystemError(failure);
#else
    const QFileInfo info(path);
    if (!info.exists())
        throwSystemError(ENOENT);
    if (!info.isDir())
        throwSystemError(ENOTDIR);
    if (!info.isReadable())
        throwSystemError(EACCES);
    const QDir::Filters all = QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    listing.directories = dir.entryList(QDir::Dirs | all);
    listing.files = dir.entryList(QDir::Files | all);
#endif
    sortNames(listing.directories);
    sortNames(listing.files);
    return listing;
}

// A path as the platform writes it: absolute, cleaned, native separators.
QString platformPath(const QString &path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(path).absolutePath()));
}

// The directory a drive change goes to: the current directory when it lies
// on that drive, otherwise the drive's root.
QString directoryOnDrive(const QString &root)
{
    const QString current = platformPath(QDir::currentPath());
    const QString drive = platformPath(root);
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    QString prefix = drive;
    if (!prefix.endsWith(QDir::separator()))
        prefix += QDir::separator();
    if (current.compare(drive, cs) == 0 || current.startsWith(prefix, cs))
        return current;
    return drive;
}

} // namespace

// ---- DirList ----

DirList::DirList(QWidget *parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    header()->setSectionResizeMode(QHeaderView::Stretch);
    header()->setSectionsClickable(false);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { openEntry(item); });
}

void DirList::setPath(const QString &path)
{
    const QString target = platformPath(path);
    fill(target, readDirectory(target).directories);
    emit changed();
}

void DirList::openEntry(QTreeWidgetItem *item)
{
    if (!item)
        return;
    QDir dir(m_path);
    if (item->text(0) == UpEntry)
        dir.cdUp();
    else
        dir.setPath(dir.filePath(item->text(0)));
    const QString target = platformPath(dir.path());
    QStringList subdirectories;
    try {
        subdirectories = readDirectory(target).directories;
    } catch (const FileError &) {
        // The list shows the new directory with only its way back.
    }
    fill(target, subdirectories);
    emit changed();
}

void DirList::fill(const QString &path, const QStringList &subdirectories)
{
    m_path = path;
    clear();
    // The header shows the path; a long one keeps its end, the directory
    // itself, in view, and shows whole as the header's tool tip.
    const int room = width() - 2 * frameWidth() - 12;
    headerItem()->setText(0, header()->fontMetrics().elidedText(path, Qt::ElideLeft, room));
    headerItem()->setToolTip(0, path);
    const QIcon folder = style()->standardIcon(QStyle::SP_DirIcon);
    if (!QDir(path).isRoot()) {
        auto *up = new QTreeWidgetItem(this, {UpEntry});
        up->setIcon(0, style()->standardIcon(QStyle::SP_FileDialogToParent));
    }
    for (const QString &name : subdirectories) {
        auto *item = new QTreeWidgetItem(this, {name});
        item->setIcon(0, folder);
    }
    if (topLevelItemCount() > 0)
        setCurrentItem(topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
}

void DirList::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        openEntry(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

// ---- FileList ----

FileList::FileList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
}

void FileList::setPath(const QString &path)
{
    const QString target = platformPath(path);
    const QStringList files = readDirectory(target).files;
    m_path = target;
    clear();
    addItems(files);
}

QString FileList::fileName() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

// ---- FileIO ----

FileIO::FileIO(Runner run, QWidget *parent) : QDialog(parent), m_run(std::move(run))
{
    Tag = QStringLiteral("-1");
    buildWindow();

    // Start on the current drive and directory; Fname stays empty.
    setDrives([] {
        QStringList roots;
        for (const QFileInfo &drive : QDir::drives())
            roots << drive.absoluteFilePath();
        return roots;
    }());
    const QString current = platformPath(QDir::currentPath());
    for (int i = 0; i < Drive1->count(); ++i) {
        if (directoryOnDrive(Drive1->itemData(i).toString()) == current) {
            m_fillingDrives = true;
            Drive1->setCurrentIndex(i);
            m_fillingDrives = false;
            break;
        }
    }
    try {
        Dir1->setPath(current);
        File1->setPath(current);
    } catch (const FileError &) {
        // A current directory that cannot be read leaves the lists empty.
    }

    connect(Drive1, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_fillingDrives)
            handle([this] { Drive1_Change(); });
    });
    connect(Dir1, &DirList::changed, this, [this] { handle([this] { Dir1_Change(); }); });
    connect(File1, &QListWidget::itemClicked, this, [this] { handle([this] { File1_Click(); }); });
    // Selecting with the keyboard counts as a click.
    connect(File1, &QListWidget::itemSelectionChanged, this, [this] {
        if (!File1->fileName().isEmpty())
            handle([this] { File1_Click(); });
    });
    connect(File1, &QListWidget::itemDoubleClicked, this,
            [this] { handle([this] { File1_DblClick(); }); });
    connect(OK, &QPushButton::clicked, this, [this] { handle([this] { OK_Click(); }); });
    connect(Cancel, &QPushButton::clicked, this, [this] { handle([this] { Cancel_Click(); }); });
}

void FileIO::buildWindow()
{
    setWindowTitle(QStringLiteral("File I/O"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(7845 / 15, 7575 / 15);

    Drive1 = new QComboBox(this);
    Drive1->setAccessibleName(QStringLiteral("Drives"));
    Drive1->setGeometry(twips(480, 240, 3015, 315));
    Dir1 = new DirList(this);
    Dir1->setAccessibleName(QStringLiteral("Directories"));
    Dir1->setGeometry(twips(480, 720, 3015, 4815));
    File1 = new FileList(this);
    File1->setAccessibleName(QStringLiteral("Files"));
    File1->setGeometry(twips(3840, 720, 3015, 4770));
    Fname = new QLineEdit(this);
    Fname->setAccessibleName(QStringLiteral("File Name"));
    FileName = new QLabel(QStringLiteral("File Name"), this);
    FileName->setAccessibleName(FileName->text());
    FileName->setBuddy(Fname);
    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setAccessibleName(OK->text());
    OK->setGeometry(twips(2400, 6720, 1095, 495));
    Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Cancel->setAccessibleName(Cancel->text());
    Cancel->setGeometry(twips(4320, 6720, 1095, 495));
    // Enter in the name field accepts nothing by itself: only the buttons do.
    OK->setAutoDefault(false);
    Cancel->setAutoDefault(false);
    IOLable = new QLabel(this);
    // No fixed accessible name: a screen reader reads the request shown.
    IOLable->setWordWrap(true);
    IOLable->setTextFormat(Qt::PlainText);
    QFont prompt = IOLable->font();
    prompt.setPointSizeF(9.75);
    IOLable->setFont(prompt);
    IOLable->setGeometry(twips(3840, 120, 3495, 495));

    // The text box and the combo box need their own font's height; the label
    // above the box keeps its place relative to it.
    const QRect field = twips(480, 6120, 6375, 285);
    const int fieldHeight = std::max(field.height(), Fname->sizeHint().height());
    Fname->setGeometry(field.left(), field.bottom() + 1 - fieldHeight, field.width(), fieldHeight);
    const QRect label = twips(480, 5760, 1695, 255);
    FileName->setGeometry(label.left(), Fname->y() - label.height() - 2, label.width(),
                          label.height());
    const QRect drive = twips(480, 240, 3015, 315);
    Drive1->setGeometry(drive.left(), drive.top(), drive.width(),
                        std::max(drive.height(), Drive1->sizeHint().height()));

    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);
    setTabOrder(File1, Fname);
    setTabOrder(Fname, OK);
    setTabOrder(OK, Cancel);
}

void FileIO::handle(const std::function<void()> &handler)
{
    if (m_run)
        m_run(handler);
    else
        handler();
}

void FileIO::setDrives(const QStringList &roots)
{
    m_fillingDrives = true;
    Drive1->clear();
    for (const QString &root : roots)
        Drive1->addItem(QDir::toNativeSeparators(root), root);
    m_fillingDrives = false;
}

void FileIO::Drive1_Change()
{
    try {
        Dir1->setPath(directoryOnDrive(Drive1->currentData().toString()));
    } catch (const FileError &error) {
        msgbox::notify(this, errorMessage(error));
    }
}

void FileIO::Dir1_Change()
{
    try {
        File1->setPath(Dir1->path());
        Fname->setText(Dir1->path());
    } catch (const FileError &error) {
        msgbox::notify(this, errorMessage(error));
    }
}

void FileIO::File1_Click()
{
    const QString name = File1->fileName();
    if (name.isEmpty())
        return;
    Fname->setText(Dir1->path() + QDir::separator() + name);
}

void FileIO::File1_DblClick()
{
    File1_Click();
    AddExtension();
    Tag = QStringLiteral("1");
}

void FileIO::OK_Click()
{
    AddExtension();
    Tag = QStringLiteral("1");
}

void FileIO::Cancel_Click()
{
    Tag = QStringLiteral("0");
}

void FileIO::AddExtension()
{
    if (!Fname->text().contains(Extension, Qt::CaseSensitive))
        Fname->setText(Fname->text() + Extension);
}

void FileIO::reject()
{
    handle([this] { Cancel_Click(); });
}

void FileIO::closeEvent(QCloseEvent *event)
{
    Tag = QStringLiteral("0");
    event->accept();
}
