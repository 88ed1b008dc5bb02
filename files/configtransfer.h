// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Export Data" and "Import Data": the texts of the panel's parts (the
// settings panel's eight locations, the Multi Play window's twenty entries)
// to and from a configuration file the user names in the File I/O chooser.
// Neither talks to the device (the link only gives the waits), and neither
// touches the update boxes.
//
// Both end at the first file failure with a message box "Error  N\r\n" and
// the system's description, and leave the status box as it was. A failed
// export leaves any earlier file of that name as it was (files/filestore.h);
// a failed import changes nothing: the whole file is read before the panel
// is cleared and filled.

#include "files/configview.h"
#include "files/fileio.h"
#include "link/devicelink.h"

#include <QList>
#include <QPointer>

#include <functional>

class QWidget;
class StatusTextBox;

class ConfigTransfer
{
public:
    struct Options
    {
        // Runs one handler of the chooser as the event loop delivers it.
        FileIO::Runner run;
        // Waits, dispatching events, until the chooser has its answer; throws
        // ApplicationEnded when the application ends inside.
        DeviceLink::Waiter wait;
        // Empties the panel before an import fills it: the settings panel's
        // "Clear", which empties the Multi Play list too.
        std::function<void()> clear;
        // The parts the file keeps, in file order: 28 lines in all (8 + 20).
        // Asked for each time the fields are needed, as the Multi Play window
        // is made only on first use.
        std::function<QList<ConfigView *>()> views;
    };

    // The link gives the waits, the status box the progress; the chooser and
    // the message boxes belong to `window`. All of them must outlive this.
    ConfigTransfer(DeviceLink &link, StatusTextBox &status, Options options, QWidget *window);

    // ---- Handlers ----
    void Export_Click();
    void Import_Click();

    // The file chooser, created hidden on first use.
    FileIO *fileIO();
    // The chooser once made, for closing every window; nothing before.
    QList<QWidget *> windows() const;

private:
    struct Choice;
    Choice chooseFile(const QString &request);
    QStringList gatherFields() const;
    void fillFields(const QStringList &fields);

    DeviceLink &m_link;
    StatusTextBox &m_status;
    Options m_options;
    QWidget *m_window = nullptr;
    QPointer<FileIO> m_fileIO;
};
