// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The failures the panel's handlers deal with, and the "skip a failing step
// and go on" helper. Handlers choose one of four styles on purpose:
//  - resume-next: a failing step is skipped (resumeNext below);
//  - recovery: the device search and the port menu catch and recover;
//  - error handler: file operations show "Error  N\r\ndescription" and stop;
//  - none: the failure ends the handler and passes to its caller.

#include <QString>

#include <exception>
#include <string>
#include <utility>

// A failing operation of the port, a file or a reply: carries the platform's
// error number and description, as the user is shown them.
class OperationError : public std::exception
{
public:
    OperationError(int number, QString description);

    int number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.c_str(); }

private:
    int m_number = 0;
    QString m_description;
    std::string m_what;
};

// The serial port refused an operation (cannot open, not open, line dropped).
class PortError : public OperationError
{
public:
    using OperationError::OperationError;
};

// A configuration file could not be created, opened, read or written.
class FileError : public OperationError
{
public:
    using OperationError::OperationError;
};

// A device reply that cannot be cut as expected.
class ReplyError : public OperationError
{
public:
    using OperationError::OperationError;
};

// Raised by every wait once the application has been ended, so that the
// handlers still on the stack unwind without running another step. It is
// deliberately not an OperationError: nothing may skip it.
class ApplicationEnded : public std::exception
{
public:
    const char *what() const noexcept override { return "application ended"; }
};

// Runs one step of a resume-next handler: a failing step is skipped and the
// handler goes on with its next statement.
template <typename Step> void resumeNext(Step &&step)
{
    try {
        step();
    } catch (const OperationError &) {
    }
}

// The style an operation that is shared between handlers follows, chosen by
// its caller: a failing step passes to the caller (style "none"), or is
// skipped (resume-next).
enum class OnFailure { PassOn, ResumeNext };

// Runs one step in the caller's style.
template <typename Step> void runStep(OnFailure onFailure, Step &&step)
{
    if (onFailure == OnFailure::ResumeNext)
        resumeNext(std::forward<Step>(step));
    else
        step();
}

// "Error  N\r\ndescription": the number with a leading blank for its sign.
QString errorMessage(const OperationError &error);
