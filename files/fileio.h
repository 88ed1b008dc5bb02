// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "File I/O" chooser: drive, directory and file lists and an editable
// path. It names the configuration file that Export writes and Import reads,
// and does no file input or output itself.
//
// How a caller uses it: show it (modeless), set Tag to "-1", write the prompt
// into IOLable, dispatch events while the numeric value of Tag is -1, then
// hide it and read Fname (and File1->fileName()). Tag "1" is acceptance (OK,
// or a double-click on a file), "0" is Cancel (the Cancel button, Esc, or
// closing the window through its frame). After an acceptance Fname contains
// ".zlv.csv". The chooser never hides itself on OK or Cancel: the caller does.
//
// The window is created once and afterwards only hidden and shown again, so
// its drive, directory, file selection and Fname survive between uses.
//
// Paths are joined by plain concatenation: the directory list's path as the
// platform reports it, QDir::separator(), and the name; nothing is dropped, so
// in a root directory ("/" or "C:\") the text holds two separators in a row.

#include <QDialog>
#include <QListWidget>
#include <QStringList>
#include <QTreeWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The directory list: the subdirectories of its directory, every one of them
// (hidden ones too), after a ".." entry that leads up unless the directory is
// a root. The header shows the directory's path. A double-click (or Enter) on
// an entry opens it.
class DirList : public QTreeWidget
{
    Q_OBJECT

public:
    explicit DirList(QWidget *parent = nullptr);

    // The directory, as the platform writes it ("/", "/home/ann", "C:\",
    // "C:\Data"): absolute, native separators, a separator at the end only
    // for a root.
    QString path() const { return m_path; }

    // Moves to `path` and emits changed(). Throws FileError (the system's
    // error number and description) when the directory cannot be read; the
    // list then stays as it was and nothing is emitted.
    void setPath(const QString &path);

signals:
    // The directory changed, by setPath or by opening an entry.
    void changed();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Opening an entry moves to that directory even when it cannot be read
    // (it then lists only ".."), as the user asked to go there; whoever
    // follows the change reports the failure.
    void openEntry(QTreeWidgetItem *item);
    void fill(const QString &path, const QStringList &subdirectories);

    QString m_path;
};

// The file list: every file of its directory (hidden ones too), no pattern.
class FileList : public QListWidget
{
    Q_OBJECT

public:
    explicit FileList(QWidget *parent = nullptr);

    QString path() const { return m_path; }

    // Lists the files of `path`, with no entry selected. Throws FileError
    // when the directory cannot be read; the list then stays as it was.
    void setPath(const QString &path);

    // The name (without directory) of the selected entry; empty when none.
    QString fileName() const;

private:
    QString m_path;
};

class FileIO : public QDialog
{
    Q_OBJECT

public:
    // Runs one handler as the event loop delivers it, under the window's
    // failure policy.
    using Runner = std::function<void(const std::function<void()> &handler)>;

    // Every event handler of the window goes through `run`; without one the
    // handlers run directly.
    explicit FileIO(Runner run = {}, QWidget *parent = nullptr);

    // The result: "-1" pending, "1" accepted, "0" cancelled.
    QString Tag = QStringLiteral("-1");

    QComboBox *Drive1 = nullptr;
    DirList *Dir1 = nullptr;
    FileList *File1 = nullptr;
    QLineEdit *Fname = nullptr;
    QLabel *FileName = nullptr;
    QPushButton *OK = nullptr;
    QPushButton *Cancel = nullptr;
    QLabel *IOLable = nullptr;

    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void File1_DblClick();
    void OK_Click();
    void Cancel_Click();

    // Replaces the roots the drive list offers (by default QDir::drives(),
    // "/" on Linux) without changing the directory: lets tests offer a root
    // that fails. The first root becomes the selected one.
    void setDrives(const QStringList &roots);

    // Esc counts as Cancel.
    void reject() override;

protected:
    // Closing the window through its frame counts as Cancel.
    void closeEvent(QCloseEvent *event) override;

private:
    // Appends ".zlv.csv" to Fname unless it already contains it anywhere
    // (case-sensitive).
    void AddExtension();
    void buildWindow();
    void handle(const std::function<void()> &handler);

    Runner m_run;
    bool m_fillingDrives = false;
};
