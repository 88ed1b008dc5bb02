// The main window's "Multi Play" button: shows the Multi Play window and
// waits, with the main window usable, until the window's Close is pressed.

#include "app/statusbox.h"
#include "app/zelvo.h"
#include "core/text.h"
#include "play/multiplay.h"

void Zelvo::Multi_Click()
{
    MultiPlay *window = multiPlay();
    window->Tag = QStringLiteral("-1");
    window->show();
    window->raise();
    window->activateWindow();
    // A second click waits here too; one Close ends both waits.
    waitUntil([window] { return numericValue(window->Tag) != -1; });
    if (numericValue(window->Tag) == 0)
        StatusBox->setText(QStringLiteral("Finished\r\n"));
    window->hide();
    Pause(50);
    StatusBox->setText(QStringLiteral("Ready"));
}
