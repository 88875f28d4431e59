#include "settings/lumivoxini.h"

#include <QSettings>

#include <cstring>

#include "collection/codepage.h"
#include "collection/nativenames.h"
#include "engine/base/apppaths.h"

namespace lumivox::settings {

namespace {

QString stored(const char* key) {
    const QSettings ini(paths::lumivoxIniPath(), QSettings::IniFormat);
    return ini.value(QLatin1String(key)).toString().trimmed();
}

bool store(const char* key, const QVariant& value) {
    QSettings ini(paths::lumivoxIniPath(), QSettings::IniFormat);
    ini.setValue(QLatin1String(key), value);
    ini.sync();
    return ini.status() == QSettings::NoError;
}

}  // namespace

bool load(const Switch& setting) {
    // QVariant would read any text but "false" and "0", "off" included, as true.
    const QString value = stored(setting.key).toLower();
    if (value == QStringLiteral("true") || value == QStringLiteral("1")) {
        return true;
    }
    if (value == QStringLiteral("false") || value == QStringLiteral("0")) {
        return false;
    }
    return setting.fallback;
}

QString load(const Choice& setting) {
    const QString value = stored(setting.key);
    return setting.values.contains(value) ? value : setting.fallback;
}

// The code page chosen for sheets is the one names are read in too, from whichever reads it.
void followedByNames(const Text& setting, const QString& value) {
    if (std::strcmp(setting.key, ini::CueCodePage.key) == 0) {
        names::setChosenCodePage(codepage::fromDisplayName(value));
    }
}

QString load(const Text& setting) {
    const QString stored_ = stored(setting.key);
    const QString value = stored_.isEmpty() ? setting.fallback : stored_;
    followedByNames(setting, value);
    return value;
}

bool save(const Switch& setting, bool value) {
    return store(setting.key, value);
}

bool save(const Choice& setting, const QString& value) {
    return store(setting.key, value);
}

bool save(const Text& setting, const QString& value) {
    followedByNames(setting, value);
    return store(setting.key, value);
}

}  // namespace lumivox::settings
