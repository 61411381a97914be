// The window's reading of a run: the engine's typed events become the log records and the
// operated-file count the window has always kept, word for word.
#include "app/run_records.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "app/run_session.h"
#include "profiles/log_kind.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/virtual_message_loop.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Written {
  LogKind kind;
  std::string text;
  bool operator==(const Written&) const = default;
};
void PrintTo(const Written& w, std::ostream* os) {
  *os << static_cast<int>(w.kind) << " " << w.text;
}

class RunRecordsTest : public ::testing::Test {
 protected:
  RunRecordsTest() {
    item.Profile.SetName("Docs");
    item.Profile.SetSrcDir("/home/u/docs");
    item.Profile.SetDestDir("/mnt/b/docs");
    for (const char* name : {"/home/u/docs/a.txt", "/home/u/docs/b.txt"})
      item.SrcFiles.Add(name, std::make_unique<ScannedFile>());
    item.DestFiles.Add("/mnt/b/docs/a.txt", std::make_unique<ScannedFile>());
  }
  // The counter's value at each record, so the count is seen in its place.
  std::vector<int> counts;
  std::vector<Written> log;
  int operated = 0;
  RunRecords records{[this](LogKind kind, const std::string& text) {
                       log.push_back({kind, text});
                       counts.push_back(operated);
                     },
                     [this] { ++operated; }};
  RunSnapshot item;
};

FileEvent Failed(FileAction attempted, std::string_view source, std::string_view target,
                 FileFailure why = FileFailure::kError, bool sync = false) {
  FileEvent e{FileAction::kFailed, attempted, source, target};
  e.failure = why;
  e.sync = sync;
  return e;
}

TEST_F(RunRecordsTest, FileEventsOfABackupAndASynchronisation) {
  records.ProfileStarted(item);
  records.PassStarted(PassKind::kBackup, item);
  records.FileDone({FileAction::kCopied, FileAction::kCopied, "/s/a b.txt", "/d/a b.txt", 10});
  // A kept copy is a copy under a new name.
  records.FileDone({FileAction::kCopied, FileAction::kCopied, "/s/k.txt", "/d/k.txt.2", 3});
  records.FileDone({FileAction::kPacked, FileAction::kPacked, "/s/p.txt", "/d/p.txt.zip", 9});
  records.FileDone({FileAction::kDeleted, FileAction::kDeleted, "/d/gone.txt", {}, 0});
  records.FileDone(Failed(FileAction::kCopied, "/s/f.txt", "/d/f.txt"));
  records.FileDone(Failed(FileAction::kPacked, "/s/z.txt", "/d/z.txt.zip"));
  // The synchronisation passes name their paths bare.
  FileEvent forth{FileAction::kCopied, FileAction::kCopied, "/s/a", "/d/a", 1};
  forth.sync = true;
  records.PassStarted(PassKind::kSyncForward, item);
  records.FileDone(forth);
  FileEvent back{FileAction::kCopiedBack, FileAction::kCopiedBack, "/d/n e w", "/s/n e w", 4};
  back.sync = true;
  records.PassStarted(PassKind::kSyncBack, item);
  records.FileDone(back);
  records.FileDone(Failed(FileAction::kCopiedBack, "/d/x", "/s/x", FileFailure::kError, true));
  FileEvent full =
      Failed(FileAction::kCopiedBack, "/d/x", "/s/x", FileFailure::kDriveNotReady, true);
  full.drive = "D";
  records.FileDone(full);
  records.ProfileFinished(item);

  EXPECT_THAT(
      log,
      ElementsAre(
          Written{LogKind::kInfo,
                  "Started profile \"Docs\", Source=\"/home/u/docs\", "
                  "Destination=\"/mnt/b/docs\", Files:3"},
          Written{LogKind::kInfo, "Backup started"},
          Written{LogKind::kSuccess, "File \"/s/a b.txt\" copied to \"/d/a b.txt\""},
          Written{LogKind::kSuccess, "File \"/s/k.txt\" copied to \"/d/k.txt.2\""},
          Written{LogKind::kSuccess, "File \"/s/p.txt\" compressed to \"/d/p.txt.zip\""},
          Written{LogKind::kDelete, "Deleted file \"/d/gone.txt\""},
          Written{LogKind::kError, "Can not copy file \"/s/f.txt\" to \"/d/f.txt\""},
          Written{LogKind::kError, "Can not compress file \"/s/z.txt\" to \"/d/z.txt.zip\""},
          Written{LogKind::kInfo, "Synchronizing [->] started. From /home/u/docs to /mnt/b/docs"},
          Written{LogKind::kSuccess, "File /s/a copied to /d/a"},
          Written{LogKind::kInfo, "Synchronizing [<-] started. From /mnt/b/docs to /home/u/docs"},
          Written{LogKind::kSuccess, "File /d/n e w copied to /s/n e w"},
          Written{LogKind::kError, "Can not copy file /d/x to /s/x"},
          Written{LogKind::kError,
                  "Drive not ready or out of free disk space on drive D: ! Can "
                  "not copy file /d/x to /s/x"},
          Written{LogKind::kInfo,
                  "Finished profile \"Docs\", Source=\"/home/u/docs\", "
                  "Destination=\"/mnt/b/docs\", Files:3"}));
  // A copy is counted before its record, a pack and a deletion after it; failures not at all.
  EXPECT_THAT(counts, ElementsAre(0, 0, 1, 2, 2, 3, 4, 4, 4, 5, 5, 6, 6, 6, 6));
  EXPECT_EQ(operated, 6);
}

TEST_F(RunRecordsTest, FailuresThatAreNoPlainErrorAndSkippedWork) {
  FileEvent drive = Failed(FileAction::kCopied, "/s/a", "/m/usb/a", FileFailure::kDriveNotReady);
  drive.drive = "/m/usb";
  records.FileDone(drive);
  records.FileDone(Failed(FileAction::kPacked, "/s/t", "/d/t.zip", FileFailure::kTimeNotSet));
  records.FileDone(Failed(FileAction::kDeleted, "/d/old", {}));
  FileEvent gone = Failed(FileAction::kDeleted, "/m/usb/old", {}, FileFailure::kDriveNotReady);
  gone.drive = "/m/usb";
  records.FileDone(gone);
  records.FileDone(Failed(FileAction::kCopied, "/s/k", "/d/k.1", FileFailure::kNoFreeKeptNumber));
  records.FileDone(Failed(FileAction::kCopied, "/s/u", "/d/u", FileFailure::kUnlistedTarget));
  records.FileDone(Failed(FileAction::kCopied, "/s/v", "/d/v", FileFailure::kUnlistedTarget, true));
  records.SourceUnreadable("/home/u/docs/locked");
  records.RemovalSkipped(item, RemovalSkip::kSourceIncomplete);
  records.RemovalSkipped(item, RemovalSkip::kSourceEmpty);
  records.ProfileLocked(item, Error{ErrorKind::kExists, "/mnt/b/docs"});
  records.ProfileLocked(item, Error{ErrorKind::kAccessDenied, "no lock directory"});
  records.PassStarted(PassKind::kSyncForward, item);
  records.CacheSkipped("/home/u/.cache");
  records.SpecialFileSkipped("/home/u/docs/pipe");

  std::vector<std::string> texts;
  for (const Written& w : log) {
    const bool info =
        w.text.rfind("Synchronizing", 0) == 0 || w.text.find("skipped") != w.text.npos;
    EXPECT_EQ(w.kind, info ? LogKind::kInfo : LogKind::kError) << w.text;
    texts.push_back(w.text);
  }
  EXPECT_THAT(
      texts,
      ElementsAre(
          "Drive not ready or out of free disk space on drive /m/usb: ! Can not copy file "
          "\"/s/a\" to \"/m/usb/a\"",
          "Can not set up date and time on file \"/d/t.zip\"", "Can not delete file \"/d/old\"",
          "Drive not ready or out of free disk space on drive /m/usb: ! Can not delete file "
          "\"/m/usb/old\"",
          "File \"/s/k\" not copied to \"/d/k.1\": the destination could not be listed "
          "completely, so no free kept-copy number is known",
          "File \"/s/u\" not copied to \"/d/u\": a file of that name exists in a folder that "
          "could not be listed",
          "File /s/v not copied: /d/v exists but its directory could not be read",
          "Can not read source directory \"/home/u/docs/locked\"",
          "Deleted files not removed from \"/mnt/b/docs\": the source directory "
          "\"/home/u/docs\" could not be read completely",
          "Deleted files not removed from \"/mnt/b/docs\": no file found in the source "
          "directory \"/home/u/docs\"",
          "Profile \"Docs\" not run: the folder \"/mnt/b/docs\" is in use by another run",
          "Profile \"Docs\" not run: no lock directory",
          "Synchronizing [->] started. From /home/u/docs to /mnt/b/docs",
          "Folder \"/home/u/.cache\" skipped: it is tagged as a cache (CACHEDIR.TAG)",
          "File \"/home/u/docs/pipe\" skipped: a fifo, socket or device cannot be backed up"));
  // The archive without its time and the failed deletions were operated on all the same.
  EXPECT_EQ(operated, 3);
}

TEST_F(RunRecordsTest, TheBreakQuestionGoesToTheDialogsOrIsAnsweredNo) {
  FileEvent full = Failed(FileAction::kCopied, "/s/a", "/m/full/a", FileFailure::kDriveNotReady);
  full.drive = "/m/full";
  EXPECT_EQ(BreakQuestion(full),
            "Drive not ready or out of free disk space on drive /m/full:\rBreak operation?");
  // Nobody to ask: the run goes on.
  EXPECT_FALSE(records.AskBreak(full));

  ScriptedDialogs dialogs;
  records.SetDialogs(&dialogs);
  dialogs.ExpectErrorYesNo(BreakQuestion(full), true);
  dialogs.ExpectErrorYesNo(BreakQuestion(full), false);
  EXPECT_TRUE(records.AskBreak(full));
  EXPECT_FALSE(records.AskBreak(full));
  EXPECT_TRUE(dialogs.AllAnswered());
  EXPECT_THAT(log, IsEmpty()) << "asking writes no record";
}

// A session's watcher hears each event once its record is made, and no watcher can leave the
// records out.
TEST_F(RunRecordsTest, ASessionsWatcherHearsEachEventAfterItsRecord) {
  TempDir tmp;
  ui::VirtualMessageLoop loop;
  ScriptedDialogs dialogs;
  RunSession session(PosixFileSystem(), loop, loop, dialogs, RegionalFormats{}, tmp / "q.dat");
  session.SetBreakDialogs(nullptr);
  std::vector<std::string> made;
  session.RecordMade.Connect([&](LogKind, const std::string& text) { made.push_back(text); });
  struct Watcher : RunObserver {
    explicit Watcher(const std::vector<std::string>& log) : log(log) {}
    const std::vector<std::string>& log;
    std::vector<size_t> records_seen;
    void ProfileStarted(const RunSnapshot&) noexcept override {
      records_seen.push_back(log.size());
    }
    void FileDone(const FileEvent&) noexcept override { records_seen.push_back(log.size()); }
    bool AskBreak(const FileEvent&) override { return true; }
  } watcher(made);
  session.Watch(watcher);

  RunObserver& run = session.MakeEngineContext().observer;
  run.ProfileStarted(item);
  run.FileDone({FileAction::kCopied, FileAction::kCopied, "/s/a", "/d/a", 1});
  run.FileUpToDate("/s/b");
  EXPECT_EQ(made.size(), 2u);
  EXPECT_THAT(watcher.records_seen, ElementsAre(1u, 2u));
  // Nobody to ask in the records: the watcher's answer decides.
  EXPECT_TRUE(run.AskBreak(Failed(FileAction::kCopied, "/s/a", "/d/a")));
}

}  // namespace
}  // namespace qm::test
