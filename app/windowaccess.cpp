#include "app/windowaccess.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {

QAccessibleInterface *customWindow(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    // Only a class of the panel's own that derives from QWidget itself, and
    // only as itself: every Qt class keeps its own interface. A menu is such
    // a class too, but a popup, not a window: it stays a menu with its items.
    const Qt::WindowType type = widget ? widget->windowType() : Qt::Widget;
    if (!widget || (type != Qt::Window && type != Qt::Dialog) ||
        className != QLatin1String(object->metaObject()->className()) ||
        object->metaObject()->superClass() != &QWidget::staticMetaObject)
        return nullptr;
    const bool dialog = widget->windowType() == Qt::Dialog;
    return new QAccessibleWidget(widget, dialog ? QAccessible::Dialog : QAccessible::Window);
}

} // namespace

void exposeCustomWindows()
{
    QAccessible::installFactory(customWindow);
}
