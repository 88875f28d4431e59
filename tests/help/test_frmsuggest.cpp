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

#include "frmsuggest.h"

namespace lumivox {
namespace {

// How the server treats a request once its header has arrived.
enum class Answer { Status200, Status500, Drop, Silence };

class RecordingServer : public QObject {
  public:
    explicit RecordingServer(Answer answer) : answer_(answer) {
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] { accept(); });
        listening = server_.listen(QHostAddress::LocalHost);
    }
    QString site() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }

    bool listening = false;
    QList<QByteArray> requestLines;

  private:
    void accept() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                buffer_ += socket->readAll();
                if (!buffer_.contains("\r\n\r\n")) {
                    return;
                }
                requestLines << buffer_.left(buffer_.indexOf("\r\n"));
                buffer_.clear();
                answer(socket);
            });
        }
    }
    void answer(QTcpSocket* socket) {
        switch (answer_) {
            case Answer::Status200:
            case Answer::Status500: {
                const QByteArray status =
                    answer_ == Answer::Status200 ? "200 OK" : "500 Internal Server Error";
                socket->write("HTTP/1.1 " + status +
                              "\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
                socket->disconnectFromHost();
                break;
            }
            case Answer::Drop:
                socket->abort();
                break;
            case Answer::Silence:
                break;
        }
    }

    QTcpServer server_;
    Answer answer_;
    QByteArray buffer_;
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
    EXPECT_EQ(QApplication::focusWidget(), form.txtName());
    EXPECT_EQ(form.txtName()->maxLength(), 50);
    EXPECT_EQ(form.txtEMail()->maxLength(), 100);
    EXPECT_EQ(form.txtComment()->maxLength(), 256);
    EXPECT_EQ(form.txtName()->toolTip(), "Your Name");
    EXPECT_EQ(form.txtEMail()->toolTip(), "Email");
    EXPECT_TRUE(form.lblSending()->isHidden());
    EXPECT_TRUE(form.cmdSend()->isEnabled());

    const QList<QWidget*> order = {form.txtEMail(), form.txtComment(), form.cmdSend(),
                                   form.cmdBack()};
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST(FeedbackForm, PromptsForTheMissingFieldsInOrder) {
    RecordingServer server(Answer::Status200);
    frmSuggest form(nullptr, server.site());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    struct Step {
        const char* name;
        const char* email;
        QString prompt;
        QLineEdit* focus;
    };
    const Step steps[] = {
        {"", "", QStringLiteral("您的姓名？"), form.txtName()},
        {"a", "", QStringLiteral("您的Email？"), form.txtEMail()},
        {"a", "b", QStringLiteral("您的意见？"), form.txtComment()},
    };
    for (const Step& step : steps) {
        fill(form, QString::fromUtf8(step.name), QString::fromUtf8(step.email), QString());
        QTest::mouseClick(form.cmdSend(), Qt::LeftButton);
        EXPECT_EQ(form.lblSending()->text(), step.prompt);
        EXPECT_TRUE(form.lblSending()->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), step.focus);
        EXPECT_TRUE(form.cmdSend()->isEnabled());
    }
    QTest::qWait(50);
    EXPECT_TRUE(server.requestLines.isEmpty()) << "nothing is sent while a field is missing";
}

// What arrives at the server, byte for byte, for what was typed.
TEST(FeedbackForm, SendsTheFieldsAsTyped) {
    struct Case {
        QString name, email, comment;
        QByteArray requestLine;
    };
    const Case cases[] = {
        {"a", "b", "c", "GET /suggest/post.php?name=a&age=b&comment=(FLAC)c HTTP/1.1"},
        {" ", "b", "c", "GET /suggest/post.php?name=%20&age=b&comment=(FLAC)c HTTP/1.1"},
        {QStringLiteral("王"), "x@y.z", QStringLiteral("好 用&快"),
         "GET /suggest/post.php?name=%E7%8E%8B&age=x@y.z&comment=(FLAC)%E5%A5%BD%20%E7%94%A8&"
         "%E5%BF%AB HTTP/1.1"},
    };
    for (const Case& c : cases) {
        RecordingServer server(Answer::Status200);
        ASSERT_TRUE(server.listening);
        frmSuggest form(nullptr, server.site());
        QSignalSpy ended(&form, &frmSuggest::requestEnded);
        fill(form, c.name, c.email, c.comment);
        form.Command1_Click();
        EXPECT_EQ(form.lblSending()->text(), kSending);
        EXPECT_FALSE(form.cmdSend()->isEnabled());
        ASSERT_TRUE(ended.wait(5000));
        ASSERT_EQ(server.requestLines.size(), 1);
        EXPECT_EQ(server.requestLines.at(0), c.requestLine);
        EXPECT_EQ(form.lblSending()->text(), kSent);
        EXPECT_FALSE(form.cmdSend()->isEnabled()) << "done: the only way on is closing";
    }
}

TEST(FeedbackForm, AFailedRequestSaysSoAndAllowsARetry) {
    const Answer answers[] = {Answer::Status500, Answer::Drop, Answer::Silence};
    for (const Answer answer : answers) {
        RecordingServer server(answer);
        frmSuggest form(nullptr, server.site());
        form.setTimeout(300);
        QSignalSpy ended(&form, &frmSuggest::requestEnded);
        fill(form, "a", "b", "c");
        form.Command1_Click();
        ASSERT_TRUE(ended.wait(5000)) << static_cast<int>(answer);
        EXPECT_EQ(form.lblSending()->text(), kSendFailed) << static_cast<int>(answer);
        ASSERT_TRUE(form.cmdSend()->isEnabled()) << static_cast<int>(answer);
        // Qt resends a GET once when the connection drops, so count requests, not lines.
        const qsizetype before = server.requestLines.size();
        EXPECT_GE(before, 1);
        QTest::mouseClick(form.cmdSend(), Qt::LeftButton);
        EXPECT_EQ(form.lblSending()->text(), kSending);
        ASSERT_TRUE(ended.wait(5000));
        EXPECT_GT(server.requestLines.size(), before) << "the retry sends again";
    }
}

TEST(FeedbackForm, NoServerAtAllIsAFailure) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();  // nobody listens there now: the connection is refused
    frmSuggest form(nullptr, QStringLiteral("http://127.0.0.1:%1").arg(port));
    QSignalSpy ended(&form, &frmSuggest::requestEnded);
    fill(form, "a", "b", "c");
    form.Command1_Click();
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_EQ(form.lblSending()->text(), kSendFailed);
}

TEST(FeedbackForm, ClosingMidRequestAbandonsIt) {
    RecordingServer server(Answer::Silence);
    auto* form = new frmSuggest(nullptr, server.site());
    QPointer<frmSuggest> alive(form);
    QSignalSpy ended(form, &frmSuggest::requestEnded);
    form->show();
    fill(*form, "a", "b", "c");
    form->Command1_Click();
    QTRY_COMPARE_WITH_TIMEOUT(server.requestLines.size(), 1, 5000);
    QTest::mouseClick(form->cmdBack(), Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    delete form;
    QTest::qWait(100);  // an abandoned request must not call into the deleted form
    EXPECT_TRUE(alive.isNull());
    EXPECT_EQ(ended.count(), 0);
}

}  // namespace
}  // namespace lumivox
