// Memory play: the device plays locations it already holds, one after the
// other, each after its own probe and each waited for until the device
// reports "Ready". Only location digits travel on the line.

#include "app/statusbox.h"
#include "app/zelvo.h"
#include "core/text.h"
#include "link/commands.h"
#include "link/mscomm.h"
#include "play/dialoguse.h"
#include "play/memorymode.h"

#include <QLineEdit>
#include <QPushButton>

#include <functional>

namespace {

constexpr int ClosingTicks = 100;

// Keeps the "Memory Play" button disabled while a memory play runs and
// gives it back on every way out, an ending application included.
class PlayingGuard
{
public:
    PlayingGuard(bool &playing, QPushButton *button) : m_playing(playing), m_button(button)
    {
        m_playing = true;
        m_button->setEnabled(false);
    }
    ~PlayingGuard()
    {
        m_playing = false;
        m_button->setEnabled(true);
    }
    PlayingGuard(const PlayingGuard &) = delete;
    PlayingGuard &operator=(const PlayingGuard &) = delete;

private:
    bool &m_playing;
    QPushButton *m_button;
};

// Polls for the device's "Ready" after a location digit: read, look, wait 5
// ticks, until a read held it. A "Ready" cut in two by the line is found by
// joining the end of one read to the next. An Abort ends the poll; a port
// that fails ends it by passing its failure on.
void pollForReady(Zelvo &main, const std::function<bool()> &aborted)
{
    const QString &marker = zcmd::ReadyMarker;
    QString tail;
    bool ready = false;
    do {
        main.ReadBuffer();
        const QString joined = tail + main.RtnString;
        ready = joined.contains(marker);
        tail = joined.right(marker.size() - 1);
        main.Pause(zcmd::ReadyPollTicks);
    } while (!ready && !aborted());
}

} // namespace

void Zelvo::Memory_Click()
{
    // The button is disabled while a memory play runs; a second start is refused.
    if (m_memoryPlaying)
        return;
    PlayingGuard playing(m_memoryPlaying, Memory);

    StatusBox->setText(QStringLiteral("Memory Mode"));
    DialogUse dialog(m_memoryMode, new MemoryMode(this));
    m_memoryMode->show();
    m_memoryMode->raise();
    m_memoryMode->activateWindow();
    waitUntil([this] { return numericValue(m_memoryMode->Tag) != -1; });

    if (numericValue(m_memoryMode->Tag) > 0) {
        const QString locations = m_memoryMode->Location->text();
        dialog.discard();

        // An Abort from here on (button or Esc) ends the memory play: the
        // location being played is no longer waited for and the rest are skipped.
        const int abortsBefore = m_abortRuns;
        const auto aborted = [this, abortsBefore] { return m_abortRuns != abortsBefore; };
        const qsizetype count = locations.size();
        for (qsizetype i = 0; i < count && !aborted(); ++i) {
            const QString digit = locations.mid(i, 1);
            Connect();
            ClearBuffer();
            if (Present <= 0 || aborted())
                continue;
            StatusBox->setText(QStringLiteral("Sending string in location ") + digit);
            const bool ready = link().exchange(zcmd::MemoryPlay, OnFailure::PassOn);
            if (!ready || aborted())
                continue;
            MSComm1->output(digit + zcmd::LineBreak);
            // Only a written digit is waited for: nothing else makes the device say "Ready".
            pollForReady(*this, aborted);
        }
    } else {
        StatusBox->setText(QStringLiteral("Cancelled.\r\n"));
        dialog.discard();
    }

    Pause(ClosingTicks);
    StatusBox->setText(QStringLiteral("Ready"));
}
