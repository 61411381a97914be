// Dialogs that answer from a script and record every text shown. A question the script did not
// expect fails the test.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialogs.h"

namespace qm::test {

enum class DialogKind {
  kError,
  kConfirm,
  kInformation,
  kErrorYesNo,
  kOkCancel,
  kApplicationError,
  kBrowseFolder,
  kCreateDirectory,
};

struct ShownDialog {
  DialogKind kind;
  std::string text;  // the message, or the title of a folder browser
};

class ScriptedDialogs : public ui::Dialogs {
 public:
  ~ScriptedDialogs() override;

  // Answers for the next questions, in order. A message box (error, information) needs no
  // answer and is only recorded.
  void ExpectConfirm(std::string text, bool yes);
  void ExpectErrorYesNo(std::string text, bool yes);
  void ExpectOkCancel(std::string text, bool ok);
  // nullopt answers Cancel.
  void ExpectBrowse(std::string title, std::optional<std::string> answer);
  void ExpectCreateDirectory(std::optional<std::string> answer);

  // Every box shown, in order.
  const std::vector<ShownDialog>& shown() const { return shown_; }
  std::vector<std::string> Texts(DialogKind kind) const;
  // True when every scripted answer was used.
  bool AllAnswered() const { return script_.empty(); }

  void ShowErrorBox(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  bool AskErrorYesNo(const std::string& text) override;
  bool ConfirmOkCancel(const std::string& text) override;
  void ShowApplicationError(const std::string& text) override;
  std::optional<std::string> BrowseForFolder(const std::string& title,
                                             const std::string& start) override;
  std::optional<std::string> ChooseDirectoryToCreate(
      const std::string& start,
      const std::function<bool(const std::string&)>& confirm_create) override;

  // The starting folders the browsers were opened at, in order.
  const std::vector<std::string>& browse_starts() const { return browse_starts_; }

 private:
  struct Answer {
    DialogKind kind;
    std::string text;
    bool yes = false;
    std::optional<std::string> path;
  };
  Answer Take(DialogKind kind, const std::string& text);

  std::deque<Answer> script_;
  std::vector<ShownDialog> shown_;
  std::vector<std::string> browse_starts_;
};

}  // namespace qm::test
