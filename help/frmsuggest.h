#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QUrl>

class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;

namespace lumivox {

class ImageButton;

// The feedback form: name, e-mail address and comment go to the maker's endpoint as the query of
// one GET request, and lblSending tells how far it got.
class frmSuggest : public QDialog {
    Q_OBJECT
  public:
    // site: scheme and host of the feedback endpoint; empty means the maker's site.
    explicit frmSuggest(QWidget* owner = nullptr, const QString& site = QString());
    ~frmSuggest() override;

    // The request address: site + "/suggest/post.php?name=" + name + "&age=" + e-mail +
    // "&comment=(FLAC)" + comment, each value percent-encoded as a form value, so whatever was
    // typed ("&", "+", "=", "#", "%", any script) arrives as typed.
    static QUrl requestAddress(const QString& site, const QString& name, const QString& email,
                               const QString& comment);

    // A request that has no answer within this time has failed.
    void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }

    QLineEdit* txtName() const { return txtName_; }
    QLineEdit* txtEMail() const { return txtEMail_; }
    QLineEdit* txtComment() const { return txtComment_; }
    QLabel* lblSending() const { return lblSending_; }
    QPushButton* cmdSend() const { return cmdSend_; }
    QPushButton* cmdBack() const { return cmdBack_; }

    // The send command: checks the three fields in order, then starts the request.
    void Command1_Click();
    // The back command: closes the form.
    void Command2_Click();

    // Closing the form by any way abandons a running request.
    void done(int result) override;

  signals:
    // The request has ended, well or not; lblSending says which.
    void requestEnded();

  private:
    void prompt(const QString& text, QLineEdit* field);
    void setSendEnabled(bool on);
    void requestFinished();
    void abandonRequest();

    QString site_;
    int timeoutMs_ = 20000;
    QLineEdit* txtName_ = nullptr;
    QLineEdit* txtEMail_ = nullptr;
    QLineEdit* txtComment_ = nullptr;
    QLabel* lblSending_ = nullptr;
    QPushButton* cmdSend_ = nullptr;
    QPushButton* cmdBack_ = nullptr;
    QPushButton* Command1_ = nullptr;
    QPushButton* Command2_ = nullptr;
    ImageButton* imgSend_ = nullptr;
    QNetworkAccessManager* wb_ = nullptr;
    QPointer<QNetworkReply> reply_;
};

inline const QString kSending = QStringLiteral("正在发送...");
inline const QString kSent = QStringLiteral("完毕.");
inline const QString kSendFailed = QStringLiteral("发送失败.");

}  // namespace lumivox
