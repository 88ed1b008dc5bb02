#pragma once

// Owns the dialog of one use (Memory Play, Timed Play): discards it when
// asked, or at the latest when the handler is left, whichever way. The
// handler only discards it after its wait has seen the result, so no event
// of the dialog is still being delivered then.

template <typename Dialog> class DialogUse
{
public:
    DialogUse(Dialog *&slot, Dialog *dialog) : m_slot(slot) { m_slot = dialog; }
    ~DialogUse() { discard(); }
    DialogUse(const DialogUse &) = delete;
    DialogUse &operator=(const DialogUse &) = delete;

    void discard()
    {
        delete m_slot;
        m_slot = nullptr;
    }

private:
    Dialog *&m_slot;
};
