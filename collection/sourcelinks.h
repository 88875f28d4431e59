#pragma once

#include <QByteArray>
#include <QString>

namespace lumivox {

// The tools take their input as text, so a source whose true name is not UTF-8 is handed to
// them through a link with its readable name in the private work folder, beside links to the
// cover pictures of its folder (the MP3's cover comes from there). One source at a time; the
// links go when the next source is reached, on clear() and with this object. Nothing is made
// in the source folder.
class SourceLinks {
  public:
    SourceLinks() = default;
    SourceLinks(const SourceLinks&) = delete;
    SourceLinks& operator=(const SourceLinks&) = delete;
    ~SourceLinks() { clear(); }

    // The path the tools open: readablePath itself when nativePath is empty, else the link.
    // readablePath too when no link can be made (the tool then names the failure).
    QString reach(const QString& readablePath, const QByteArray& nativePath);
    void clear();

  private:
    QString folder_;  // the links' folder while it exists
};

}  // namespace lumivox
