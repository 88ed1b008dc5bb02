// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/windowaccess.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QSet>
#include <QWidget>

namespace {

QSet<const QMetaObject *> &exposedClasses()
{
    static QSet<const QMetaObject *> classes;
    return classes;
}

QAccessibleInterface *customWindow(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    // Asked for the object's own class only: its base classes keep theirs.
    if (!widget || !widget->isWindow() ||
        className != QLatin1String(object->metaObject()->className()) ||
        !exposedClasses().contains(object->metaObject()))
        return nullptr;
    const bool dialog = widget->windowType() == Qt::Dialog;
    return new QAccessibleWidget(widget, dialog ? QAccessible::Dialog : QAccessible::Window);
}

} // namespace

void exposeWindowClasses(std::initializer_list<const QMetaObject *> classes)
{
    QAccessible::installFactory(customWindow); // installed once however often asked
    for (const QMetaObject *metaObject : classes)
        exposedClasses().insert(metaObject);
}
