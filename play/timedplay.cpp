// Timed play: the device sounds one tone for a number of milliseconds and
// times it itself; the panel only sends the tone line. Abort ends a tone
// early (and any held tone, with the same stop command).

#include "app/statusbox.h"
#include "app/zelvo.h"
#include "core/text.h"
#include "link/commands.h"
#include "link/mscomm.h"
#include "play/dialoguse.h"
#include "play/singlemode.h"

#include <QLineEdit>

namespace {

constexpr int ClosingTicks = 100;

// Sets a flag for as long as it lives, whichever way the scope is left.
class FlagUp
{
public:
    explicit FlagUp(bool &flag) : m_flag(flag) { m_flag = true; }
    ~FlagUp() { m_flag = false; }
    FlagUp(const FlagUp &) = delete;
    FlagUp &operator=(const FlagUp &) = delete;

private:
    bool &m_flag;
};

} // namespace

void Zelvo::Single_Click()
{
    // One Timed Play dialog at a time: a press while it is open brings it
    // back to the front and leaves the waiting Timed Play to handle it.
    if (m_singleMode) {
        m_singleMode->show();
        m_singleMode->raise();
        m_singleMode->activateWindow();
        return;
    }

    StatusBox->setText(QStringLiteral("Time mode."));
    DialogUse dialog(m_singleMode, new SingleMode(this));
    m_singleMode->show();
    m_singleMode->raise();
    m_singleMode->activateWindow();
    waitUntil([this] { return numericValue(m_singleMode->Tag) != -1; });

    if (numericValue(m_singleMode->Tag) > 0) {
        const QString tone = m_singleMode->Tone->text();
        const QString duration = m_singleMode->Duration->text();
        dialog.discard();
        ClearBuffer();
        Connect();
        ClearBuffer();
        if (Present > 0) {
            const bool ready = link().exchange(zcmd::TimedTone, OnFailure::PassOn);
            if (ready)
                MSComm1->output(tone + zcmd::TimedToneSeparator + duration + zcmd::TimedToneEnd);
            StatusBox->setText(QStringLiteral("Sending tone ") + tone +
                               QStringLiteral("\r\nPress the ABORT button to cancel."));
        }
    } else {
        dialog.discard();
        StatusBox->setText(QString());
        StatusBox->setText(QStringLiteral("Cancelled.\r\n"));
    }

    Pause(ClosingTicks);
    StatusBox->setText(QStringLiteral("Ready"));
}

void Zelvo::Abort_Click()
{
    // Every press counts as an Abort for a running memory play, which then
    // stops waiting for "Ready", even one started inside another Abort.
    ++m_abortRuns;
    // Abort waits while dispatching events, so a held Esc key or a second
    // click would start it again: a run in progress sends and waits for
    // nothing more.
    if (m_aborting)
        return;
    FlagUp running(m_aborting);

    resumeNext([&] { MSComm1->output(zcmd::LineBreak); });
    StatusBox->setText(QStringLiteral("Aborted.\r\n"));
    Pause(zcmd::AbortBreakTicks);
    StatusBox->setText(QString());
    resumeNext([&] { MSComm1->output(zcmd::ToneStop); });
    Pause(zcmd::AbortStopTicks);
    StatusBox->setText(QStringLiteral("Ready"));
}
