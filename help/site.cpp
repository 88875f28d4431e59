// The texts that name the maker: its site is chosen when the program is built.
#include "engine/base/apppaths.h"
#include "help/helpcommands.h"

namespace lumivox::help {

QString siteAddress() {
    return QStringLiteral(LUMIVOX_SITE);
}

QString helpFilePath() {
    return paths::appFolder() + QStringLiteral("/help.chm");
}

// The same licence as LICENSE, the package's copyright file and the AppStream metadata.
QString licenceNotice() {
    return QStringLiteral("许可证：GNU GPL 第 3 版或更新版本 (GPL-3.0-or-later)");
}

QString aboutText() {
    return QStringLiteral("Lumivox 开发组出品 Lumivox FLAC 转 MP3 批量转换器  %1  %2  %3")
        .arg(siteAddress(), QStringLiteral(LUMIVOX_RELEASE_YEAR), licenceNotice());
}

}  // namespace lumivox::help
