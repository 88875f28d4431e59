#pragma once

#include <QString>

class QWidget;

namespace lumivox {

namespace help {

// The maker's site, scheme and host, set when the program is built (LUMIVOX_SITE).
QString siteAddress();
// Application folder + "/help.chm".
QString helpFilePath();
// One line: maker and product, then the site, the year of the release and the licence.
QString aboutText();
QString licenceNotice();

// Asks the desktop to open the help file; a missing file opens nothing and reports nothing.
void openHelp();
// The about box: title "关于", one OK button.
void showAbout();
// Opens the maker's site in the desktop's browser.
void openWebSite();
// Shows the feedback form modally over owner; returns when it is closed.
void showFeedback(QWidget* owner);

}  // namespace help
}  // namespace lumivox
