#include "settings/lumivoxini.h"

#include <QSettings>
#include <QString>

#include "engine/base/apppaths.h"

namespace lumivox::settings {

namespace {
const QString kKeepFoldersKey = QStringLiteral("Output/KeepSourceFolders");
const QString kId3VersionKey = QStringLiteral("Tags/Id3Version");  // "2.4" or "2.3"
const QString kCueSplitKey = QStringLiteral("Cue/Split");
const QString kCueCodePageKey = QStringLiteral("Cue/CodePage");

bool saveValue(const QString& key, const QVariant& value) {
    QSettings ini(paths::lumivoxIniPath(), QSettings::IniFormat);
    ini.setValue(key, value);
    ini.sync();
    return ini.status() == QSettings::NoError;
}
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

bool loadCueSplit() {
    const QSettings ini(paths::lumivoxIniPath(), QSettings::IniFormat);
    const QString value = ini.value(kCueSplitKey).toString().trimmed().toLower();
    return value != QStringLiteral("false") && value != QStringLiteral("0");
}

bool saveCueSplit(bool split) {
    return saveValue(kCueSplitKey, split);
}

QString loadCueCodePage() {
    const QSettings ini(paths::lumivoxIniPath(), QSettings::IniFormat);
    return ini.value(kCueCodePageKey).toString().trimmed();
}

bool saveCueCodePage(const QString& name) {
    return saveValue(kCueCodePageKey, name);
}

}  // namespace lumivox::settings
