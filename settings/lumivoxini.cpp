#include "settings/lumivoxini.h"

#include <QSettings>
#include <QString>

#include "engine/apppaths.h"

namespace lumivox::settings {

namespace {
const QString kKeepFoldersKey = QStringLiteral("Output/KeepSourceFolders");
}  // namespace

bool loadKeepSourceFolders() {
    const QSettings ini(paths::lumivoxIniPath(), QSettings::IniFormat);
    // Only a plain yes counts: QVariant would read any other text, "off" included, as true.
    const QString value = ini.value(kKeepFoldersKey).toString().trimmed().toLower();
    return value == QStringLiteral("true") || value == QStringLiteral("1");
}

bool saveKeepSourceFolders(bool keep) {
    QSettings ini(paths::lumivoxIniPath(), QSettings::IniFormat);
    ini.setValue(kKeepFoldersKey, keep);
    ini.sync();
    return ini.status() == QSettings::NoError;
}

}  // namespace lumivox::settings
