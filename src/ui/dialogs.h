// Modal questions and messages. The Qt front end shows real boxes; tests answer from a script.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qm::ui {

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // "Error", error icon, OK.
  virtual void ShowErrorBox(const std::string& text) = 0;
  // "Confirm", question icon, Yes/No; true on Yes.
  virtual bool Confirm(const std::string& text) = 0;
  // "Information", OK.
  virtual void ShowInformation(const std::string& text) = 0;
  // "Error", error icon, Yes/No; true on Yes (the break question of a failed copy).
  virtual bool AskErrorYesNo(const std::string& text) = 0;
  // "Confirm", OK/Cancel; true on OK.
  virtual bool ConfirmOkCancel(const std::string& text) = 0;
  // The application's standard error box: title "Quillmor", OK. `text` is shown as given;
  // use ApplicationErrorText() to add the full stop.
  virtual void ShowApplicationError(const std::string& text) = 0;
  // A folder browser limited to file-system folders; nullopt when cancelled.
  virtual std::optional<std::string> BrowseForFolder(const std::string& title,
                                                     const std::string& start) = 0;
  // A directory dialog that accepts a path that does not exist yet; `confirm_create` is asked
  // before a non-existent path is accepted (false keeps the dialog open). nullopt on cancel.
  virtual std::optional<std::string> ChooseDirectoryToCreate(
      const std::string& start, const std::function<bool(const std::string&)>& confirm_create) = 0;
};

// The text of the application's standard error box: a full stop is added when the last
// character sorts after the full stop.
std::string ApplicationErrorText(const std::string& message);

}  // namespace qm::ui
