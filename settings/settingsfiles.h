#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "settings/options.h"

namespace lumivox {

namespace settings {

inline const QString kSetupFile = QStringLiteral("setup.ini");
inline const QString kOptionsFile = QStringLiteral("options.ini");

// Record format: one value a line, CRLF line ends, the locale's 8-bit encoding; strings wrapped
// in double quotes with nothing escaped, numbers bare. Reading accepts LF or CRLF; a value ends at
// the end of its line or at a comma outside quotes; a quoted value runs to the last quote of its
// line, and the surrounding quotes are removed.
QByteArray encodeRecords(const QStringList& values, const QList<bool>& quoted);
QStringList decodeRecords(const QByteArray& bytes);

// Writes the whole file atomically: a failed or interrupted write leaves the earlier file.
bool writeRecords(const QString& path, const QStringList& values, const QList<bool>& quoted);
// nullopt when the file does not exist or cannot be read.
std::optional<QStringList> readRecords(const QString& path);

// The five choices of the main window, in file order.
struct SetupChoices {
    int bitratePosition = -1;     // cmbBR
    int sampleRatePosition = -1;  // cmbR
    int channelPosition = -1;     // cmbChannel
    QString outputFolder;         // txtPath
    int formatPosition = -1;      // cmbOF
};

bool saveSetup(const QString& path, const SetupChoices& choices);
// The raw values present in the file, in order (at most five); nullopt when it does not exist.
std::optional<QStringList> readSetupValues(const QString& path);
// A position value as a 16-bit integer (decimal text, rounded half to even); nullopt when the
// text is not a number or does not fit.
std::optional<qint16> positionFromText(const QString& text);

// Whether a restored output folder is usable text: no bytes that failed to decode and no control
// characters. A damaged setup.ini must not send the next batch into a folder of garbage.
bool isUsableFolderText(const QString& text);

// Values that are not numbers read as 0 (leading number); a value too large for its type is
// skipped and keeps what `into` held. A missing file switches the sound on and the cutter off
// and leaves the times.
void loadOptions(const QString& path, Options& into);
// From a fresh Options.
Options loadOptions(const QString& path);
bool saveOptions(const QString& path, const Options& values);

}  // namespace settings
}  // namespace lumivox
