// The wizard's choices kept from one use to the next: a list of named control properties that
// a store restores when the wizard is shown and saves when it closes.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qm {

// One stored property, named as the registry value is ("eFilter_Text"); its value as text.
struct ChoiceProperty {
  std::string name;
  std::function<std::string()> get;
  // Applies a stored text the way its type reads it (see the Bool/Int/Text helpers).
  std::function<void(const std::string&)> set;
};

// The store the wizard's choices live in (the form-state store of the user's hive): restored
// when the wizard is shown, saved when it closes.
class RememberedChoices {
 public:
  virtual ~RememberedChoices() = default;
  virtual void Restore(const std::vector<ChoiceProperty>& properties) = 0;
  virtual void Save(const std::vector<ChoiceProperty>& properties) = 0;
};

// Text forms of property values: "True"/"False" and decimal numbers.
std::string BoolText(bool value);
// "True" and "False" in any letter case; anything else leaves the value as it is.
void ReadBoolText(const std::string& text, bool& value);
// Decimal; text that does not parse reads as 0.
int ReadIntText(const std::string& text);

}  // namespace qm
