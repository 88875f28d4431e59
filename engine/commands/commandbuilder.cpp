#include "engine/commands/commandbuilder.h"

#include "collection/fatnames.h"
#include "collection/outputnames.h"
#include "engine/base/apppaths.h"
#include "engine/base/cmdline.h"
#include "engine/commands/formatchoices.h"

#include <QFileInfo>

namespace lumivox {

namespace {

QString tool(const CommandContext& c, const char* name) {
    return c.appFolder + QStringLiteral("/data/") + QLatin1String(name);
}

QString channelCount(const ConversionSettings& s) {
    return QString::number(s.channelPosition + 1);
}

bool isVideoFormat(int format) {
    return format >= FormatRmvb && format <= Format3gp;
}

}  // namespace

QString GetFileStem(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    const QString name = path.mid(path.lastIndexOf(paths::kSeparator) + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.left(dot);
}

QString timeStamp(const QTime& time) {
    if (!time.isValid()) {
        return {};
    }
    return QString::number(time.hour()) + QString::number(time.minute()) +
           QString::number(time.second());
}

QString formatExtension(int format) {
    switch (format) {
        case FormatRmvb:
            return QStringLiteral(".rmvb");
        case FormatRm:
            return QStringLiteral(".rm");
        case FormatMpg:
            return QStringLiteral(".mpg");
        case FormatAvi:
            return QStringLiteral(".avi");
        case FormatMp4:
        case FormatPhoneMp4:
            return QStringLiteral(".mp4");
        case FormatMov:
            return QStringLiteral(".mov");
        case Format3gp:
            return QStringLiteral(".3gp");
        case FormatMp3:
            return QStringLiteral(".mp3");
        default:
            return {};
    }
}

QString firstPassTool(int format) {
    return format == FormatMp3 ? kSoxTool : kConvTool;
}

QString secondPassTool(int format) {
    return format == FormatPhoneMp4 || format == Format3gp ? kCoder2Tool : kCoderTool;
}

bool hasSecondPass(int format) {
    return format == FormatRmvb || format == FormatRm || format == FormatMov ||
           format == FormatPhoneMp4 || format == Format3gp;
}

QString outputPath(const ConversionSettings& s, const QString& inputPath, const QString& stamp,
                   int copy) {
    const QString joiner = s.format == FormatMp3 ? QStringLiteral("_") : QStringLiteral("-");
    const QString counter = copy > 1 ? QStringLiteral(" (%1)").arg(copy) : QString();
    const QString tail = joiner + stamp + counter + formatExtension(s.format);
    if (s.fatRoom > 0) {
        return paths::withTrailingSeparator(s.outFolder) +
               fat::fileName(fitStem(GetFileStem(inputPath), tail), tail,
                             std::min(s.fatRoom, fat::kMostNameUnits));
    }
    return paths::withTrailingSeparator(s.outFolder) + fitStem(GetFileStem(inputPath), tail) + tail;
}

// Two files with the same stem finished at clocks such as 01:23:45 and 12:34:05 get the same
// name; the later one must not replace the earlier.
QString uniqueOutputPath(const ConversionSettings& s, const QString& inputPath,
                         const QString& stamp) {
    for (int copy = 1;; ++copy) {
        const QString candidate = outputPath(s, inputPath, stamp, copy);
        // A card ignores case: "Song" and "song" would meet there.
        if (s.fatRoom > 0 ? !fat::isTakenIgnoringCase(candidate) : !isNameTaken(candidate)) {
            return candidate;
        }
    }
}

// <app>/data/sox.exe "/music/song.flac" <T>/tmp.wav
QString mp3DecodeCommand(const CommandContext& c, const QString& inputPath) {
    return tool(c, "sox.exe ") + quotePath(inputPath) + u' ' + c.tmpWav;
}

// <app>/data/coder.exe -i <T>/tmp.wav
QString mp3ProbeCommand(const CommandContext& c) {
    return tool(c, "coder.exe -i ") + c.tmpWav;
}

// <app>/data/coder.exe -i "/music/song.flac" -y -vn -ar 44100 -ab 128k -ac 2 "/out/song_14305.mp3"
QString mp3EncodeCommand(const CommandContext& c, const ConversionSettings& s,
                         const QString& inputPath, const QString& outputFile) {
    return tool(c, "coder.exe -i ") + quotePath(inputPath) + QStringLiteral(" -y -vn -ar ") +
           s.sampleRate + QStringLiteral(" -ab ") + s.audioBitrate + QStringLiteral("k -ac ") +
           channelCount(s) + u' ' + quotePath(outputFile);
}

QString firstPassCommand(const CommandContext& c, const ConversionSettings& s,
                         const QString& inputPath, const QString& outputFile) {
    const QString head = tool(c, "conv.exe ") + quotePath(inputPath);
    switch (s.format) {
        case FormatMpg:
        case FormatAvi:
            // ... "/in.avi" -oac lavc -lavcopts acodec=mp2:abitrate=64 -ovc lavc
            //     -lavcopts vcodec=mpeg1video:vbitrate=600:vpass=1 -ofps 24 -of lavf
            //     -lavfopts format=yuv4mpeg -o "/out/in-14305.mpg"
            return head + QStringLiteral(" -oac lavc -lavcopts acodec=mp2:abitrate=") +
                   s.audioBitrate +
                   QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=") +
                   s.videoBitrate + QStringLiteral(":vpass=1 -ofps ") + s.frameRate +
                   QStringLiteral(" -of lavf -lavfopts format=yuv4mpeg -o ") +
                   quotePath(outputFile);
        case FormatMp4:
            // ... "/in.avi" -oac mp3lame -lameopts preset=320 -ovc lavc
            //     -lavcopts vcodec=mpeg4:vbitrate=1200 -of avi -o "/out/in-14305.mp4"
            return head + QStringLiteral(" -oac mp3lame -lameopts preset=") + s.audioBitrate +
                   QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=") + s.videoBitrate +
                   QStringLiteral(" -of avi -o ") + quotePath(outputFile);
        default:
            if (!hasSecondPass(s.format)) {
                return {};
            }
            // The same for all two-pass formats; the second pass sets size and audio.
            return head +
                   QStringLiteral(
                       " -oac mp3lame -lameopts preset=320 -ovc lavc "
                       "-lavcopts vcodec=mpeg4:vbitrate=1200 -of avi -o ") +
                   c.tmpMp4;
    }
}

QString secondPassCommand(const CommandContext& c, const ConversionSettings& s,
                          const QString& outputFile) {
    if (!isVideoFormat(s.format) || !hasSecondPass(s.format)) {
        return {};
    }
    const bool original = s.videoSize == choices::kOriginalSize;
    const QString sized = QStringLiteral(" -y -s ") + s.videoSize;
    QString line;
    switch (s.format) {
        case FormatRmvb:
        case FormatRm:
            line = tool(c, "coder.exe -i ") + c.tmpMp4;
            if (original) {
                // The two spaces before -ab have always been there.
                line += QStringLiteral(" -y -vcodec rv10 -b 1200k -f rm  -ab 128k -ac 2 ");
            } else {
                line += sized + QStringLiteral(" -vcodec rv10 -b ") + s.videoBitrate +
                        QStringLiteral("k -f rm -ar ") + s.sampleRate + QStringLiteral(" -ab ") +
                        s.audioBitrate + QStringLiteral("k -ac ") + channelCount(s) + u' ';
            }
            break;
        case FormatMov:
            line = tool(c, "coder.exe -i ") + c.tmpMp4 +
                   (original ? QStringLiteral(" -y") : sized) +
                   QStringLiteral(" -ac 2 -ar 48000 -ab 128k ");
            break;
        default:  // the phone formats
            line = tool(c, "coder2.exe -i ") + c.tmpMp4 +
                   (original ? QStringLiteral(" -y -s 320x240") : sized) +
                   QStringLiteral(" -vcodec mpeg4 -acodec amr_nb -ac 1 -ar 8000 -ab 12.2k ");
            break;
    }
    return line + quotePath(outputFile);
}

}  // namespace lumivox
