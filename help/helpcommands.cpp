#include "help/helpcommands.h"

#include <QFileInfo>
#include <QUrl>

#include "engine/base/messages.h"
#include "help/frmsuggest.h"
#include "widgets/desktopservices.h"

namespace lumivox::help {

void openHelp() {
    const QString file = helpFilePath();
    // The desktop would report a missing file itself; the program reports nothing.
    if (!QFileInfo(file).isFile() || !desktopServices().openUrl) {
        return;
    }
    desktopServices().openUrl(QUrl::fromLocalFile(file));
}

void showAbout() {
    showMessage(aboutText(), MessageIcon::None, QStringLiteral("关于"));
}

void openWebSite() {
    if (desktopServices().openUrl) {
        desktopServices().openUrl(QUrl(siteAddress()));
    }
}

void showFeedback(QWidget* owner) {
    frmSuggest form(owner);
    form.exec();
}

}  // namespace lumivox::help
