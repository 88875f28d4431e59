#pragma once

#include <QtGlobal>

namespace lumivox {

// The choices of the options dialog, as options.ini keeps them. The program holds one value;
// the dialog edits it and the batch asks it whether to play the sound.
struct Options {
    qint16 soundPrompt = 0;  // 0: completion sound on; anything else: off
    qint16 cutter = 0;       // 0 clear, 1 ticked
    qint32 cutFrom = 0;      // seconds
    qint32 cutTo = 0;        // seconds

    bool completionSoundWanted() const { return soundPrompt == 0; }
};

}  // namespace lumivox
