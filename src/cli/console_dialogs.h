// Dialogs for the command line: messages go to a stream, questions are answered No, since
// nobody is there to answer them.
#pragma once

#include <iosfwd>
#include <string>

#include "engine/run_observer.h"
#include "ui/dialogs.h"

namespace qm::cli {

class ConsoleDialogs : public ui::Dialogs {
 public:
  explicit ConsoleDialogs(std::ostream& err) : err_(err) {}

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

  // Message-box text as terminal lines: CR LF and lone CR become line feeds.
  static std::string AsLines(const std::string& text);

 private:
  void Print(const std::string& text);
  std::ostream& err_;
};

// An error that ended the engine is told as the console tells the application's errors.
class RunFailureReport final : public RunObserver {
 public:
  explicit RunFailureReport(ui::Dialogs& dialogs) : dialogs_(dialogs) {}
  void RunFailed(std::string_view text) override {
    dialogs_.ShowApplicationError(ui::ApplicationErrorText(std::string(text)));
  }

 private:
  ui::Dialogs& dialogs_;
};

}  // namespace qm::cli
