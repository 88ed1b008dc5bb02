#pragma once

// Top-level windows built on a plain QWidget (the Multi Play window, the
// "Status" prompt) are exposed to assistive technology like any other
// window: as a window, or a dialog when they are dialog windows, named by
// their title. Safe to call more than once.
void exposeCustomWindows();
