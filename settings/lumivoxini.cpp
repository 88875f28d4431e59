#include "settings/lumivoxini.h"

#include <QSettings>
#include <QString>

#include "engine/apppaths.h"

namespace lumivox::settings {

namespace {
const QString kKeepFoldersKey = QStringLiteral("Output/KeepSourceFolders");
const QString kId3VersionKey = QStringLiteral("Tags/Id3Version");  // "2.4" or "2.3"
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

bool loadId3v23Tags() {
    const QSettings ini(paths::lumivoxIniPath(), QSettings::IniFormat);
    return ini.value(kId3VersionKey).toString().trimmed() == QStringLiteral("2.3");
}

bool saveId3v23Tags(bool v23) {
    QSettings ini(paths::lumivoxIniPath(), QSettings::IniFormat);
    ini.setValue(kId3VersionKey, v23 ? QStringLiteral("2.3") : QStringLiteral("2.4"));
    ini.sync();
    return ini.status() == QSettings::NoError;
}

}  // namespace lumivox::settings
