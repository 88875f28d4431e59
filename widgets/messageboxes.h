#pragma once

#include <QMessageBox>

#include "engine/base/messages.h"

namespace lumivox {

// Shows every message of the program as a modal QMessageBox on the active window.
void installMessageBoxes();

// Critical -> Critical, Exclamation -> Warning, Information -> Information,
// Question -> Question.
QMessageBox::Icon messageBoxIcon(MessageIcon icon);

}  // namespace lumivox
