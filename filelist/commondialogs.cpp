#include "filelist/commondialogs.h"

#include "engine/base/apppaths.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <utility>

namespace lumivox {

namespace {

using paths::kSeparator;

DialogHandler& installedHandler() {
    static DialogHandler handler;
    return handler;
}

// 0x00BBGGRR, red in the low byte.
quint32 toBgr(const QColor& color) {
    return static_cast<quint32>(color.red()) | static_cast<quint32>(color.green()) << 8 |
           static_cast<quint32>(color.blue()) << 16;
}
QColor fromBgr(quint32 bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>(bgr >> 8 & 0xFF),
                  static_cast<int>(bgr >> 16 & 0xFF));
}

int execModal(QDialog& dialog, QWidget* owner) {
    if (owner != nullptr) {
        dialog.setWindowModality(Qt::WindowModal);
    }
    return dialog.exec();
}

DialogAnswer showFileDialog(const DialogRequest& request) {
    QFileDialog dialog(request.owner, request.title, request.startFolder, request.filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    switch (request.kind) {
        case DialogRequest::Save:
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            break;
        case DialogRequest::Folder:
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly);
            break;
        default:
            dialog.setFileMode(QFileDialog::ExistingFile);
            break;
    }
    if (!request.filter.isEmpty()) {
        dialog.selectNameFilter(request.filter.section(QStringLiteral(";;"), 0, 0));
    }
    if (!request.fileName.isEmpty()) {
        dialog.selectFile(request.fileName);
    }
    dialog.setDefaultSuffix(request.defaultSuffix);
    DialogAnswer answer;
    if (execModal(dialog, request.owner) == QDialog::Accepted) {
        answer.path = dialog.selectedFiles().value(0);
        answer.accepted = !answer.path.isEmpty();
    }
    return answer;
}

DialogAnswer showPrinterDialog(const DialogRequest& request) {
    DialogAnswer answer;
    QPrinter printer;
    if (request.kind == DialogRequest::PrinterProperties) {
        QPageSetupDialog dialog(&printer, request.owner);
        answer.accepted = execModal(dialog, request.owner) == QDialog::Accepted;
        return answer;
    }
    QPrintDialog dialog(&printer, request.owner);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    answer.accepted = execModal(dialog, request.owner) == QDialog::Accepted;
    return answer;
}

DialogAnswer showRealDialog(const DialogRequest& request) {
    DialogAnswer answer;
    // Widgets need a QApplication; without one a dialog cannot be shown, which counts as cancel.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return answer;
    }
    switch (request.kind) {
        case DialogRequest::Open:
        case DialogRequest::Save:
        case DialogRequest::Folder:
            return showFileDialog(request);
        case DialogRequest::Color: {
            QColorDialog dialog(fromBgr(request.color), request.owner);
            dialog.setWindowTitle(request.title.isEmpty() ? dialog.windowTitle() : request.title);
            dialog.setOption(QColorDialog::DontUseNativeDialog);
            answer.accepted = execModal(dialog, request.owner) == QDialog::Accepted;
            answer.color = toBgr(dialog.selectedColor());
            return answer;
        }
        case DialogRequest::Font: {
            QFontDialog dialog(request.font, request.owner);
            dialog.setOption(QFontDialog::DontUseNativeDialog);
            answer.accepted = execModal(dialog, request.owner) == QDialog::Accepted;
            answer.font = dialog.selectedFont();
            return answer;
        }
        case DialogRequest::Printer:
        case DialogRequest::PrinterProperties:
            return showPrinterDialog(request);
    }
    return answer;
}

DialogAnswer runDialog(const DialogRequest& request) {
    const DialogHandler& handler = installedHandler();
    return handler ? handler(request) : showRealDialog(request);
}

// The stored text up to its first NUL, as the fixed dialog buffers yield it.
QString upToNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

// Where the open and save routines start: the folder with its separator, or the base folder (the
// application's, or home for an installed copy) when it is blank or names no existing folder.
QString startFolderOrAppFolder(const QString& folder) {
    QString start = folder.trimmed();
    if (start.isEmpty()) {
        return paths::baseFolder();
    }
    if (!start.endsWith(kSeparator)) {
        start += kSeparator;
    }
    return QFileInfo(start).isDir() ? start : paths::baseFolder();
}

QString filterOrAllFiles(const QString& filter) {
    return filter.trimmed().isEmpty() ? QStringLiteral("*.*|*.*") : filter;
}

// The root keeps its separator, every other folder loses its trailing ones.
QString folderWithoutTrailingSeparator(QString folder) {
    while (folder.size() > 1 && folder.endsWith(kSeparator)) {
        folder.chop(1);
    }
    return folder;
}

// The folder the file browser starts in; the Windows browser was rooted at the desktop.
QString browseRoot() {
    return QDir::homePath();
}

}  // namespace

DialogHandler setDialogHandler(DialogHandler handler) {
    return std::exchange(installedHandler(), std::move(handler));
}

// "A|a|B|b" -> "A (a);;B (b)"; a trailing description without a pattern is dropped.
QString qtFilterFrom(const QString& pipeFilter) {
    const QStringList pieces = pipeFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        filters.append(pieces.at(i) + QStringLiteral(" (") + pieces.at(i + 1) + u')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString CCommonDialogs::Title() const {
    return upToNul(title_);
}
QString CCommonDialogs::Path() const {
    return upToNul(path_);
}
QString CCommonDialogs::FileTitle() const {
    return upToNul(fileTitle_);
}
QString CCommonDialogs::FileName() const {
    return upToNul(fileName_);
}

bool CCommonDialogs::takeChosenFile(const DialogAnswer& answer) {
    if (!answer.accepted || answer.path.isEmpty()) {
        return false;
    }
    const qsizetype cut = answer.path.lastIndexOf(kSeparator);
    fileName_ = answer.path;
    fileTitle_ = answer.path.mid(cut + 1);
    // A file in the root keeps "/" as its folder: an empty Path would mean the working folder.
    if (cut == 0) {
        path_ = paths::kSeparatorText;
    } else if (cut > 0) {
        path_ = answer.path.left(cut);
    }
    return true;
}

bool CCommonDialogs::ShowPrinter() {
    DialogRequest request;
    request.kind = DialogRequest::Printer;
    request.owner = owner_;
    return runDialog(request).accepted;
}

bool CCommonDialogs::ShowFolder() {
    DialogRequest request;
    request.kind = DialogRequest::Folder;
    request.title = Title();
    request.startFolder = browseRoot();
    request.owner = owner_;
    const DialogAnswer answer = runDialog(request);
    if (!answer.accepted || answer.path.isEmpty()) {
        return false;
    }
    path_ = folderWithoutTrailingSeparator(upToNul(answer.path));
    fileName_.clear();
    fileTitle_.clear();
    return true;
}

bool CCommonDialogs::ShowColor(bool FullOpen) {
    // Qt's colour dialog always shows its custom-colour panel.
    Q_UNUSED(FullOpen);
    DialogRequest request;
    request.kind = DialogRequest::Color;
    request.color = color_;
    request.owner = owner_;
    const DialogAnswer answer = runDialog(request);
    if (!answer.accepted) {
        return false;
    }
    color_ = answer.color & 0x00FFFFFF;
    return true;
}

bool CCommonDialogs::ShowFont() {
    DialogRequest request;
    request.kind = DialogRequest::Font;
    request.font.setFamily(fontName_);
    if (fontSize_ > 0) {
        request.font.setPointSize(fontSize_);
    }
    request.font.setBold(fontBold_);
    request.font.setItalic(fontItalic_);
    request.font.setUnderline(fontUnderline_);
    request.color = color_;
    request.owner = owner_;
    const DialogAnswer answer = runDialog(request);
    if (!answer.accepted) {
        return false;
    }
    fontName_ = answer.font.family();
    fontBold_ = answer.font.bold();
    fontItalic_ = answer.font.italic();
    fontSize_ = static_cast<qint16>(qRound(answer.font.pointSizeF()));
    return true;
}

bool CCommonDialogs::ShowOpen() {
    DialogRequest request;
    request.kind = DialogRequest::Open;
    request.title = Title();
    request.startFolder = Path().isEmpty() ? QDir::currentPath() : Path();
    request.filter = qtFilterFrom(filter_);
    request.fileName = FileName();
    request.defaultSuffix = defExt_;
    request.owner = owner_;
    return takeChosenFile(runDialog(request));
}

bool CCommonDialogs::ShowPrinterProperties() {
    // Without a default printer there is nothing to show properties of: a cancel.
    if (QPrinterInfo::defaultPrinter().isNull()) {
        return false;
    }
    DialogRequest request;
    request.kind = DialogRequest::PrinterProperties;
    request.owner = owner_;
    return runDialog(request).accepted;
}

bool CCommonDialogs::ShowSave() {
    DialogRequest request;
    request.kind = DialogRequest::Save;
    request.title = QStringLiteral("Save");
    request.startFolder = startFolderOrAppFolder(Path());
    request.filter = qtFilterFrom(filterOrAllFiles(filter_));
    request.owner = owner_;
    return takeChosenFile(runDialog(request));
}

QString PickOpenFile(QWidget* owner, const QString& title, const QString& startFolder,
                     const QString& filter, qint32 flags) {
    // The Windows flags only tuned the Windows dialog; the Qt dialog behaves as they asked.
    Q_UNUSED(flags);
    DialogRequest request;
    request.kind = DialogRequest::Open;
    request.title = title;
    request.startFolder = startFolderOrAppFolder(startFolder);
    request.filter = qtFilterFrom(filterOrAllFiles(filter));
    request.owner = owner;
    const DialogAnswer answer = runDialog(request);
    return answer.accepted ? upToNul(answer.path) : QString();
}

std::optional<QString> PickFolder(QWidget* owner, const QString& title) {
    DialogRequest request;
    request.kind = DialogRequest::Folder;
    request.title = title;
    request.startFolder = browseRoot();
    request.owner = owner;
    const DialogAnswer answer = runDialog(request);
    const QString folder = upToNul(answer.path);
    if (!answer.accepted || folder.isEmpty()) {
        return std::nullopt;
    }
    return folderWithoutTrailingSeparator(folder);
}

}  // namespace lumivox
