#include <gtest/gtest.h>

#include "library/syncdecision.h"
#include "library/syncrecord.h"
#include "library/syncrun.h"

namespace {

using namespace lumivox::library;

SyncRecord base(bool md5) {
    SyncRecord r;
    r.source = QStringLiteral("Album 1/01 夜來香.flac");
    r.sound.md5 = md5 ? QByteArray("0123456789abcdef0123456789abcdef") : QByteArray();
    r.sound.size = 1000;
    r.sound.mtimeMs = 1700000000000;
    r.sound.audioHash = "aa11";
    r.tags = "t1";
    r.output =
        outputKey(QStringLiteral("128"), QStringLiteral("44100"), 2, QStringLiteral("cbr"), false);
    return r;
}

struct Case {
    const char* name;
    bool stored;
    bool md5;
    std::function<void(SyncRecord&)> change;  // the source as it is now
    QByteArray audioNow;                      // what hashing its audio would give
    SyncAction expected;
    bool hashes;  // whether the audio had to be read
};

class Decision : public ::testing::TestWithParam<Case> {};

TEST_P(Decision, FollowsWhatChanged) {
    const Case& c = GetParam();
    const SyncRecord stored = base(c.md5);
    SyncRecord now = base(c.md5);
    now.sound.audioHash.clear();  // not taken yet
    c.change(now);
    bool hashed = false;
    const SyncAction action = decideSync(c.stored ? std::optional(stored) : std::nullopt, now, [&] {
        hashed = true;
        return c.audioNow;
    });
    EXPECT_EQ(action, c.expected) << c.name;
    EXPECT_EQ(hashed, c.hashes) << c.name;
}

const auto noChange = [](SyncRecord&) {};

INSTANTIATE_TEST_SUITE_P(
    Table, Decision,
    ::testing::Values(Case{"new", false, true, noChange, {}, SyncAction::Encode, false},
                      Case{"unchanged", true, true, noChange, {}, SyncAction::Skip, false},
                      Case{"sound changed",
                           true,
                           true,
                           [](SyncRecord& r) { r.sound.md5 = "ffffffffffffffffffffffffffffffff"; },
                           {},
                           SyncAction::Encode,
                           false},
                      Case{"tags changed",
                           true,
                           true,
                           [](SyncRecord& r) {
                               r.tags = "t2";
                               r.sound.size = 1200;
                               r.sound.mtimeMs += 5000;
                           },
                           {},
                           SyncAction::Retag,
                           false},
                      Case{"settings changed",
                           true,
                           true,
                           [](SyncRecord& r) {
                               r.output = outputKey(QStringLiteral("320"), QStringLiteral("44100"),
                                                    2, QStringLiteral("cbr"), false);
                           },
                           {},
                           SyncAction::Encode,
                           false},
                      Case{"tag version changed",
                           true,
                           true,
                           [](SyncRecord& r) {
                               r.output = outputKey(QStringLiteral("128"), QStringLiteral("44100"),
                                                    2, QStringLiteral("cbr"), true);
                           },
                           {},
                           SyncAction::Encode,
                           false},
                      Case{"moved to another disk",
                           true,
                           true,
                           [](SyncRecord& r) { r.sound.mtimeMs = 1800000000000; },
                           {},
                           SyncAction::Skip,
                           false},
                      Case{"no MD5, untouched", true, false, noChange, {}, SyncAction::Skip, false},
                      Case{"no MD5, retagged", true, false,
                           [](SyncRecord& r) {
                               r.tags = "t2";
                               r.sound.size = 1100;
                           },
                           "aa11", SyncAction::Retag, true},
                      Case{"no MD5, copied: same audio, record refreshed", true, false,
                           [](SyncRecord& r) { r.sound.mtimeMs = 1800000000000; }, "aa11",
                           SyncAction::Retag, true},
                      Case{"no MD5, sound replaced", true, false,
                           [](SyncRecord& r) { r.sound.size = 2000; }, "bb22", SyncAction::Encode,
                           true},
                      Case{"MD5 set now, none before",
                           true,
                           false,
                           [](SyncRecord& r) { r.sound.md5 = "0123456789abcdef0123456789abcdef"; },
                           {},
                           SyncAction::Encode,
                           false}));

TEST(Record, ReadsBackWhatItWrites) {
    SyncRecord r = base(true);
    r.source = QStringLiteral("A=B %/有 空格/x.flac");
    const QString text = recordText(r);
    for (const QChar c : text) {
        ASSERT_LT(c.unicode(), 128) << "one line of ASCII";
    }
    const auto back = parseRecord(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->source, r.source);
    EXPECT_EQ(back->sound.md5, r.sound.md5);
    EXPECT_EQ(back->sound.size, r.sound.size);
    EXPECT_EQ(back->sound.mtimeMs, r.sound.mtimeMs);
    EXPECT_EQ(back->sound.audioHash, r.sound.audioHash);
    EXPECT_EQ(back->tags, r.tags);
    EXPECT_EQ(back->output, r.output);
    EXPECT_EQ(back->track, 0);
    r.track = 3;
    const auto track = parseRecord(recordText(r));
    ASSERT_TRUE(track);
    EXPECT_EQ(track->track, 3);
    EXPECT_NE(recordKey(track->source, 3), recordKey(track->source, 0))
        << "an image's tracks are found apart from a whole file of the same name";
    EXPECT_FALSE(parseRecord(QStringLiteral("a comment of the user's")));
    EXPECT_FALSE(parseRecord(QStringLiteral("lumivox-sync/1 md5=00")));  // no source
}

TEST(Names, StableAndRelative) {
    EXPECT_EQ(stableMp3Path(QStringLiteral("/o/A/"), QStringLiteral("/m/A/01 Old One.flac")),
              QStringLiteral("/o/A/01 Old One.mp3"));
    EXPECT_EQ(sourceRelativePath(QStringLiteral("/m/Artist A/Album 1/01.flac"),
                                 QStringLiteral("/m/Artist A")),
              QStringLiteral("Album 1/01.flac"));
    EXPECT_EQ(sourceRelativePath(QStringLiteral("/x/01.flac"), QString()),
              QStringLiteral("01.flac"));
    const QString work = syncWorkPath(QStringLiteral("/o/A/01.mp3"));
    EXPECT_TRUE(work.startsWith(QStringLiteral("/o/A/.lumivox-sync-"))) << work.toStdString();
    EXPECT_TRUE(work.endsWith(QStringLiteral(".mp3")));
}

}  // namespace

namespace {

TEST(Commands, CarryTheRecordBeforeTheOutput) {
    using lumivox::library::SyncRun;
    const QString encode = QStringLiteral(
        "/app/data/coder.exe -i \"/m/A/01.flac\" -y -vn -ar 44100 -ab 128k -ac 2 \"/o/A/.w.mp3\"");
    EXPECT_EQ(SyncRun::withRecord(encode, "/o/A/.w.mp3", "lumivox-sync/1 src=A/01.flac"),
              "/app/data/coder.exe -i \"/m/A/01.flac\" -y -vn -ar 44100 -ab 128k -ac 2 -metadata "
              "\"LUMIVOX_SYNC=lumivox-sync/1 src=A/01.flac\" \"/o/A/.w.mp3\"");
    const QString retag = QStringLiteral(
        "/app/data/coder.exe -i \"/m/A/01.flac\" -y -vn -ar 44100 -ab 128k -ac 2 \"/o/A/01.mp3\"");
    EXPECT_EQ(SyncRun::retagCommand(retag, "/o/A/01.mp3", "r"),
              "/app/data/coder.exe --retag -i \"/m/A/01.flac\" -y -vn -ar 44100 -ab 128k -ac 2 "
              "-metadata \"LUMIVOX_SYNC=r\" \"/o/A/01.mp3\"");
}

}  // namespace
