// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window "The Zelvor", which is the application. It owns the serial
// port control, the tick timer and the device link over them (DeviceLink).
// It creates the keypad and the play buttons (play/) and hands them what they
// need (PlayHost); the configuration files (files/) get the settings panel
// and the Multi Play window as the views they read and fill.
//
// Every operation is an event handler that runs to completion on the one
// user-interface thread. A handler talks to the device strictly in order:
// write a command, wait a number of ticks with Pause (which dispatches events,
// so other handlers may run inside the wait), read what has arrived, look for
// the acknowledgement word. The handler definitions live with their
// subsystem: settings/, play/, files/; the device search and the port
// menu are parts of their own in link/.

#include "core/errors.h"
#include "core/text.h"
#include "link/devicelink.h"
#include "link/devicesearch.h"
#include "link/portmap.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class ConfigTransfer;
class DefPrompt;
class Keypad;
class MSComm;
class MultiPlay;
class PlayPanel;
class PortDetector;
class PortMenu;
class PortSetup;
struct PlayHost;
class QAction;
class QPushButton;
class SettingsPanel;
class SettingsTransfer;
class StatusTextBox;
class TickSource;

class Zelvo : public QMainWindow
{
    Q_OBJECT

    // Made first, in this order: the link variables below refer into the link.
    TickSource *const m_ticks;
    DeviceLink *const m_link;

public:
    struct Config
    {
        PortMap ports;   // paths given for this run (--comN); empty: saved or automatic
        int tickMs = 10; // the period of one tick of Timer1 and Timer2
        // Where the ticks come from. By default each window counts the ticks
        // of its own timer; given a source, every link of the panel counts
        // its ticks instead (the tests turn it by hand).
        TickSource *ticks = nullptr;
        // What ending the application does once the port and the windows are
        // closed; by default it leaves the event loop.
        std::function<void()> endApplication = {};
        // Where ports are found and chosen paths kept (tests give their own).
        std::shared_ptr<const PortDetector> portDetector; // null: the system's ports
        PortMap fixedPorts = PortMap::platform();         // the automatic paths of last resort
        QString portPathsFile;                            // empty: the user's configuration folder
    };

    explicit Zelvo(const Config &config, QWidget *parent = nullptr);
    ~Zelvo() override;

    // Start-up: runs the device search while the window is hidden, then shows
    // the window unless the user chose to end the application.
    void start();
    // True once the termination step has run.
    bool hasEnded() const { return m_ended; }

    // Runs one handler as the event loop delivers it: nothing runs once the
    // application has ended, and a failure that no handler dealt with is shown
    // to the user instead of ending the program.
    template <typename Handler> void handle(Handler &&handler);

    // Waits, dispatching events, until `done()` holds (dialog results, the
    // "Ready" poll). Throws ApplicationEnded when the application ends inside.
    void waitUntil(const std::function<bool()> &done);

    // ---- Device link ----
    // The main window's link over MSComm1, counting the ticks of Timer1. Its
    // operations go on under their handler names below (failures pass on
    // from ReadBuffer; ClearBuffer and Connect skip failing steps).
    DeviceLink &link() const { return *m_link; }
    void Pause(qint32 time) { m_link->Pause(time); }
    void ReadBuffer() { m_link->ReadBuffer(); }
    void ClearBuffer() { m_link->ClearBuffer(); }
    void Connect() { m_link->Connect(); }
    void openPortSequence(int port) { m_link->openPort(port); }
    // The tick source of another window's link: a timer of its own with the
    // panel's period, owned by `window`, or the source the panel was given.
    TickSource *ticksFor(QObject *window);

    // ---- Device search and port menu (link/) ----
    DeviceSearch &deviceSearch() const { return *m_deviceSearch; }
    PortMenu &portMenu() const { return *m_portMenu; }

    // ---- Application shell (app/zelvo.cpp) ----
    void Form_Load();
    void done_Click();
    // Closes the port and the other windows and ends the application at once.
    [[noreturn]] void Form_Terminate();

    // ---- Settings panel (settings/) ----
    SettingsPanel &settings() const { return *m_settings; }

    // ---- Tone playing (play/) ----
    // The keypad and the keyboard's tones.
    Keypad *keypad() const { return m_keypad; }
    // The play buttons, Abort, their dialogs and the Multi Play window.
    PlayPanel *plays() const { return m_plays; }

    // ---- Configuration files (files/) ----
    // "Export Data", "Import Data" and the file chooser.
    ConfigTransfer &files() const { return *m_files; }

    // ---- Other windows ----
    DefPrompt *defPrompt() const { return m_defPrompt; }
    // The Multi Play window, created hidden on first use.
    MultiPlay *multiPlay();
    bool multiPlayExists() const;

    // ---- Public variables ----
    qint16 &Present = m_link->Present;
    qint32 &timerVal = m_link->timerVal;
    QString &RtnString = m_link->RtnString;
    qint16 Focused = kFalse;

    // ---- Controls ----
    MSComm *const MSComm1 = &m_link->port();
    TickSource *const Timer1 = m_ticks;
    StatusTextBox *StatusBox = nullptr;
    QPushButton *Export = nullptr;
    QPushButton *Import = nullptr;
    QPushButton *done = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    DeviceLink *makeLink();
    DeviceSearch::Hooks searchHooks();
    SettingsPanel *makeSettingsPanel();
    void makeConfigTransfer();
    // The end of the search: the settings panel filled from the device.
    void readDeviceSettings();
    // The settings panel's "Update": cleared, then the search again.
    void updateSettings();
    void buildWindow();
    QWidget *buildKeypadGroup();
    QWidget *buildPlayGroup();
    QWidget *buildStatusGroup();
    void buildMenu();
    void setTabOrder();
    void connectHandlers();
    void ensureLoaded();
    void reportUnhandled(const OperationError &error);
    PlayHost playHost();

    bool m_loaded = false;
    bool m_ended = false;
    int m_tickMs = 10;
    TickSource *m_givenTicks = nullptr;
    std::unique_ptr<PortSetup> m_portSetup;
    std::unique_ptr<DeviceSearch> m_deviceSearch;
    PortMenu *m_portMenu = nullptr;
    DefPrompt *m_defPrompt = nullptr;
    Keypad *m_keypad = nullptr;
    PlayPanel *m_plays = nullptr;
    std::unique_ptr<SettingsTransfer> m_settingsTransfer;
    SettingsPanel *m_settings = nullptr;
    std::unique_ptr<ConfigTransfer> m_files;
    std::function<void()> m_endApplication;
};

template <typename Handler> void Zelvo::handle(Handler &&handler)
{
    if (m_ended)
        return;
    try {
        handler();
    } catch (const ApplicationEnded &) {
        // The application ended inside this handler: unwind quietly.
    } catch (const OperationError &error) {
        reportUnhandled(error);
    }
}
