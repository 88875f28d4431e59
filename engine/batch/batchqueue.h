#pragma once

#include <QByteArray>
#include <QString>

namespace lumivox {

// The queue a batch walks: the file list, seen only as far as the batch needs it.
class BatchQueue {
  public:
    virtual ~BatchQueue() = default;
    virtual int FileCount() const = 0;
    // Empty text for an index out of range.
    virtual QString FilePathAt(int index) const = 0;
    // The entry's true bytes when its path shows a name that is not UTF-8 on the disk; empty
    // when the path is the name itself.
    virtual QByteArray NativePathAt(int /*index*/) const { return {}; }
    // The folder a scan found the entry under; empty for a file added by itself.
    virtual QString FoundUnderAt(int /*index*/) const { return {}; }
    // Entry 0 goes only when it is still expectedPath.
    virtual bool removeFirstEntryIf(const QString& expectedPath) = 0;
    // A held queue refuses every change but removeFirstEntryIf.
    virtual void setHeld(bool held) = 0;
};

}  // namespace lumivox
