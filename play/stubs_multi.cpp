// Placeholder for the Multi Play window until it is built.

#include "app/zelvo.h"
#include "play/multiplay.h"

MultiPlay::MultiPlay(Zelvo *main, QWidget *parent) : QWidget(parent)
{
    Q_UNUSED(main);
}
QString MultiPlay::textMatrix(int, int) const
{
    return {};
}
void MultiPlay::setTextMatrix(int, int, const QString &) {}
void MultiPlay::clearList() {}

void Zelvo::Multi_Click() {}
