// Placeholders for the keypad, memory play and timed play until they are built.

#include "app/zelvo.h"
#include "play/memorymode.h"
#include "play/singlemode.h"

MemoryMode::MemoryMode(QWidget *parent) : QDialog(parent) {}
SingleMode::SingleMode(QWidget *parent) : QDialog(parent) {}

void Zelvo::KeyPad_MouseDown(int, int, int, int, int) {}
void Zelvo::KeyPad_MouseUp(int, int, int, int, int) {}
void Zelvo::Form_KeyDown(int &, int) {}
void Zelvo::Form_KeyUp(int, int) {}
void Zelvo::Memory_Click() {}
void Zelvo::Single_Click() {}
void Zelvo::Abort_Click() {}

QObject *Zelvo::installKeyPreview(Zelvo *)
{
    return nullptr;
}
