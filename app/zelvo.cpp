// The main window as a whole: creation, the load step, Quit, the termination
// step and the closing of the window through its frame.

#include "app/zelvo.h"

#include "app/defprompt.h"
#include "app/messagebox.h"
#include "app/statusbox.h"
#include "app/windowaccess.h"
#include "files/fileio.h"
#include "link/commands.h"
#include "link/mscomm.h"
#include "link/portsetup.h"
#include "play/memorymode.h"
#include "play/multiplay.h"
#include "play/singlemode.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>

Zelvo::Zelvo(const Config &config, QWidget *parent) : QMainWindow(parent), m_tickMs(config.tickMs)
{
    exposeWindowClasses({&DefPrompt::staticMetaObject, &MultiPlay::staticMetaObject});
    m_portSetup = std::make_unique<PortSetup>(PortSetup::Sources{
        config.ports, config.fixedPorts, config.portDetector, config.portPathsFile});
    MSComm1 = new MSComm(m_portSetup->resolve().map(), this);
    Timer1 = new QTimer(this);
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(m_tickMs);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });

    m_defPrompt = new DefPrompt(this);
    m_endApplication = [] { QCoreApplication::exit(0); };

    buildWindow();
    connectHandlers();
}

Zelvo::~Zelvo() = default;

void Zelvo::start()
{
    handle([this] { Form_Initialize(); });
    if (!m_ended)
        show();
}

bool Zelvo::isPausing() const
{
    return m_pauses > 0 || (m_multiPlay && m_multiPlay->isPausing());
}

void Zelvo::ensureLoaded()
{
    if (m_loaded)
        return;
    m_loaded = true;
    Form_Load();
}

void Zelvo::Form_Load()
{
    MSComm1->setSettings(zcmd::PortSettings);
    MSComm1->setInputLen(0);
    Focused = kTrue;
    CPort = 1;
    Timer1->start();
}

void Zelvo::done_Click()
{
    if (!msgbox::askYesNo(this, QStringLiteral("Quit. Are you sure?")))
        return;
    StatusBox->setText(QStringLiteral("Goodbye! Exiting Program."));
    Pause(50);
    Form_Terminate();
}

void Zelvo::Form_Terminate()
{
    resumeNext([&] {
        if (MSComm1->portOpen())
            MSComm1->setPortOpen(false);
    });
    const QList<QWidget *> windows{m_memoryMode, m_singleMode, m_defPrompt, m_multiPlay, m_fileIO};
    for (QWidget *window : windows) {
        if (window)
            window->close();
    }
    m_ended = true;
    Timer1->stop();
    hide();
    m_endApplication();
    throw ApplicationEnded();
}

void Zelvo::closeEvent(QCloseEvent *event)
{
    event->accept();
    // Closing the window through its frame ends the application without a
    // question, so no port stays open behind hidden windows.
    handle([this] { Form_Terminate(); });
}

void Zelvo::reportUnhandled(const OperationError &error)
{
    // The operation has ended: its progress window goes with it.
    m_defPrompt->hide();
    msgbox::notify(this, errorMessage(error));
}

QAction *Zelvo::comItem(int port) const
{
    switch (port) {
    case 1:
        return COM1;
    case 2:
        return COM2;
    case 3:
        return COM3;
    case 4:
        return COM4;
    default:
        return nullptr;
    }
}

void Zelvo::checkComItem(int port)
{
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort; ++n)
        comItem(n)->setChecked(n == port);
}

MultiPlay *Zelvo::multiPlay()
{
    if (!m_multiPlay)
        m_multiPlay = new MultiPlay(this, this);
    return m_multiPlay;
}

FileIO *Zelvo::fileIO()
{
    if (!m_fileIO)
        m_fileIO = new FileIO(this);
    return m_fileIO;
}
