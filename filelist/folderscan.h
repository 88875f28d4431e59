#pragma once

#include <QByteArray>
#include <QCollator>
#include <QList>
#include <QString>
#include <QStringList>

#include "engine/base/throttledserve.h"

#include <functional>
#include <set>
#include <utility>

namespace lumivox {

// The name without its trailing NUL and space characters; a name made only of those is empty.
QString TrimPadding(const QString& name);

// A name the scan collects: its last five characters, upper-cased, are ".FLAC".
bool isFlacName(const QString& name);

// Walks a folder tree for FLAC files: a folder's own files first, then its subfolders depth
// first, each folder's entries in the order a file manager shows them ("Track 2" before
// "Track 10"). Every subfolder is searched, however many. A folder that cannot be read
// contributes nothing, and no folder is entered twice in one walk, so a symbolic link back up
// the tree cannot make the walk endless. Names are read as bytes: one that is not UTF-8 is
// shown decoded with its folder's likeliest code page, and its true bytes are kept.
class FolderScan {
  public:
    // serve runs as the walk starts, then at most once per serveIntervalMs while it goes on.
    explicit FolderScan(std::function<void()> serve = {},
                        int serveIntervalMs = ThrottledServe::kFrameMs);

    // Appends every match below folder to results. A result is the folder as given, "/" and
    // the entry name. natives, when given, gets one entry per result: the true bytes of its
    // path when they are not the result's UTF-8, else empty. nativeFolder is the folder's
    // true bytes when the shown folder is not its own name.
    void SearchFolder(const QString& folder, QStringList& results,
                      QList<QByteArray>* natives = nullptr, const QByteArray& nativeFolder = {});

    // Ends a walk in progress at the next entry (from a handler run while it serves events).
    void cancel() { cancelled_ = true; }
    bool isRunning() const { return depth_ > 0; }

  private:
    void walk(const QString& folder, const QByteArray& native, QStringList& results,
              QList<QByteArray>* natives);

    ThrottledServe serve_;
    int depth_ = 0;
    bool cancelled_ = false;
    QCollator collator_;  // made once: an ICU collator costs milliseconds to set up
    std::set<std::pair<unsigned long, unsigned long>> visited_;  // device, inode
};

}  // namespace lumivox
