// The feedback form against a small HTTP server on 127.0.0.1 that records each request line.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>

#include "help/frmsuggest.h"

namespace lumivox {
namespace {

const QByteArray kOk = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
const QByteArray kError = "HTTP/1.1 500 Oops\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
const QByteArray kDrop = "drop";  // close the connection without a word
const QByteArray kSilence;        // never answer

// Answers every request whose header has arrived with `answer`, recording its first line.
class RecordingServer : public QTcpServer {
  public:
    explicit RecordingServer(const QByteArray& answer) {
        connect(this, &QTcpServer::newConnection, this, [this, answer] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, answer] {
                const QByteArray head = socket->peek(4096);
                if (!head.contains("\r\n\r\n")) {
                    return;
                }
                socket->readAll();
                requestLines << head.left(head.indexOf("\r\n"));
                if (answer == kDrop) {
                    socket->abort();
                } else if (!answer.isEmpty()) {
                    socket->write(answer);
                    socket->disconnectFromHost();
                }
            });
        });
        EXPECT_TRUE(listen(QHostAddress::LocalHost));
    }
    QString site() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

    QList<QByteArray> requestLines;
};

void fill(frmSuggest& form, const QString& name, const QString& email, const QString& comment) {
    form.txtName()->setText(name);
    form.txtEMail()->setText(email);
    form.txtComment()->setText(comment);
}

TEST(FeedbackForm, DesignStateLimitsAndKeyboardOrder) {
    frmSuggest form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("建议和意见"));
    EXPECT_EQ(form.size(), QSize(286, 140));
    EXPECT_EQ(form.txtName()->maxLength(), 50);
    EXPECT_EQ(form.txtEMail()->maxLength(), 100);
    EXPECT_EQ(form.txtComment()->maxLength(), 256);
    EXPECT_EQ(form.txtName()->toolTip(), "Your Name");
    EXPECT_EQ(form.txtEMail()->toolTip(), "Email");
    EXPECT_TRUE(form.lblSending()->isHidden());

    EXPECT_EQ(QApplication::focusWidget(), form.txtName());
    for (QWidget* next :
         {static_cast<QWidget*>(form.txtEMail()), static_cast<QWidget*>(form.txtComment()),
          static_cast<QWidget*>(form.cmdSend()), static_cast<QWidget*>(form.cmdBack())}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST(FeedbackForm, PromptsForTheMissingFieldsInOrder) {
    RecordingServer server(kOk);
    frmSuggest form(nullptr, server.site());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const QString prompts[] = {QStringLiteral("您的姓名？"), QStringLiteral("您的Email？"),
                               QStringLiteral("您的意见？")};
    QLineEdit* fields[] = {form.txtName(), form.txtEMail(), form.txtComment()};
    for (int filled = 0; filled < 3; ++filled) {
        fill(form, filled > 0 ? "a" : "", filled > 1 ? "b" : "", "");
        QTest::mouseClick(form.cmdSend(), Qt::LeftButton);
        EXPECT_EQ(form.lblSending()->text(), prompts[filled]);
        EXPECT_TRUE(form.lblSending()->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), fields[filled]);
    }
    QTest::qWait(50);
    EXPECT_TRUE(server.requestLines.isEmpty()) << "nothing is sent while a field is missing";
}

// The query of a request line read as a form server reads it: pairs split at "&" and the first
// "=", "+" a space, then percent codes.
QList<QPair<QString, QString>> formFields(const QByteArray& requestLine) {
    const QByteArray target = requestLine.split(' ').value(1);
    QList<QPair<QString, QString>> fields;
    for (const QByteArray& pair : target.mid(target.indexOf('?') + 1).split('&')) {
        const auto decode = [](QByteArray part) {
            return QUrl::fromPercentEncoding(part.replace('+', ' '));
        };
        const qsizetype equals = pair.indexOf('=');
        fields.append({decode(pair.left(equals)), decode(pair.mid(equals + 1))});
    }
    return fields;
}

// Whatever is typed arrives as typed, under the three names in their order.
TEST(FeedbackForm, SendsTheFieldsAsTyped) {
    struct Case {
        QString name, email, comment;
    };
    const QString awkward = QStringLiteral("& + = # % %41 ");
    const Case cases[] = {
        {"a", "b", "c"},
        {QStringLiteral("王 小明 ") + awkward, "a&b=c+d#e%f@x.y",
         QStringLiteral("好用？") + awkward},
        {awkward, awkward, awkward},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        RecordingServer server(kOk);
        frmSuggest form(nullptr, server.site());
        QSignalSpy ended(&form, &frmSuggest::requestEnded);
        fill(form, c.name, c.email, c.comment);
        form.Command1_Click();
        EXPECT_EQ(form.lblSending()->text(), kSending);
        EXPECT_FALSE(form.cmdSend()->isEnabled());
        ASSERT_TRUE(ended.wait(5000));
        ASSERT_EQ(server.requestLines.size(), 1);
        const QByteArray line = server.requestLines.at(0);
        EXPECT_TRUE(line.startsWith("GET /suggest/post.php?name=")) << line.data();
        EXPECT_TRUE(line.endsWith(" HTTP/1.1")) << line.data();
        const QList<QPair<QString, QString>> expected = {
            {"name", c.name}, {"age", c.email}, {"comment", "(FLAC)" + c.comment}};
        EXPECT_EQ(formFields(line), expected) << line.data();
        EXPECT_EQ(form.lblSending()->text(), kSent);
        EXPECT_FALSE(form.cmdSend()->isEnabled()) << "done: the only way on is closing";
    }
}

// An error status, a dropped connection, no answer in time or no server at all.
TEST(FeedbackForm, AFailedRequestSaysSoAndAllowsARetry) {
    for (const QByteArray& answer : {kError, kDrop, kSilence, QByteArray("refuse")}) {
        RecordingServer server(answer);
        if (answer == "refuse") {
            server.close();
        }
        frmSuggest form(nullptr, server.site());
        form.setTimeout(300);
        QSignalSpy ended(&form, &frmSuggest::requestEnded);
        fill(form, "a", "b", "c");
        for (int attempt = 0; attempt < 2; ++attempt) {
            QTest::mouseClick(form.cmdSend(), Qt::LeftButton);
            ASSERT_TRUE(ended.wait(5000)) << answer.data();
            EXPECT_EQ(form.lblSending()->text(), kSendFailed) << answer.data();
            EXPECT_TRUE(form.cmdSend()->isEnabled()) << answer.data();
        }
        // Qt resends a GET once when the connection drops, so count at least one a try.
        EXPECT_GE(server.requestLines.size(), answer == "refuse" ? 0 : 2) << answer.data();
    }
}

TEST(FeedbackForm, ClosingMidRequestAbandonsIt) {
    RecordingServer server(kSilence);
    auto* form = new frmSuggest(nullptr, server.site());
    QSignalSpy ended(form, &frmSuggest::requestEnded);
    form->show();
    fill(*form, "a", "b", "c");
    form->Command1_Click();
    QTRY_COMPARE_WITH_TIMEOUT(server.requestLines.size(), 1, 5000);
    QTest::mouseClick(form->cmdBack(), Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    delete form;
    QTest::qWait(100);  // an abandoned request must not call into the deleted form
    EXPECT_EQ(ended.count(), 0);
}

}  // namespace
}  // namespace lumivox
