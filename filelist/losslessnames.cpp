#include "filelist/losslessnames.h"

namespace lumivox {

const QStringList& losslessSuffixes() {
    static const QStringList suffixes = {"flac", "ape", "wv",   "tta", "tak", "m4a",
                                         "wav",  "aif", "aiff", "dsf", "dff"};
    return suffixes;
}

bool isLosslessName(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot >= 0 && losslessSuffixes().contains(name.mid(dot + 1).toLower());
}

QString losslessDialogFilter() {
    QStringList shown, patterns;
    for (const QString& suffix : losslessSuffixes()) {
        shown << QStringLiteral("*.") + suffix;
        patterns << QStringLiteral("*.") + suffix;
    }
    return QStringLiteral("所有无损音频(") + shown.join(QStringLiteral(", ")) + u')' + u'|' +
           patterns.join(u' ');
}

}  // namespace lumivox
