// The wizard's choices kept from one use to the next: a list of named control properties that
// a store restores when the wizard is shown and saves when it closes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "ui/dialogs.h"

namespace qm {

// One stored property, named as the registry value is ("eFilter_Text"); its value as text.
struct ChoiceProperty {
  std::string name;
  std::function<std::string()> get;
  // Applies a stored text the way its type reads it (see the Bool/Int/Text helpers).
  std::function<void(const std::string&)> set;
};

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

// The choices as string values under one registry key, with "FormVersion" beside them. Values
// are read only when the stored version is at least `version`; nothing is written before the
// first restore, so the stored values are never overwritten by the controls' initial states.
// A failed write is shown in the application's standard error box.
class RegistryRememberedChoices : public RememberedChoices {
 public:
  RegistryRememberedChoices(Registry& registry, Hive hive, std::string key, ui::Dialogs& dialogs,
                            int version = 0)
      : registry_(registry),
        hive_(hive),
        key_(std::move(key)),
        dialogs_(dialogs),
        version_(version) {}

  void Restore(const std::vector<ChoiceProperty>& properties) override;
  void Save(const std::vector<ChoiceProperty>& properties) override;

 private:
  Registry& registry_;
  Hive hive_;
  std::string key_;
  ui::Dialogs& dialogs_;
  int version_;
  bool restored_ = false;
};

}  // namespace qm
