#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QVector>

#include "engine/batch/batchqueue.h"

namespace lumivox {

struct FileEntry {
    QString path;           // exactly as the source delivered it
    QString FormatLabel;    // computed once when the entry is added
    QString foundUnder;     // the scanned folder it came from; empty for a file added by itself
    QByteArray nativePath;  // the true bytes when path shows a name that is not UTF-8, else empty
};

// The path trimmed of spaces, its last four characters (all when shorter), upper case:
// "/music/a.flac" -> "FLAC", "/x/b.mp3" -> ".MP3", "/music/Live" -> "LIVE".
QString formatLabelFor(const QString& path);

// Folder part of a path with its trailing separator, empty when it has none:
// "/a/b.flac" -> "/a/", "b.flac" -> "".
QString ParsePath(const QString& sPathIn);

// The file list: what LV shows (columns "文件名" and "格式") and the conversion queue at once,
// so the rows and the queue can never diverge.
//
// While a batch runs the list is held: every change except the batch's own removal of the file
// it converted is refused, whatever route asks for it.
class FileListModel : public QAbstractTableModel, public BatchQueue {
    Q_OBJECT
  public:
    enum Column { PathColumn = 0, FormatColumn = 1, ColumnCount = 2 };

    explicit FileListModel(QObject* parent = nullptr);

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Appends an entry. Refused (false) while held.
    bool AddFileEntry(const QString& path);
    // Appends many at once (one insert notification), each remembering the folder it was found
    // under and, where given, its true bytes (natives parallel to paths; an empty one means the
    // path is the name). Refused (false) while held.
    bool addFileEntries(const QStringList& paths, const QString& foundUnder = {},
                        const QList<QByteArray>& natives = {});
    int FileCount() const override { return static_cast<int>(slots_.size()); }
    // Empty text for an index out of range.
    QString FilePathAt(int index) const override;
    QString FoundUnderAt(int index) const override;
    QByteArray NativePathAt(int index) const override;
    const FileEntry& entryAt(int index) const { return slots_.at(index).entry; }
    // The queue's paths in order (what lstFile would hold).
    QStringList paths() const;

    // Removes entry 0. Refused while held (the batch uses removeFirstEntryIf).
    bool RemoveFirstEntry();
    // The batch's removal: entry 0 goes only when it is still expectedPath. Works while held.
    bool removeFirstEntryIf(const QString& expectedPath) override;
    // Removes the entry at row (the remove-selected command). Refused while held or out of range.
    bool removeEntryAt(int row);
    // Removes the entries held when the call starts, one at a time from the front, calling
    // serveEvents after each so the window stays responsive; entries appended meanwhile stay,
    // and an original entry removed meanwhile by another command is not made up for by one of
    // them. Refused while held; stops when a batch takes the list over during serveEvents.
    template <typename ServeEvents>
    bool ClearFileList(ServeEvents serveEvents);

    void setHeld(bool held) override { held_ = held; }
    bool isHeld() const { return held_; }

  private:
    // Entries only ever join at the back, so those older than a serial form a prefix; a clear
    // uses that to tell the entries it started with from those appended while it serves events.
    struct Slot {
        FileEntry entry;
        quint64 serial = 0;
    };
    bool frontIsOlderThan(quint64 serial) const {
        return !slots_.isEmpty() && slots_.constFirst().serial < serial;
    }
    void removeRow0();

    // Qt 6's QList drops its first element in constant time (it moves its begin), so popping
    // the queue's head stays cheap on long lists.
    QVector<Slot> slots_;
    quint64 nextSerial_ = 0;
    bool held_ = false;
};

template <typename ServeEvents>
bool FileListModel::ClearFileList(ServeEvents serveEvents) {
    if (held_) {
        return false;
    }
    const quint64 firstAppendedLater = nextSerial_;
    while (!held_ && frontIsOlderThan(firstAppendedLater)) {
        removeRow0();
        serveEvents();
    }
    return true;
}

}  // namespace lumivox
