#include "shell/filedrops.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTreeView>
#include <QUrl>

#include "collection/nativenames.h"
#include "filelist/commondialogs.h"
#include "filelist/filelistmodel.h"
#include "shell/filelistcommands.h"

namespace lumivox {

namespace {
const QString kOpenTitle = QStringLiteral("打开文件");
const QString kAllFiles = QStringLiteral("*.*|*.*");
constexpr qint32 kLongNamesNoChangeDir = 2097160;  // OFN_LONGNAMES | OFN_NOCHANGEDIR
}  // namespace

FileDrops::FileDrops(FileListModel* model, FileListCommands* commands, QTreeView* LV,
                     QWidget* picDrag, QWidget* owner)
    : QObject(owner),
      model_(model),
      commands_(commands),
      listView_(LV),
      listTarget_(LV->viewport()),
      picDrag_(picDrag),
      owner_(owner) {
    for (QWidget* target : {static_cast<QWidget*>(LV), listTarget_, picDrag_}) {
        target->setAcceptDrops(true);
    }
    // The header row belongs to the list too: drags that reach the view itself are taken.
    LV->installEventFilter(this);
    listTarget_->installEventFilter(this);
    picDrag_->installEventFilter(this);
}

int FileDrops::dropFiles(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || model_->isHeld()) {
        return 0;
    }
    QStringList paths;
    QList<QByteArray> natives;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) {
            // The URL carries the name's true bytes percent-encoded; toLocalFile() would decode
            // a name that is not UTF-8 lossily.
            const names::ListedPath listed = names::listedFromBytes(
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
            paths << listed.readable;
            natives << listed.native;
        }
    }
    if (paths.isEmpty() || !model_->addFileEntries(paths, {}, natives)) {
        return 0;
    }
    QCoreApplication::processEvents();
    commands_->UpdateEmptyHint();
    return static_cast<int>(paths.size());
}

void FileDrops::picDrag_Click() {
    if (model_->isHeld()) {
        return;
    }
    const QString path =
        PickOpenFile(owner_, kOpenTitle, QString(), kAllFiles, kLongNamesNoChangeDir);
    if (path.isEmpty()) {
        return;
    }
    model_->AddFileEntry(path);
    commands_->UpdateEmptyHint();
}

bool FileDrops::eventFilter(QObject* watched, QEvent* event) {
    if (watched != listView_ && watched != listTarget_ && watched != picDrag_) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            // A held list shows the forbidden cursor; otherwise any data is taken as a copy.
            if (model_->isHeld()) {
                drag->ignore();
            } else {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (model_->isHeld()) {
                drop->ignore();
                return true;
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            dropFiles(drop->mimeData());
            return true;
        }
        case QEvent::MouseButtonPress:
            if (watched == picDrag_) {
                dropZoneClick_.press(static_cast<QMouseEvent*>(event));
                QCoreApplication::processEvents();
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (watched == picDrag_) {
                if (dropZoneClick_.release(static_cast<QMouseEvent*>(event), picDrag_)) {
                    picDrag_Click();
                }
                return true;
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace lumivox
