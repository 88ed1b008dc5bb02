// SPDX-License-Identifier: GPL-3.0-or-later
// The play buttons and their handlers: each opens its dialog or window, waits
// for it with the main window usable, then runs its play.

#include "play/playpanel.h"

#include "core/text.h"
#include "play/memorymode.h"
#include "play/multiplay.h"
#include "play/singlemode.h"
#include "widgets/buttons.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int MemoryClosingTicks = 100;
constexpr int TimedClosingTicks = 100;
constexpr int MultiClosingTicks = 50;

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

} // namespace

PlayPanel::PlayPanel(const PlayHost &host, QWidget *parent)
    : QGroupBox(QStringLiteral("Play Functions"), parent), m_host(host),
      m_abort(*host.link, host.status)
{
    Abort = makeButton(QStringLiteral("Abort"), QStringLiteral("Aborts timed mode tones"), this);
    Memory = makeButton(QStringLiteral("Memory Play"),
                        QStringLiteral("Tells the Zelvo to play a stored string."), this);
    Single = makeButton(QStringLiteral("Timed Play"), QStringLiteral("Enters Time mode"), this);
    Multi = makeButton(QStringLiteral("Multi Play"),
                       QStringLiteral("Sends tones with individual length/space times"), this);
    auto *layout = new QHBoxLayout(this);
    for (QPushButton *button : {Memory, Single, Multi})
        layout->addWidget(button);

    const auto onClick = [this](QPushButton *button, void (PlayPanel::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { m_host.handle([this, handler] { (this->*handler)(); }); });
    };
    onClick(Abort, &PlayPanel::Abort_Click);
    onClick(Memory, &PlayPanel::Memory_Click);
    onClick(Single, &PlayPanel::Single_Click);
    onClick(Multi, &PlayPanel::Multi_Click);
}

PlayPanel::~PlayPanel() = default;

MultiPlay *PlayPanel::multiPlay()
{
    if (!m_multiPlay)
        m_multiPlay = new MultiPlay(m_host, window());
    return m_multiPlay;
}

QList<QWidget *> PlayPanel::windows() const
{
    return {m_memoryMode, m_singleMode, m_multiPlay};
}

void PlayPanel::Memory_Click()
{
    // The button is disabled while a memory play runs; a second start is refused.
    if (m_memoryPlaying)
        return;
    PlayingGuard playing(m_memoryPlaying, Memory);

    m_host.status(QStringLiteral("Memory Mode"));
    DialogUse dialog(m_memoryMode, new MemoryMode(window(), m_host.handle));
    if (m_memoryMode->showAndWait(m_host.wait) > 0) {
        const QString locations = m_memoryMode->Location->text();
        dialog.discard();
        // An Abort from here on (button or Esc) ends the memory play: the
        // location being played is no longer waited for and the rest are skipped.
        const int abortsBefore = m_abort.runs();
        MemoryPlay(*m_host.link, m_host.status).run(locations, [this, abortsBefore] {
            return m_abort.runs() != abortsBefore;
        });
    } else {
        m_host.status(QStringLiteral("Cancelled.\r\n"));
        dialog.discard();
    }

    m_host.link->Pause(MemoryClosingTicks);
    m_host.status(QStringLiteral("Ready"));
}

void PlayPanel::Single_Click()
{
    // One Timed Play dialog at a time: a press while it is open brings it
    // back to the front and leaves the waiting Timed Play to handle it.
    if (m_singleMode) {
        m_singleMode->bringToFront();
        return;
    }

    m_host.status(QStringLiteral("Time mode."));
    DialogUse dialog(m_singleMode, new SingleMode(window(), m_host.handle));
    if (m_singleMode->showAndWait(m_host.wait) > 0) {
        const QString tone = m_singleMode->Tone->text();
        const QString duration = m_singleMode->Duration->text();
        dialog.discard();
        TimedPlay(*m_host.link, m_host.status).run(tone, duration);
    } else {
        dialog.discard();
        m_host.status(QString());
        m_host.status(QStringLiteral("Cancelled.\r\n"));
    }

    m_host.link->Pause(TimedClosingTicks);
    m_host.status(QStringLiteral("Ready"));
}

void PlayPanel::Abort_Click()
{
    m_abort.run();
}

void PlayPanel::Multi_Click()
{
    MultiPlay *window = multiPlay();
    window->Tag = QStringLiteral("-1");
    window->show();
    window->raise();
    window->activateWindow();
    // A second click waits here too; one Close ends both waits.
    m_host.wait([window] { return numericValue(window->Tag) != -1; });
    if (numericValue(window->Tag) == 0)
        m_host.status(QStringLiteral("Finished\r\n"));
    window->hide();
    m_host.link->Pause(MultiClosingTicks);
    m_host.status(QStringLiteral("Ready"));
}
