// The texts that name the maker: its site is chosen when the program is built.
#include "engine/apppaths.h"
#include "help/helpcommands.h"

namespace lumivox::help {

QString siteAddress() {
    return QStringLiteral(LUMIVOX_SITE);
}

QString helpFilePath() {
    return paths::appFolder() + QStringLiteral("/help.chm");
}

QString aboutText() {
    return QStringLiteral("Lumivox 开发组出品 Lumivox FLAC 转 MP3 批量转换器  %1  %2")
        .arg(siteAddress(), QStringLiteral(LUMIVOX_RELEASE_YEAR));
}

}  // namespace lumivox::help
