// SPDX-License-Identifier: GPL-3.0-or-later
// Export and import: the chooser's answer, the fields in file order, the
// status texts and the messages; the file itself is the store's business.

#include "files/configtransfer.h"

#include "core/errors.h"
#include "core/text.h"
#include "files/configformat.h"
#include "files/filestore.h"
#include "widgets/messagebox.h"
#include "widgets/statusbox.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>

namespace {

constexpr int Locations = 8;
constexpr int PanelFields = Locations * configfile::FieldsPerLine;

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

} // namespace

struct ConfigTransfer::Choice
{
    bool confirmed = false; // Tag other than 0
    QString fileName;       // Fname
    QString selectedName;   // File1's selected entry
};

ConfigTransfer::ConfigTransfer(DeviceLink &link, StatusTextBox &status, Options options,
                               QWidget *window)
    : m_link(link), m_status(status), m_options(std::move(options)), m_window(window)
{}

FileIO *ConfigTransfer::fileIO()
{
    if (!m_fileIO)
        m_fileIO = new FileIO(m_options.run, m_window);
    return m_fileIO;
}

QList<QWidget *> ConfigTransfer::windows() const
{
    if (!m_fileIO)
        return {};
    return {m_fileIO.data()};
}

// Asks the chooser for a file name, dispatching events until it answers.
ConfigTransfer::Choice ConfigTransfer::chooseFile(const QString &request)
{
    FileIO *chooser = fileIO();
    chooser->show();
    chooser->raise();
    chooser->activateWindow();
    chooser->Tag = QStringLiteral("-1");
    chooser->IOLable->setText(request);
    m_options.wait([chooser] { return numericValue(chooser->Tag) != -1; });
    Choice choice;
    choice.fileName = chooser->Fname->text();
    choice.selectedName = chooser->File1->fileName();
    chooser->hide();
    choice.confirmed = numericValue(chooser->Tag) != 0;
    return choice;
}

// The texts in file order: each part's lines, each line's three fields.
QStringList ConfigTransfer::gatherFields() const
{
    QStringList fields;
    fields.reserve(configfile::FieldCount);
    for (const ConfigView *view : m_options.views()) {
        for (int line = 0; line < view->configLines(); ++line) {
            for (int column = 0; column < configfile::FieldsPerLine; ++column)
                fields << view->configField(line, column);
        }
    }
    Q_ASSERT(fields.size() == configfile::FieldCount);
    return fields;
}

void ConfigTransfer::fillFields(const QStringList &fields)
{
    int at = 0;
    for (ConfigView *view : m_options.views()) {
        for (int line = 0; line < view->configLines(); ++line) {
            for (int column = 0; column < configfile::FieldsPerLine; ++column)
                view->setConfigField(line, column, fields.at(at++));
        }
    }
}

void ConfigTransfer::Export_Click()
{
    m_status.setText(QStringLiteral("Saving settings.\r\n"));
    m_link.Pause(25);
    const Choice choice = chooseFile(QStringLiteral("Enter Filename to Save As..."));
    if (choice.confirmed && !choice.fileName.isEmpty()) {
        m_status.setText(m_status.text() + choice.fileName + QStringLiteral("\r\n"));
        const QStringList fields = gatherFields();
        if (const auto bad = configfile::firstUnwritableField(fields)) {
            msgbox::notify(m_window, refusal(*bad, fields.at(*bad)));
            return;
        }
        try {
            filestore::writeFile(choice.fileName, configfile::encode(fields));
        } catch (const FileError &error) {
            msgbox::notify(m_window, errorMessage(error));
            return;
        }
    }
    if (!choice.confirmed)
        m_status.setText(QStringLiteral("Cancelled"));
    m_link.Pause(100);
    m_status.setText(QStringLiteral("Ready"));
}

void ConfigTransfer::Import_Click()
{
    m_status.setText(QStringLiteral("Opening file "));
    m_link.Pause(25);
    const Choice choice = chooseFile(QStringLiteral("Enter Filename to load..."));
    if (choice.confirmed && !choice.fileName.isEmpty()) {
        m_status.setText(m_status.text() + choice.selectedName);
        QStringList fields;
        try {
            fields = configfile::decode(*filestore::openForReading(choice.fileName));
        } catch (const FileError &error) {
            msgbox::notify(m_window, errorMessage(error));
            return;
        }
        m_options.clear();
        fillFields(fields);
    }
    if (!choice.confirmed)
        m_status.setText(QStringLiteral("Cancelled"));
    m_link.Pause(100);
    m_status.setText(QStringLiteral("Ready"));
}
