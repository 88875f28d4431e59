#include "settings/lumivoxini.h"

#include <QSettings>

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

QString load(const Text& setting) {
    const QString value = stored(setting.key);
    return value.isEmpty() ? setting.fallback : value;
}

bool save(const Switch& setting, bool value) {
    return store(setting.key, value);
}

bool save(const Choice& setting, const QString& value) {
    return store(setting.key, value);
}

bool save(const Text& setting, const QString& value) {
    return store(setting.key, value);
}

}  // namespace lumivox::settings
