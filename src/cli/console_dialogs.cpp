#include "cli/console_dialogs.h"

#include <ostream>

namespace qm::cli {

std::string ConsoleDialogs::AsLines(const std::string& text) {
  std::string lines;
  lines.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      lines += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lines += text[i];
    }
  }
  return lines;
}

void ConsoleDialogs::Print(const std::string& text) {
  err_ << "quillmor: " << AsLines(text) << "\n";
}

void ConsoleDialogs::ShowErrorBox(const std::string& text) {
  Print(text);
}
void ConsoleDialogs::ShowInformation(const std::string& text) {
  Print(text);
}
void ConsoleDialogs::ShowApplicationError(const std::string& text) {
  Print(ui::ApplicationErrorText(text));
}

bool ConsoleDialogs::Confirm(const std::string& text) {
  Print(text + " (answered No)");
  return false;
}

bool ConsoleDialogs::AskErrorYesNo(const std::string& text) {
  Print(text + " (answered No)");
  return false;
}

bool ConsoleDialogs::ConfirmOkCancel(const std::string& text) {
  Print(text + " (answered Cancel)");
  return false;
}

std::optional<std::string> ConsoleDialogs::BrowseForFolder(const std::string&, const std::string&) {
  return std::nullopt;
}

std::optional<std::string> ConsoleDialogs::ChooseDirectoryToCreate(
    const std::string&, const std::function<bool(const std::string&)>&) {
  return std::nullopt;
}

}  // namespace qm::cli
