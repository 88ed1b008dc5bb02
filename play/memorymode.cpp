// SPDX-License-Identifier: GPL-3.0-or-later
// The "MemoryPlay" dialog: its controls and the checks on what is typed.

#include "play/memorymode.h"

#include "widgets/dropreport.h"
#include "widgets/messagebox.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QValidator>

namespace {

constexpr int MaxLocations = 8;

// Accepts location digits only; a refusal is reported once the field has
// finished its edit, with the notice of a refused key.
class LocationDigits : public QValidator
{
public:
    explicit LocationDigits(MemoryMode *dialog) : QValidator(dialog), m_dialog(dialog) {}

    State validate(QString &input, int &position) const override
    {
        Q_UNUSED(position);
        for (const QChar c : input) {
            if (c < u'0' || c > u'7') {
                QTimer::singleShot(0, m_dialog, [dialog = m_dialog] {
                    msgbox::notify(dialog, MemoryMode::refusedNotice());
                });
                return Invalid;
            }
        }
        return Acceptable;
    }

private:
    MemoryMode *m_dialog = nullptr;
};

} // namespace

QString MemoryMode::refusedNotice()
{
    return QStringLiteral("Only numbers 0 through 7 allowed.");
}

MemoryMode::MemoryMode(QWidget *parent, PlayHost::Runner runner)
    : PlayDialog(QStringLiteral("MemoryPlay"), parent, std::move(runner))
{
    QLabel *prompt = makeLabel(QStringLiteral("Enter Memory Location(s) to Send."));
    QLabel *hint = makeLabel(QStringLiteral("Up to 8 locations maximum."));
    Location = new QLineEdit(this);
    Location->setMaxLength(MaxLocations);
    Location->setAccessibleName(QStringLiteral("Location"));
    // Typed characters pass the key filter; whatever else reaches the field
    // (a paste, a drop, the selection pasted with the middle button) must be
    // location digits only, or the field stays as it was and the user is told.
    Location->setValidator(new LocationDigits(this));
    Location->setAttribute(Qt::WA_InputMethodEnabled, false);
    Location->setFixedWidth(Location->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 12);
    Location->installEventFilter(this);
    DropReport::install(Location);
    MemOK = makeButton(QStringLiteral("Ok"));
    MemAbort = makeButton(QStringLiteral("Cancel"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(MemOK);
    buttons->addWidget(MemAbort);
    auto *layout = new QGridLayout(this);
    layout->addWidget(prompt, 0, 0);
    layout->addWidget(Location, 0, 1);
    layout->addWidget(hint, 1, 0, 1, 2);
    layout->addLayout(buttons, 2, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(Location, MemOK);
    setTabOrder(MemOK, MemAbort);
    Location->setFocus();

    connect(MemOK, &QPushButton::clicked, this, [this] { handle([this] { MemOK_Click(); }); });
    connect(MemAbort, &QPushButton::clicked, this,
            [this] { handle([this] { MemAbort_Click(); }); });

    Form_Initialize();
    Form_Load();
}

void MemoryMode::Form_Initialize()
{
    Tag = QStringLiteral("-1");
}

void MemoryMode::Form_Load()
{
    Tag = QStringLiteral("-1");
}

void MemoryMode::MemOK_Click()
{
    CheckEntry(1);
}

void MemoryMode::MemAbort_Click()
{
    Tag = QStringLiteral("0");
}

void MemoryMode::CheckEntry(qint16 code)
{
    if (Location->text().isEmpty()) {
        msgbox::notify(this, QStringLiteral("Please enter a location"));
        Tag = QStringLiteral("-1");
        return;
    }
    Tag = QString::number(code);
}

void MemoryMode::Location_KeyPress(int &KeyAscii)
{
    if (KeyAscii == '\r' || KeyAscii == '\n')
        CheckEntry(2);
    const bool digit = KeyAscii >= '0' && KeyAscii <= '7';
    const bool lineCode = KeyAscii >= 10 && KeyAscii <= 13;
    if (digit || lineCode)
        return;
    if (KeyAscii == '\b') {
        Location->clear();
    } else {
        msgbox::notify(this, refusedNotice());
    }
    KeyAscii = 0;
}

bool MemoryMode::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Location || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    // Keys that move the focus, cancel the dialog or edit without typing a
    // character are not typed characters.
    // A paste is not typed: the field checks what it brings.
    if (key->matches(QKeySequence::Paste))
        return false;
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Delete:
        return false;
    default:
        break;
    }
    const QString text = key->text();
    if (text.isEmpty())
        return false;
    int keyAscii = text.at(0).unicode();
    handle([&] { Location_KeyPress(keyAscii); });
    return keyAscii == 0;
}
