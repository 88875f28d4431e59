#pragma once
// A program of its own in a temporary folder, its window set to MP3 at 44.1 kHz stereo into out/,
// every message recorded: the start of each end-to-end test that converts through the window.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>

#include <memory>

#include "engine/base/messages.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "tests/shell/e2e_support.h"

namespace lumivox::testing {

class Mp3WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        useProgramFolderIn(dir_);
        setMessageHandler([this](const Message& m) { messages_.append(m); });
        program_ = std::make_unique<MainProgram>();
        out_ = dir_.filePath("out");
        window().txtPath()->setText(out_);
        window().formatBoxes()->selectFormat(8);
        window().cmbR()->setEditText("44100");
        window().cmbChannel()->setCurrentIndex(1);
    }
    void TearDown() override {
        program_.reset();
        restoreProgramSeams();
    }
    frmMain& window() { return program_->window(); }

    QTemporaryDir dir_;
    QString out_;
    std::unique_ptr<MainProgram> program_;
    QList<Message> messages_;
};

}  // namespace lumivox::testing
