#include "help/frmsuggest.h"

#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "help/helpcommands.h"
#include "widgets/imagebutton.h"
#include "widgets/naming.h"
#include "widgets/rescale.h"
#include "widgets/skin.h"
#include "widgets/skinnedwindow.h"

namespace lumivox {

namespace {

constexpr int kClientWidth = 286;   // 4290 twips
constexpr int kClientHeight = 140;  // 2100 twips
constexpr int kLabelLeft = 10;
constexpr int kFieldLeft = 62;
constexpr int kFieldWidth = kClientWidth - kFieldLeft - 10;
constexpr int kRowHeight = 22;
constexpr int kOffLeft = offLeft(kClientWidth);

QLineEdit* field(QWidget* form, const char* name, int top, int maxLength, const char* tip) {
    auto* box = named(new QLineEdit(form), name);
    box->setGeometry(kFieldLeft, top, kFieldWidth, kRowHeight);
    box->setMaxLength(maxLength);
    if (tip != nullptr) {
        box->setToolTip(QString::fromLatin1(tip));
    }
    return box;
}

void caption(QWidget* form, const QString& text, int top) {
    auto* label = new QLabel(text, form);
    label->setGeometry(kLabelLeft, top, kFieldLeft - kLabelLeft - 4, kRowHeight);
}

QPushButton* button(QWidget* form, const char* name, const QString& text) {
    auto* b = named(new QPushButton(text, form), name);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

frmSuggest::frmSuggest(QWidget* owner, const QString& site)
    : QDialog(owner), site_(site.isEmpty() ? help::siteAddress() : site) {
    setObjectName(QStringLiteral("frmSuggest"));
    setWindowTitle(QStringLiteral("建议和意见"));
    setFont(uiFont(9));
    setFixedSize(kClientWidth, kClientHeight);

    caption(this, QStringLiteral("姓名："), 10);
    txtName_ = field(this, "txtName", 10, 50, "Your Name");
    caption(this, QStringLiteral("EMAIL："), 40);
    txtEMail_ = field(this, "txtEMail", 40, 100, "Email");
    caption(this, QStringLiteral("留言："), 70);
    txtComment_ = field(this, "txtComment", 70, 256, nullptr);

    lblSending_ = new QLabel(this);
    lblSending_->setObjectName(QStringLiteral("lblSending"));
    lblSending_->setGeometry(kLabelLeft, 104, 120, 26);
    lblSending_->hide();
    cmdSend_ = button(this, "cmdSend", QStringLiteral("发送"));
    cmdSend_->setGeometry(kClientWidth - 10 - 2 * 70 - 6, 104, 70, 26);
    cmdBack_ = button(this, "cmdBack", QStringLiteral("返回"));
    cmdBack_->setGeometry(kClientWidth - 10 - 70, 104, 70, 26);

    // The hidden buttons that carry the two commands' click routines.
    Command1_ = button(this, "Command1", QStringLiteral("Send"));
    Command1_->setGeometry(kOffLeft, 10, 60, 22);
    Command1_->hide();
    Command2_ = button(this, "Command2", QStringLiteral("Back"));
    Command2_->setGeometry(kOffLeft, 40, 60, 22);
    Command2_->hide();

    for (QPushButton* send : {cmdSend_, Command1_}) {
        connect(send, &QPushButton::clicked, this, &frmSuggest::Command1_Click);
    }
    for (QPushButton* back : {cmdBack_, Command2_}) {
        connect(back, &QPushButton::clicked, this, &frmSuggest::Command2_Click);
    }

    setTabOrder(txtName_, txtEMail_);
    setTabOrder(txtEMail_, txtComment_);
    setTabOrder(txtComment_, cmdSend_);
    setTabOrder(cmdSend_, cmdBack_);
    txtName_->setFocus();

    // The image buttons lie right of the client area where the pointer never reaches them;
    // the bare background still resets them.
    const DialogImageButtons images =
        addDialogImageButtons(this, QStringLiteral("imgSend"), kOffLeft, 70);
    imgSend_ = images.action;
    connect(imgSend_, &ImageButton::clicked, this, &frmSuggest::Command1_Click);
    connect(images.back, &ImageButton::clicked, this, &frmSuggest::Command2_Click);
    connect(images.exit, &ImageButton::clicked, this, &frmSuggest::reject);

    wb_ = new QNetworkAccessManager(this);

    // Qt scales for high-DPI screens itself, so the load's rescale runs with the factors 1 as
    // the main window's does at start.
    rescaleForm(this, 1.0, 1.0);
}

frmSuggest::~frmSuggest() {
    abandonRequest();
}

QUrl frmSuggest::requestAddress(const QString& site, const QString& name, const QString& email,
                                const QString& comment) {
    // Everything but the unreserved characters is encoded, "+" too: a form decoder would read a
    // bare one as a space.
    const auto value = [](const QString& typed) { return QUrl::toPercentEncoding(typed); };
    const QByteArray query = "name=" + value(name) + "&age=" + value(email) +
                             "&comment=" + value(QStringLiteral("(FLAC)") + comment);
    QUrl url(site + QStringLiteral("/suggest/post.php"));
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

void frmSuggest::prompt(const QString& text, QLineEdit* box) {
    lblSending_->setText(text);
    lblSending_->show();
    box->setFocus();
}

void frmSuggest::setSendEnabled(bool on) {
    cmdSend_->setEnabled(on);
    Command1_->setEnabled(on);
    imgSend_->setEnabled(on);
}

void frmSuggest::Command1_Click() {
    if (reply_ != nullptr) {
        return;  // one request at a time
    }
    if (txtName_->text().isEmpty()) {
        prompt(QStringLiteral("您的姓名？"), txtName_);
        return;
    }
    if (txtEMail_->text().isEmpty()) {
        prompt(QStringLiteral("您的Email？"), txtEMail_);
        return;
    }
    if (txtComment_->text().isEmpty()) {
        prompt(QStringLiteral("您的意见？"), txtComment_);
        return;
    }
    lblSending_->setText(kSending);
    lblSending_->show();
    setSendEnabled(false);

    const QUrl url =
        requestAddress(site_, txtName_->text(), txtEMail_->text(), txtComment_->text());
    reply_ = wb_->get(QNetworkRequest(url));
    connect(reply_, &QNetworkReply::finished, this, &frmSuggest::requestFinished);
    // One deadline for the whole exchange, also for a server that answers a byte at a time.
    QTimer::singleShot(timeoutMs_, reply_, [reply = reply_.data()] { reply->abort(); });
}

void frmSuggest::requestFinished() {
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    if (reply == nullptr) {
        return;
    }
    reply->deleteLater();
    // A connection refused, an HTTP error status or a timeout are all errors here.
    if (reply->error() == QNetworkReply::NoError) {
        lblSending_->setText(kSent);
    } else {
        lblSending_->setText(kSendFailed);
        setSendEnabled(true);
    }
    emit requestEnded();
}

void frmSuggest::abandonRequest() {
    if (reply_ == nullptr) {
        return;
    }
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    reply->deleteLater();
}

void frmSuggest::Command2_Click() {
    reject();
}

void frmSuggest::done(int result) {
    abandonRequest();
    QDialog::done(result);
}

}  // namespace lumivox
