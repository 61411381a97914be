#include "wizard/remembered_choices.h"

#include <strings.h>
#include <charconv>

namespace qm {

namespace {

std::string Trimmed(const std::string& s) {
  const size_t from = s.find_first_not_of(' ');
  if (from == std::string::npos) return {};
  return s.substr(from, s.find_last_not_of(' ') - from + 1);
}

}  // namespace

std::string BoolText(bool value) {
  return value ? "True" : "False";
}

void ReadBoolText(const std::string& text, bool& value) {
  if (::strcasecmp(text.c_str(), "True") == 0) value = true;
  if (::strcasecmp(text.c_str(), "False") == 0) value = false;
}

int ReadIntText(const std::string& text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() ? value : 0;
}

void RegistryRememberedChoices::Restore(const std::vector<ChoiceProperty>& properties) {
  const std::optional<std::string> version = registry_.ReadString(hive_, key_, "FormVersion");
  if (!version || ReadIntText(Trimmed(*version)) >= version_) {
    for (const ChoiceProperty& p : properties) {
      const std::optional<std::string> value = registry_.ReadString(hive_, key_, p.name);
      p.set(Trimmed(value ? *value : p.get()));
    }
  }
  restored_ = true;
}

void RegistryRememberedChoices::Save(const std::vector<ChoiceProperty>& properties) {
  if (!restored_) return;
  auto write = [&](const std::string& name, const std::string& value) {
    if (registry_.WriteString(hive_, key_, name, value).ok()) return true;
    dialogs_.ShowApplicationError(
        ui::ApplicationErrorText("Failed to set data for '" + name + "'"));
    return false;
  };
  if (!write("FormVersion", std::to_string(version_))) return;
  for (const ChoiceProperty& p : properties) {
    if (!write(p.name, Trimmed(p.get()))) return;
  }
}

}  // namespace qm
