// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Top-level windows built on a plain QWidget (the Multi Play window, the
// "Status" prompt) are exposed to assistive technology like any other
// window: as a window, or a dialog when they are dialog windows, named by
// their title.

#include <initializer_list>

struct QMetaObject;

// Exposes the top-level windows of exactly these classes, each of which
// derives from QWidget itself. Every other class, Qt's own among them (a
// QMenu is also a window built straight on QWidget), keeps the interface Qt
// gives it. Classes add to those exposed before; safe to call more than once.
void exposeWindowClasses(std::initializer_list<const QMetaObject *> classes);
