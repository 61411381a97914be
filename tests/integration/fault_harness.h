// Runs real backups on real temporary trees through a file system that fails where a test
// says, and checks what a backup must guarantee whatever failed: the source is untouched,
// every destination file is its old good version or a complete new copy with the source's
// time, no temporary file is left, and each failure has an error record naming the file.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window_controller.h"
#include "app/run_records.h"
#include "engine/engine_context.h"
#include "engine/run_observers.h"
#include "platform/file_system.h"
#include "profiles/log_kind.h"
#include "support/fault_file_system.h"
#include "support/forwarding_file_system.h"
#include "support/temp_dir.h"
#include "support/virtual_message_loop.h"
#include "ui/dialogs.h"

namespace qm::test {

// One regular file as the test saw it.
struct FileState {
  std::string content;
  DosDateTime time = 0;
  bool operator==(const FileState&) const = default;
};
// Prints size, a hash of the content and the time instead of the raw bytes.
void PrintTo(const FileState& state, std::ostream* os);
// Every regular file below a directory, by relative path ("sub/a.txt").
using TreeState = std::map<std::string, FileState>;
TreeState ReadTree(const std::string& root);

// Answers every break question with No and records every box, so a failing run goes on to its
// end like a user who keeps clicking No.
class AnsweringDialogs : public ui::Dialogs {
 public:
  std::vector<std::string> errors, questions, infos;
  void ShowErrorBox(const std::string& text) override { errors.push_back(text); }
  bool Confirm(const std::string& text) override {
    questions.push_back(text);
    return false;
  }
  void ShowInformation(const std::string& text) override { infos.push_back(text); }
  bool AskErrorYesNo(const std::string& text) override {
    questions.push_back(text);
    return false;
  }
  bool ConfirmOkCancel(const std::string& text) override {
    questions.push_back(text);
    return false;
  }
  void ShowApplicationError(const std::string& text) override { errors.push_back(text); }
  std::optional<std::string> BrowseForFolder(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> ChooseDirectoryToCreate(
      const std::string&, const std::function<bool(const std::string&)>&) override {
    return std::nullopt;
  }
};

// Says Yes to closing the program and No to everything else.
class ClosingDialogs : public AnsweringDialogs {
 public:
  bool Confirm(const std::string& text) override {
    questions.push_back(text);
    return text == kCloseQuestion;
  }
};

struct Record {
  LogKind kind;
  std::string text;
};

// The run's records, kept in memory, and the stop a break or the batch's end makes.
class RecordingHost {
 public:
  RecordingHost() {
    observers.Add(records);
    observers.Add(stopper);
  }
  std::vector<Record> log;
  std::function<void()> stop;
  RunObservers observers;
  void SetBreakDialogs(ui::Dialogs* ask) { records.SetDialogs(ask); }
  std::vector<std::string> Texts(LogKind kind) const;

 private:
  struct Stopper final : RunObserver {
    explicit Stopper(RecordingHost& host) : host(host) {}
    void BatchFinished() override { host.stop(); }
    void BreakAccepted() override { host.stop(); }
    RecordingHost& host;
  };
  RunRecords records{[this](LogKind kind, const std::string& text) {
                       log.push_back({kind, text});
                     },
                     [] {}};
  Stopper stopper{*this};
};

class MidCopyFs;

class FaultMatrixTest : public ::testing::Test {
 protected:
  FaultMatrixTest();
  ~FaultMatrixTest() override;

  std::string src, dest;
  TempDir tmp;

  // Writes a source or destination file with a modification time (seconds since the epoch).
  std::string WriteSrc(const std::string& rel, const std::string& content, long long mtime);
  std::string WriteDest(const std::string& rel, const std::string& content, long long mtime);
  std::string Src(const std::string& rel) const { return src + "/" + rel; }
  std::string Dest(const std::string& rel) const { return dest + "/" + rel; }

  // A backup profile from src to dest, subdirectories included, every file.
  ProfileRecord Profile(bool remove_deleted = false) const;

  // Runs `profile` as "Start selected" through the faulty file system; `after_queue` runs
  // between the scan and the engine (to change the tree behind the snapshot's back).
  void Run(const ProfileRecord& profile, const std::function<void()>& after_queue = {});
  // The same with every fault cleared: what the next, healthy run does.
  void Rerun(const ProfileRecord& profile);

  // Takes the pictures the checks compare against; call after writing the trees.
  void Snapshot();

  // The source tree is exactly as it was.
  void ExpectSourceUntouched() const;
  // Every destination file is its old version or an exact copy of the source (content and
  // DOS time); no file of the old destination went missing; no temporary is left.
  void ExpectDestinationSound() const;
  // No name beginning with "." anywhere below the destination.
  void ExpectNoTemporaries() const;
  // The destination holds exactly the source's files with their contents and times.
  void ExpectDestinationMirrorsSource() const;
  // An error record mentions `path`.
  void ExpectErrorNaming(const std::string& path) const;
  int ErrorCount() const;

  FaultInjectingFileSystem fs{PosixFileSystem()};
  std::unique_ptr<MidCopyFs> mid_copy;  // set by tests that change a source mid-copy
  AnsweringDialogs dialogs;
  RecordingHost host;

  TreeState src_before, dest_before;

 private:
  FileSystem& ActiveFs();
};

// Runs a test's `action` once, while a source is being copied: after `after_bytes` bytes were
// read from a file whose path ends in `path_suffix`.
class MidCopyFs final : public ForwardingFileSystem {
 public:
  MidCopyFs(FileSystem& inner, std::string path_suffix, int64_t after_bytes,
            std::function<void()> action);
  Result<std::unique_ptr<ReadableFile>> OpenRead(const std::string& p) override;
  Result<int64_t> CopyData(ReadableFile& from, WritableFile& to, int64_t max_bytes) override;

 private:
  std::string suffix_;
  int64_t after_bytes_;
  std::function<void()> action_;
};

// Deterministic content of `size` bytes that differs per `seed`.
std::string Bytes(size_t size, char seed);
// Writes a whole file in place (same inode), with a modification time.
void Overwrite(const std::string& path, const std::string& content, long long mtime);

// 2024-06-01 12:00:00 UTC and a day before.
inline constexpr long long kNoon = 1717243200;
inline constexpr long long kDayBefore = kNoon - 86400;

}  // namespace qm::test
