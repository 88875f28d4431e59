#include "shell/startup.h"

#include <QComboBox>
#include <QLineEdit>

#include "engine/base/apppaths.h"
#include "settings/settingsfiles.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"

namespace lumivox {

namespace {
// A box takes a position inside its list, or -1 for no selected entry; anything else is refused.
std::optional<int> acceptedPosition(const QComboBox* box, const QString& text) {
    const auto position = settings::positionFromText(text);
    if (!position || *position < -1 || *position >= box->count()) {
        return std::nullopt;
    }
    return *position;
}
// An editable box holding typed text has no selected entry; the text itself is not saved.
int savedPosition(const QComboBox* box) {
    return box->findText(box->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}
}  // namespace

void restoreChoices(frmMain& window, const QStringList& values) {
    QComboBox* const audioBoxes[] = {window.cmbBR(), window.cmbR(), window.cmbChannel()};
    std::optional<int> restored[3];
    for (int i = 0; i < 3 && i < values.size(); ++i) {
        restored[i] = acceptedPosition(audioBoxes[i], values.at(i));
        if (restored[i]) {
            audioBoxes[i]->setCurrentIndex(*restored[i]);
        }
    }
    if (values.size() > 3) {
        // A damaged file restores no folder, so start-up falls back to the default; a relative
        // one is kept as written and means a folder in the application folder.
        const QString& folder = values.at(3);
        window.txtPath()->setText(settings::isUsableFolderText(folder) ? folder : QString());
    }
    if (values.size() > 4) {
        if (const auto format = acceptedPosition(window.cmbOF(), values.at(4));
            format && *format >= 0) {
            window.formatBoxes()->selectFormat(*format);
            // The presets just overwrote the audio boxes; the saved positions win. A saved -1
            // (a typed value, which is not saved) keeps the preset's text rather than none.
            for (int i = 0; i < 3; ++i) {
                if (restored[i] && *restored[i] >= 0) {
                    audioBoxes[i]->setCurrentIndex(*restored[i]);
                }
            }
        }
    }
}

bool saveChoices(const frmMain& window, const QString& path) {
    settings::SetupChoices choices;
    choices.bitratePosition = savedPosition(window.cmbBR());
    choices.sampleRatePosition = savedPosition(window.cmbR());
    choices.channelPosition = savedPosition(window.cmbChannel());
    choices.outputFolder = window.txtPath()->text();
    choices.formatPosition = window.cmbOF()->currentIndex();
    return settings::saveSetup(path, choices);
}

}  // namespace lumivox
