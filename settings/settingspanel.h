// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The settings panel: the device's eight memory locations as rows of fields
// (length, space, tone string and an update box), the firmware label, and
// the buttons that act on them: "All On", "All Off", "Save to Zelvo" in the
// panel's own button row, and "Clear", "Update" and "Reset", which the
// window places beside the keypad. The fields are the store the transfer
// reads from and writes into; there is no other copy of the values.
//
// The panel is its "Memory/File Display" group. It talks to the device only
// through its SettingsTransfer and waits with the link's Pause; everything
// else it needs from the window comes in its Options.

#include "files/configview.h"
#include "settings/settingsstore.h"

#include <QGroupBox>

#include <array>
#include <functional>

class DeviceLink;
class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class SettingsTransfer;

class SettingsPanel : public QGroupBox, public SettingsStore, public ConfigView
{
    Q_OBJECT

public:
    struct Options
    {
        // Runs one handler as the event loop delivers it, under the window's
        // failure policy. Every click and focus change goes through it.
        std::function<void(const std::function<void()> &)> run;
        // Replaces the status box's text.
        std::function<void(const QString &)> status;
        // A Yes/No question; true for Yes.
        std::function<bool(const QString &text)> askYesNo;
        // A warning with OK and Cancel (Cancel the default) under its own
        // title; true for OK.
        std::function<bool(const QString &text, const QString &title)> confirmWarning;
        // The window's device search, which "Update" runs again and which ends
        // by reading the settings when the device answers.
        std::function<void()> search;
        // What "Clear" empties besides the fields: the tones the keypad is
        // building and the Multi Play list.
        std::function<void()> clearElsewhere;
        // Told false when a field gains the focus and true when one loses it:
        // keys typed into a field must not play tones.
        std::function<void(bool)> keyboardTones;
        // Given each of the 24 fields once it is made, for what the window's
        // text boxes share.
        std::function<void(QLineEdit *)> fieldMade;
    };

    // The link and the transfer must outlive the panel.
    SettingsPanel(DeviceLink &link, SettingsTransfer &transfer, Options options,
                  QWidget *parent = nullptr);

    // Appends a button to the row beneath the locations.
    void addButton(QPushButton *button);
    // The panel's part of the window's tab order: the length, space and
    // string of location 0, then the lengths, spaces and strings of 1 to 7,
    // the update boxes, and the buttons of the row.
    QList<QWidget *> tabOrder() const;

    // ---- Handlers ----
    void AllOn_Click();
    void AllOff_Click();
    void Clear_Click();
    void UpdateButton_Click();
    void Commit_Click();
    void Reset_Click();
    void Length_GotFocus(int index);
    void Space_GotFocus(int index);
    void MemString_GotFocus(int index);
    void Length_LostFocus(int index);
    void Space_LostFocus(int index);
    void MemString_LostFocus(int index);

    // ---- The store, over the fields ----
    QString text(int location, Field field) const override;
    void setText(int location, Field field, const QString &text) override;
    bool isMarked(int location) const override;
    void setMarked(int location, bool marked) override;
    // Appends the reply to the firmware caption.
    void firmwareRead(const QString &reply) override;
    // The firmware caption back to its label, every field empty.
    void clear() override;

    // ---- The configuration file's view: one line per location ----
    // The fields of a line: the tone string, the length, the space.
    int configLines() const override { return 8; }
    QString configField(int line, int column) const override;
    void setConfigField(int line, int column, const QString &text) override;

    // ---- Controls ----
    QLabel *Firmware = nullptr;
    std::array<QLineEdit *, 8> MemString{};
    std::array<QLineEdit *, 8> Length{};
    std::array<QLineEdit *, 8> Space{};
    std::array<QCheckBox *, 8> Update{};
    QPushButton *AllOn = nullptr;
    QPushButton *AllOff = nullptr;
    QPushButton *Commit = nullptr;
    QPushButton *Clear = nullptr;
    QPushButton *UpdateButton = nullptr;
    QPushButton *Reset = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildRows();
    void connectHandlers();
    QLineEdit *field(int location, Field field) const;

    DeviceLink &m_link;
    SettingsTransfer &m_transfer;
    Options m_options;
    QHBoxLayout *m_buttonRow = nullptr;
};
