// "Export Data" and "Import Data": the eight memory locations and the twenty
// Multi Play entries to and from a configuration file chosen in the File I/O
// chooser. Neither talks to the device, and neither touches the update boxes.
//
// Both end at the first file failure with "Error  N\r\ndescription" and leave
// the status box as it was. A failed export leaves any earlier file of that
// name as it was (the new file replaces it only once completely written,
// unless its folder refuses the user a temporary file); a
// failed import changes nothing (all 84 fields are read before the panel is
// cleared and filled).

#include "widgets/messagebox.h"
#include "widgets/statusbox.h"
#include "app/zelvo.h"
#include "core/errors.h"
#include "core/text.h"
#include "files/configformat.h"
#include "files/fileio.h"
#include "play/multiplay.h"
#include "settings/settingspanel.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

constexpr int Locations = 8;
constexpr int Entries = 20;
constexpr int PanelFields = Locations * configfile::FieldsPerLine;

struct Choice
{
    bool confirmed = false; // Tag other than 0
    QString fileName;       // Fname
    QString selectedName;   // File1's selected entry
};

// Asks the chooser for a file name, dispatching events until it answers.
Choice chooseFile(Zelvo &main, const QString &request)
{
    FileIO *chooser = main.fileIO();
    chooser->show();
    chooser->raise();
    chooser->activateWindow();
    chooser->Tag = QStringLiteral("-1");
    chooser->IOLable->setText(request);
    main.waitUntil([chooser] { return numericValue(chooser->Tag) != -1; });
    Choice choice;
    choice.fileName = chooser->Fname->text();
    choice.selectedName = chooser->File1->fileName();
    chooser->hide();
    choice.confirmed = numericValue(chooser->Tag) != 0;
    return choice;
}

// The file's failure as the user is told it: the system's error when it is
// what Qt reports (or Qt saw none, as on a short write, or gives no reason, as
// when the finished file cannot take its name); a directory in place of the
// file as such; anything else as an input/output error in Qt's words.
[[noreturn]] void throwFileError(const QFileDevice &file, int savedErrno, const QString &name)
{
    const bool qtSawNone = file.error() == QFileDevice::NoError;
    const bool qtSaysWhy = !qtSawNone && file.errorString() != QFile().errorString();
    if (savedErrno != 0 && (!qtSaysWhy || file.errorString() == qt_error_string(savedErrno)))
        throw FileError(savedErrno, qt_error_string(savedErrno));
    if (QFileInfo(name).isDir())
        throw FileError(EISDIR, qt_error_string(EISDIR));
    throw FileError(EIO, qtSawNone ? qt_error_string(EIO) : file.errorString());
}

// True when `name` exists as something other than a file or a directory: a
// device or a pipe, which is read or written in place.
bool isSpecial(const QString &name)
{
    const QFileInfo target(name);
    return target.exists() && !target.isFile() && !target.isDir();
}

// Opens a device or a pipe without waiting for a partner at its other end (a
// pipe nobody writes to reads as empty, one nobody reads fails to open);
// reads and writes then wait as usual.
void openSpecial(QFile &file, const QString &name, QIODevice::OpenMode mode)
{
#ifdef Q_OS_UNIX
    const int flags = (mode & QIODevice::WriteOnly) ? O_WRONLY | O_TRUNC : O_RDONLY;
    const int fd = ::open(QFile::encodeName(name).constData(), flags | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int number = errno;
        throw FileError(number, qt_error_string(number));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throwFileError(file, 0, name);
    }
#else
    errno = 0;
    if (!file.open(mode))
        throwFileError(file, errno, name);
#endif
}

// Writes `bytes` into the file `name` as it stands (a device or a pipe
// without waiting for its reader).
void writeInPlace(const QString &name, const QByteArray &bytes, QIODevice::OpenMode mode)
{
    QFile file(name);
    if (isSpecial(name)) {
        openSpecial(file, name, mode);
    } else {
        errno = 0;
        if (!file.open(mode))
            throwFileError(file, errno, name);
    }
    errno = 0;
    if (file.write(bytes) != bytes.size())
        throwFileError(file, errno, name);
}

// Writes `bytes` as the file `name`. A file is replaced only once the new
// contents are complete, so a failure leaves the earlier file as it was;
// only where no temporary file can be made beside it (a folder the user may
// not write to) is an existing file written in place.
void writeFile(const QString &name, const QByteArray &bytes)
{
    // Unbuffered: a write that stops short (a full disk, a size limit) shows
    // in what write() returns, where a buffered flush may let it pass.
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    if (isSpecial(name))
        return writeInPlace(name, bytes, mode);
    QSaveFile file(name);
    errno = 0;
    if (!file.open(mode)) {
        const int savedErrno = errno;
        if ((savedErrno == EACCES || savedErrno == EPERM) && QFileInfo(name).isFile())
            return writeInPlace(name, bytes, mode);
        throwFileError(file, savedErrno, name);
    }
    errno = 0;
    if (file.write(bytes) != bytes.size())
        throwFileError(file, errno, name);
    errno = 0;
    if (!file.commit())
        throwFileError(file, errno, name);
}

// Reads the 84 fields of the file `name`; throws FileError.
QStringList readFile(const QString &name)
{
    QFile file(name);
    if (isSpecial(name)) {
        openSpecial(file, name, QIODevice::ReadOnly);
    } else {
        errno = 0;
        if (!file.open(QIODevice::ReadOnly))
            throwFileError(file, errno, name);
    }
    return configfile::decode(file);
}

// "The string of location 3", "The duration of Multi Play entry 12".
QString describeField(int index)
{
    static const char *const panelNames[] = {"string", "length", "space"};
    static const char *const entryNames[] = {"tone", "duration", "space"};
    const int column = index % configfile::FieldsPerLine;
    if (index < PanelFields) {
        return QStringLiteral("The %1 of location").arg(QLatin1String(panelNames[column])) +
               formatNumber(index / configfile::FieldsPerLine);
    }
    return QStringLiteral("The %1 of Multi Play entry").arg(QLatin1String(entryNames[column])) +
           formatNumber((index - PanelFields) / configfile::FieldsPerLine + 1);
}

// Why the field cannot be kept by the file, as a message for the user.
QString refusal(int index, const QString &field)
{
    QString why;
    if (field.contains(u'"'))
        why = QStringLiteral("holds a double quote (\"), which a configuration file cannot keep.");
    else if (field.size() > configfile::MaxFieldLength)
        why = QStringLiteral("is longer than 65,535 characters, which a configuration file "
                             "cannot keep.");
    else
        why = QStringLiteral("holds a character that a configuration file (8-bit text) cannot "
                             "keep.");
    return describeField(index) + QLatin1Char(' ') + why +
           QStringLiteral("\r\nNothing was written to the file.");
}

// The 84 texts in file order: the panel's locations, then the Multi Play list.
QStringList gatherFields(Zelvo &main)
{
    QStringList fields;
    fields.reserve(configfile::FieldCount);
    for (int i = 0; i < Locations; ++i)
        fields << main.settings().MemString[i]->text() << main.settings().Length[i]->text()
               << main.settings().Space[i]->text();
    MultiPlay *list = main.multiPlay();
    for (int row = 1; row <= Entries; ++row) {
        fields << list->textMatrix(row, MultiPlay::ToneColumn)
               << list->textMatrix(row, MultiPlay::DurationColumn)
               << list->textMatrix(row, MultiPlay::SpaceColumn);
    }
    return fields;
}

void fillFields(Zelvo &main, const QStringList &fields)
{
    int at = 0;
    for (int i = 0; i < Locations; ++i) {
        main.settings().MemString[i]->setText(fields.at(at++));
        main.settings().Length[i]->setText(fields.at(at++));
        main.settings().Space[i]->setText(fields.at(at++));
    }
    MultiPlay *list = main.multiPlay();
    for (int row = 1; row <= Entries; ++row) {
        list->setTextMatrix(row, MultiPlay::ToneColumn, fields.at(at++));
        list->setTextMatrix(row, MultiPlay::DurationColumn, fields.at(at++));
        list->setTextMatrix(row, MultiPlay::SpaceColumn, fields.at(at++));
    }
}

} // namespace

void Zelvo::Export_Click()
{
    StatusBox->setText(QStringLiteral("Saving settings.\r\n"));
    Pause(25);
    const Choice choice = chooseFile(*this, QStringLiteral("Enter Filename to Save As..."));
    if (choice.confirmed && !choice.fileName.isEmpty()) {
        StatusBox->setText(StatusBox->text() + choice.fileName + QStringLiteral("\r\n"));
        const QStringList fields = gatherFields(*this);
        if (const auto bad = configfile::firstUnwritableField(fields)) {
            msgbox::notify(this, refusal(*bad, fields.at(*bad)));
            return;
        }
        try {
            writeFile(choice.fileName, configfile::encode(fields));
        } catch (const FileError &error) {
            msgbox::notify(this, errorMessage(error));
            return;
        }
    }
    if (!choice.confirmed)
        StatusBox->setText(QStringLiteral("Cancelled"));
    Pause(100);
    StatusBox->setText(QStringLiteral("Ready"));
}

void Zelvo::Import_Click()
{
    StatusBox->setText(QStringLiteral("Opening file "));
    Pause(25);
    const Choice choice = chooseFile(*this, QStringLiteral("Enter Filename to load..."));
    if (choice.confirmed && !choice.fileName.isEmpty()) {
        StatusBox->setText(StatusBox->text() + choice.selectedName);
        QStringList fields;
        try {
            fields = readFile(choice.fileName);
        } catch (const FileError &error) {
            msgbox::notify(this, errorMessage(error));
            return;
        }
        m_settings->Clear_Click();
        fillFields(*this, fields);
    }
    if (!choice.confirmed)
        StatusBox->setText(QStringLiteral("Cancelled"));
    Pause(100);
    StatusBox->setText(QStringLiteral("Ready"));
}
