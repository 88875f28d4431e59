#include "filelist/filelistmodel.h"

#include "engine/base/apppaths.h"

namespace lumivox {

namespace {

// Only spaces, as the list's own trim does; tabs and line breaks belong to the name.
QString trimSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ') {
        ++first;
    }
    while (last > first && text.at(last - 1) == u' ') {
        --last;
    }
    return text.mid(first, last - first);
}

}  // namespace

QString formatLabelFor(const QString& path) {
    return trimSpaces(path).right(4).toUpper();
}

QString ParsePath(const QString& sPathIn) {
    const qsizetype cut = sPathIn.lastIndexOf(paths::kSeparator);
    return cut < 0 ? QString() : sPathIn.left(cut + 1);
}

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FileCount();
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const FileEntry& entry = entryAt(index.row());
    switch (role) {
        case Qt::DisplayRole:
            return index.column() == PathColumn ? entry.path : entry.FormatLabel;
        case Qt::ToolTipRole:
            return entry.path;
        default:
            return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        switch (section) {
            case PathColumn:
                return QStringLiteral("文件名");
            case FormatColumn:
                return QStringLiteral("格式");
            default:
                return {};
        }
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool FileListModel::AddFileEntry(const QString& path) {
    return addFileEntries(QStringList{path});
}

bool FileListModel::addFileEntries(const QStringList& paths, const QString& foundUnder,
                                   const QList<QByteArray>& natives) {
    if (held_) {
        return false;
    }
    if (paths.isEmpty()) {
        return true;
    }
    const int first = FileCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(paths.size()) - 1);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        slots_.append(Slot{FileEntry{path, formatLabelFor(path), foundUnder, natives.value(i)},
                           nextSerial_++});
    }
    endInsertRows();
    return true;
}

QString FileListModel::FilePathAt(int index) const {
    return index >= 0 && index < FileCount() ? slots_.at(index).entry.path : QString();
}

QString FileListModel::FoundUnderAt(int index) const {
    return index >= 0 && index < FileCount() ? slots_.at(index).entry.foundUnder : QString();
}

QByteArray FileListModel::NativePathAt(int index) const {
    return index >= 0 && index < FileCount() ? slots_.at(index).entry.nativePath : QByteArray();
}

QStringList FileListModel::paths() const {
    QStringList out;
    out.reserve(slots_.size());
    for (const Slot& slot : slots_) {
        out.append(slot.entry.path);
    }
    return out;
}

void FileListModel::removeRow0() {
    beginRemoveRows(QModelIndex(), 0, 0);
    slots_.removeFirst();
    endRemoveRows();
}

bool FileListModel::RemoveFirstEntry() {
    if (held_ || slots_.isEmpty()) {
        return false;
    }
    removeRow0();
    return true;
}

bool FileListModel::removeFirstEntryIf(const QString& expectedPath) {
    if (slots_.isEmpty() || slots_.constFirst().entry.path != expectedPath) {
        return false;
    }
    removeRow0();
    return true;
}

bool FileListModel::removeEntryAt(int row) {
    if (held_ || row < 0 || row >= FileCount()) {
        return false;
    }
    beginRemoveRows(QModelIndex(), row, row);
    slots_.removeAt(row);
    endRemoveRows();
    return true;
}

}  // namespace lumivox
