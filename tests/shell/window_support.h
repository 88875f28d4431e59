#pragma once

#include <QVector>

#include "filelist/commondialogs.h"

namespace lumivox::testing {

// Answers every dialog of the program from a script while it lives, recording the requests.
// An exhausted script cancels.
class ScriptedDialogs {
  public:
    ScriptedDialogs() {
        previous_ = setDialogHandler([this](const DialogRequest& request) {
            requests.push_back(request);
            if (answers.isEmpty()) {
                return DialogAnswer{};
            }
            return answers.takeFirst();
        });
    }
    ~ScriptedDialogs() { setDialogHandler(previous_); }
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    void accept(const QString& path) {
        DialogAnswer answer;
        answer.accepted = true;
        answer.path = path;
        answers.push_back(answer);
    }
    void cancel() { answers.push_back(DialogAnswer{}); }

    QVector<DialogAnswer> answers;
    QVector<DialogRequest> requests;

  private:
    DialogHandler previous_;
};

}  // namespace lumivox::testing
