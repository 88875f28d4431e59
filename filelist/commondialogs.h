#pragma once

#include <QFont>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace lumivox {

// Every file, folder, colour, font and printer dialog goes through this seam, so tests can
// answer or cancel them without a modal dialog on screen.
struct DialogRequest {
    enum Kind { Open, Save, Folder, Color, Font, Printer, PrinterProperties };
    Kind kind = Open;
    QString title;
    QString startFolder;       // open/save: the folder the dialog starts in
    QString filter;            // Qt form: "A (a);;B (b)"
    QString fileName;          // open/save: the name shown at start
    quint32 color = 0;         // colour/font: initial colour, red in the low byte
    QFont font;                // font: initial font
    QString defaultSuffix;     // open: appended to a name typed without an extension
    QWidget* owner = nullptr;  // the window the dialog is modal to
};
struct DialogAnswer {
    bool accepted = false;
    QString path;       // open/save: the file; folder: the folder
    quint32 color = 0;  // colour
    QFont font;         // font
};
using DialogHandler = std::function<DialogAnswer(const DialogRequest&)>;
// Installs a handler and returns the one it replaces. Without one, real (non-native) Qt dialogs.
DialogHandler setDialogHandler(DialogHandler handler);

// "FLAC声音文件(*.FLAC, *.flac)|*.flac|所有格式文件(*.*)|*.*"
//   -> "FLAC声音文件(*.FLAC, *.flac) (*.flac);;所有格式文件(*.*) (*.*)"
QString qtFilterFrom(const QString& pipeFilter);

// Dialog settings and results kept as properties; one instance lives as long as the main window.
class CCommonDialogs {
  public:
    bool FontUnderline() const { return fontUnderline_; }
    void setFontUnderline(bool vData) { fontUnderline_ = vData; }
    bool FontItalic() const { return fontItalic_; }
    void setFontItalic(bool vData) { fontItalic_ = vData; }
    bool FontBold() const { return fontBold_; }
    void setFontBold(bool vData) { fontBold_ = vData; }
    qint16 FontSize() const { return fontSize_; }
    void setFontSize(qint16 vData) { fontSize_ = vData; }
    QString FontName() const { return fontName_; }
    void setFontName(const QString& vData) { fontName_ = vData; }
    quint32 Color() const { return color_; }
    void setColor(quint32 nNew) { color_ = nNew; }
    QString DefExt() const { return defExt_; }
    void setDefExt(const QString& vData) { defExt_ = vData; }
    QString Title() const;
    void setTitle(const QString& vData) { title_ = vData; }
    void Init(QWidget* OwnerForm) { owner_ = OwnerForm; }
    QString Path() const;
    void setPath(const QString& vData) { path_ = vData; }
    QString FileTitle() const;
    void setFileTitle(const QString& vData) { fileTitle_ = vData; }
    QString Filter() const { return filter_; }
    void setFilter(const QString& vNewValue) { filter_ = vNewValue; }
    QString FileName() const;
    void setFileName(const QString& sNewVal) { fileName_ = sNewVal; }

    // Each returns true when the user confirmed; on cancel or failure the properties stay.
    bool ShowPrinter();
    bool ShowFolder();
    bool ShowColor(bool FullOpen = false);
    bool ShowFont();
    bool ShowOpen();
    bool ShowPrinterProperties();
    bool ShowSave();

  private:
    // Takes a confirmed open/save answer into FileName, FileTitle and Path.
    bool takeChosenFile(const DialogAnswer& answer);

    bool fontUnderline_ = false;
    bool fontItalic_ = false;
    bool fontBold_ = false;
    qint16 fontSize_ = 0;
    QString fontName_;
    quint32 color_ = 0;
    QString defExt_;
    QString title_;
    QWidget* owner_ = nullptr;
    QString path_;
    QString fileTitle_;
    QString filter_;
    QString fileName_;
};

// Single-file open dialog; the chosen path, or an empty text on cancel. A start folder that is
// empty or does not exist means the application's folder; an empty filter means "*.*|*.*".
QString PickOpenFile(QWidget* owner, const QString& title, const QString& startFolder,
                     const QString& filter, qint32 flags);

// Folder browser; the chosen folder (the root keeps its separator, others have none), or nullopt
// on cancel.
std::optional<QString> PickFolder(QWidget* owner, const QString& title);

}  // namespace lumivox
