#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

namespace qm::test {

ScriptedDialogs::~ScriptedDialogs() {
  EXPECT_TRUE(script_.empty()) << script_.size() << " scripted answer(s) never asked for; next: \""
                               << (script_.empty() ? "" : script_.front().text) << "\"";
}

void ScriptedDialogs::ExpectConfirm(std::string text, bool yes) {
  script_.push_back({DialogKind::kConfirm, std::move(text), yes, {}});
}
void ScriptedDialogs::ExpectErrorYesNo(std::string text, bool yes) {
  script_.push_back({DialogKind::kErrorYesNo, std::move(text), yes, {}});
}
void ScriptedDialogs::ExpectOkCancel(std::string text, bool ok) {
  script_.push_back({DialogKind::kOkCancel, std::move(text), ok, {}});
}
void ScriptedDialogs::ExpectBrowse(std::string title, std::optional<std::string> answer) {
  script_.push_back({DialogKind::kBrowseFolder, std::move(title), answer.has_value(), answer});
}
void ScriptedDialogs::ExpectCreateDirectory(std::optional<std::string> answer) {
  script_.push_back({DialogKind::kCreateDirectory, {}, answer.has_value(), answer});
}

std::vector<std::string> ScriptedDialogs::Texts(DialogKind kind) const {
  std::vector<std::string> texts;
  for (const auto& d : shown_)
    if (d.kind == kind) texts.push_back(d.text);
  return texts;
}

ScriptedDialogs::Answer ScriptedDialogs::Take(DialogKind kind, const std::string& text) {
  shown_.push_back({kind, text});
  if (script_.empty()) {
    ADD_FAILURE() << "unexpected question: \"" << text << "\"";
    return {kind, text, false, {}};
  }
  Answer answer = script_.front();
  script_.pop_front();
  if (answer.kind != kind || (kind != DialogKind::kCreateDirectory && answer.text != text)) {
    ADD_FAILURE() << "question \"" << text << "\" asked where \"" << answer.text
                  << "\" was expected";
  }
  return answer;
}

void ScriptedDialogs::ShowErrorBox(const std::string& text) {
  shown_.push_back({DialogKind::kError, text});
}
bool ScriptedDialogs::Confirm(const std::string& text) {
  return Take(DialogKind::kConfirm, text).yes;
}
void ScriptedDialogs::ShowInformation(const std::string& text) {
  shown_.push_back({DialogKind::kInformation, text});
}
bool ScriptedDialogs::AskErrorYesNo(const std::string& text) {
  return Take(DialogKind::kErrorYesNo, text).yes;
}
bool ScriptedDialogs::ConfirmOkCancel(const std::string& text) {
  return Take(DialogKind::kOkCancel, text).yes;
}
void ScriptedDialogs::ShowApplicationError(const std::string& text) {
  shown_.push_back({DialogKind::kApplicationError, text});
}
std::optional<std::string> ScriptedDialogs::BrowseForFolder(const std::string& title,
                                                            const std::string& start) {
  browse_starts_.push_back(start);
  return Take(DialogKind::kBrowseFolder, title).path;
}
std::optional<std::string> ScriptedDialogs::ChooseDirectoryToCreate(
    const std::string& start, const std::function<bool(const std::string&)>& confirm_create) {
  browse_starts_.push_back(start);
  auto answer = Take(DialogKind::kCreateDirectory, start).path;
  (void)confirm_create;
  return answer;
}

}  // namespace qm::test
