#include "boxanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

BoxAnswerer::BoxAnswerer()
{
    m_timer.setInterval(2);
    connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::poll);
    m_timer.start();
}

QStringList BoxAnswerer::texts() const
{
    QStringList texts;
    for (const Seen &box : m_seen)
        texts << box.text;
    return texts;
}

bool BoxAnswerer::allExpected() const
{
    return std::all_of(m_seen.begin(), m_seen.end(), [](const Seen &box) { return box.expected; });
}

void BoxAnswerer::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box->property("answered").toBool())
        return;
    box->setProperty("answered", true);
    Seen seen;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.detailedText = box->detailedText();
    seen.icon = box->icon();
    seen.buttons = box->standardButtons();
    if (QAbstractButton *def = box->defaultButton())
        seen.defaultButton = box->standardButton(def);
    if (m_onNext) {
        auto callback = std::move(m_onNext);
        m_onNext = nullptr;
        callback();
    }
    QAbstractButton *press = nullptr;
    if (!m_answers.isEmpty()) {
        seen.answer = m_answers.takeFirst();
        press = box->button(seen.answer);
    } else {
        seen.expected = false;
        press = box->escapeButton();
        seen.answer = press ? box->standardButton(press) : QMessageBox::NoButton;
    }
    m_seen.append(seen);
    if (m_onSeen)
        m_onSeen(seen);
    if (press)
        press->click();
    else
        box->reject();
}
