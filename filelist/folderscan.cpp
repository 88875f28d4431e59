#include "filelist/folderscan.h"

#include <QCollator>
#include <QFile>
#include <QLocale>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "collection/nativenames.h"
#include "engine/base/apppaths.h"

namespace lumivox {

namespace {
const QString kFlacSuffix = QStringLiteral(".FLAC");

struct Entry {
    QString name;      // as shown; matching looks at the name without padding
    QByteArray bytes;  // as the folder holds it
    bool folder = false;
    QCollatorSortKey key;
};

// Qt's collator compares plain code points under the C locale, numbers included; a session
// without a locale still gets "Track 2" before "Track 10".
QCollator fileManagerCollator() {
    QLocale locale;
    if (locale.language() == QLocale::C) {
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    }
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

// Entries whose type the directory does not tell (links, some file systems) are asked with
// stat, which follows a link: a link to a folder is a folder.
bool isFolderEntry(const dirent* entry, const QByteArray& folder) {
    if (entry->d_type == DT_DIR) {
        return true;
    }
    if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK) {
        return false;
    }
    struct stat st {};
    const QByteArray path = folder + '/' + entry->d_name;
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

QString TrimPadding(const QString& name) {
    qsizetype end = name.size();
    while (end > 0 && (name.at(end - 1) == QChar(u'\0') || name.at(end - 1) == QChar(u' '))) {
        --end;
    }
    return name.left(end);
}

bool isFlacName(const QString& name) {
    return name.size() >= kFlacSuffix.size() &&
           name.right(kFlacSuffix.size()).toUpper() == kFlacSuffix;
}

FolderScan::FolderScan(std::function<void()> serve, int serveIntervalMs)
    : serve_(std::move(serve), serveIntervalMs), collator_(fileManagerCollator()) {}

void FolderScan::SearchFolder(const QString& folder, QStringList& results,
                              QList<QByteArray>* natives, const QByteArray& nativeFolder) {
    const bool outermost = depth_ == 0;
    if (outermost) {
        cancelled_ = false;
        visited_.clear();
    }
    ++depth_;
    // The window shows the walk as running before the first folder is read, however short the
    // walk turns out to be.
    if (outermost) {
        serve_.now();
    }
    if (!cancelled_) {
        walk(folder, nativeFolder.isEmpty() ? QFile::encodeName(folder) : nativeFolder, results,
             natives);
    }
    --depth_;
}

void FolderScan::walk(const QString& folder, const QByteArray& native, QStringList& results,
                      QList<QByteArray>* natives) {
    struct stat st {};
    if (::stat(native.constData(), &st) != 0 ||
        !visited_
             .emplace(static_cast<unsigned long>(st.st_dev), static_cast<unsigned long>(st.st_ino))
             .second) {
        return;
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(native.constData()), &::closedir);
    if (!dir) {
        return;
    }
    struct Raw {
        QByteArray bytes;
        bool folder;
    };
    std::vector<Raw> raw;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray bytes(entry->d_name);
        if (bytes != "." && bytes != "..") {
            raw.push_back({bytes, isFolderEntry(entry, native)});
        }
        serve_();
        if (cancelled_) {
            return;
        }
    }
    // One short name says little about its code page: a folder's files are judged together,
    // and a subfolder's name with the names inside it (an album unpacked from one archive).
    QList<QByteArray> fileNames;
    for (const Raw& r : raw) {
        if (!r.folder) {
            fileNames.append(r.bytes);
        }
    }
    const codepage::CodePage filePage = names::folderCodePage(fileNames);

    std::vector<Entry> entries;
    for (const Raw& r : raw) {
        const QString name = r.folder ? names::readableFolderName(native + '/', r.bytes)
                                      : names::readableName(r.bytes, filePage);
        // Linux pads no names, so a trailing space is part of the name and stays in the path;
        // only the match ignores it, as it always has.
        const QString trimmed = TrimPadding(name);
        // A folder named only with spaces trims to nothing and is searched all the same.
        if (trimmed == QStringLiteral(".") || trimmed == QStringLiteral("..")) {
            continue;
        }
        if (r.folder || isFlacName(trimmed)) {
            entries.push_back({name, r.bytes, r.folder, collator_.sortKey(name)});
        }
    }

    // One key per name: comparing keys is far cheaper than collating the names each time.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const int order = a.key.compare(b.key);
        return order != 0 ? order < 0 : a.bytes < b.bytes;  // a stable tie-break for "A" and "a"
    });

    const QString prefix = folder + paths::kSeparatorText;
    const QByteArray nativePrefix = native + '/';
    std::vector<std::pair<QString, QByteArray>> subfolders;
    for (const Entry& entry : entries) {
        if (!entry.folder) {
            const QString path = prefix + entry.name;
            results << path;
            if (natives) {
                natives->append(names::nativeIfDifferent(path, nativePrefix + entry.bytes));
            }
        } else {
            subfolders.emplace_back(prefix + entry.name, nativePrefix + entry.bytes);
        }
    }
    for (const auto& [sub, subNative] : subfolders) {
        walk(sub, subNative, results, natives);
        if (cancelled_) {
            break;
        }
    }
}

}  // namespace lumivox
