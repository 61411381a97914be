// The form-state store: keeps a window's placement and a list of its control properties as
// string values of the registry stand-in, restores them each time the window becomes visible
// and saves them when the window closes. The main window and the wizard each own one.
//
// Values of a key (FormVersion, placement, then one per property named "<control>_<property>"):
//   FormVersion=0            Flags=0           ShowCmd=1          PixelsPerInch=96
//   MinMaxPos(1280x800)=-1,-1,-1,-1   MinMaxPos=...   NormPos(1280x800)=l,t,r,b   NormPos=...
//   Visible=0                chLogCreate_Checked=True   eLogLimit_Value=64   deLogDir_Text=
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/registry.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

namespace qm {

inline constexpr const char* kFailedToCreateKey = "Failed to create key %s";
inline constexpr const char* kFailedToSetData = "Failed to set data for '%s'";
inline constexpr const char* kInvalidDataType = "Invalid data type for '%s'";

// The three messages above with their name filled in.
std::string RegistryErrorText(const char* pattern, const std::string& name);

// What GetWindowPlacement/SetWindowPlacement carry: flags, show command, the minimized and
// maximized positions and the normal (restored) rectangle as left, top, right, bottom.
struct WindowPlacement {
  int flags = 0;
  int show_cmd = 1;  // 1 normal, 2 minimized, 3 maximized
  int min_x = -1, min_y = -1, max_x = -1, max_y = -1;
  int left = 0, top = 0, right = 0, bottom = 0;
};

enum class WindowState { kNormal, kMinimized, kMaximized };

// The window whose placement a store keeps. The Qt front end implements it; tests use a fake.
class FormPlacement {
 public:
  virtual ~FormPlacement() = default;
  virtual WindowPlacement Placement() const = 0;
  // Flags, both positions and the normal rectangle, in one step.
  virtual void SetPlacement(const WindowPlacement& placement) = 0;
  virtual void SetWindowState(WindowState state) = 0;
  virtual int PixelsPerInch() const = 0;
  virtual int ScreenWidth() const = 0;
  virtual int ScreenHeight() const = 0;
  // A window whose border cannot be resized keeps its size; only its position is restored.
  virtual bool Resizable() const { return true; }
  // The application's main window is minimized with the whole application.
  virtual bool IsMainWindow() const { return false; }
  virtual void MinimizeApplication() {}
};

enum class PropertyType { kInteger, kBoolean, kReal, kText };

// One stored property: its name as "<control>.<property>" and how to read and set it.
// The value travels as text; the store converts it by `type`.
struct StoredProperty {
  std::string name;
  PropertyType type;
  std::function<std::string()> get;             // the current value in its text form
  std::function<void(const std::string&)> set;  // a value already converted and valid

  // The registry value's name: the point replaced by an underscore.
  std::string ValueName() const;
};

// Text forms: "True"/"False"; decimal whole numbers; reals in the shortest form, "." always.
std::string BooleanText(bool value);
std::string RealText(double value);

StoredProperty IntegerProperty(std::string name, std::function<int64_t()> get,
                               std::function<void(int64_t)> set);
StoredProperty BooleanProperty(std::string name, std::function<bool()> get,
                               std::function<void(bool)> set);
StoredProperty RealProperty(std::string name, std::function<double()> get,
                            std::function<void(double)> set);
StoredProperty TextProperty(std::string name, std::function<std::string()> get,
                            std::function<void(std::string)> set);

// Properties of controls. Setting Checked to a new state runs the box's click handler, as a
// check box's own setter does; Value is clamped into the spin edit's range and rounded.
StoredProperty CheckedProperty(ui::CheckBox& box);
StoredProperty ValueProperty(ui::SpinEdit& spin);
StoredProperty TextProperty(ui::Edit& edit);
StoredProperty ItemIndexProperty(ui::ComboBox& combo);
// The same under an explicit name "<control>.<property>": a stored value keeps its name
// when the control is renamed, so stored options go on being read.
StoredProperty CheckedProperty(std::string name, ui::CheckBox& box);
StoredProperty ValueProperty(std::string name, ui::SpinEdit& spin);
StoredProperty TextProperty(std::string name, ui::Edit& edit);
StoredProperty ItemIndexProperty(std::string name, ui::ComboBox& combo);
StoredProperty IntegerProperty(std::string name, int& field);

struct FormStateSettings {
  Hive root = Hive::kLocalMachine;
  std::string key_path;  // "Software\\Orbanix\\Applications\\Quillmor"
  std::string section;   // a subkey of key_path: "MainForm"
  bool store_placement = false;
  int version = 0;

  std::string Key() const { return key_path + "\\" + section; }
};

// Applies the stored values of `properties` (missing ones leave their control as it is), when
// the stored layout version is current. What a restore does for the properties, without a window.
void RestoreStoredProperties(const Registry& registry, const FormStateSettings& settings,
                             const std::vector<StoredProperty>& properties);

class FormStateStore {
 public:
  // `placement` may be null (then no placement is kept whatever the settings say) and must
  // outlive the store, as must the registry, the dialogs and the properties' controls.
  FormStateStore(Registry& registry, ui::Dialogs& dialogs, FormStateSettings settings,
                 std::vector<StoredProperty> properties, FormPlacement* placement = nullptr);

  // The window's hooks. Show: restore, then the window's own show handler. CloseQuery: the
  // window's own handler decides; when it allows the close, save. Destroy: save when nothing
  // was saved since the last show, then the window's own destroy handler. Errors go to the
  // application's standard error box and never stop the show, the close or the destroy.
  void Show(const std::function<void()>& form_show);
  bool CloseQuery(const std::function<bool()>& form_close_query);
  void Destroy(const std::function<void()>& form_destroy);

  // As the hooks run them, errors shown.
  void RestoreFormState();
  void SaveFormState();

  // The same, errors returned. A save before the first restore of this run writes nothing,
  // so the controls' initial states never overwrite what was stored.
  [[nodiscard]] Status Restore();
  [[nodiscard]] Status Save(bool destroying = false);

  // The window whose placement is kept, once it exists; null for none.
  void SetPlacement(FormPlacement* placement) { placement_ = placement; }

  bool Restored() const { return restored_; }
  bool SavedSinceShow() const { return saved_; }
  const FormStateSettings& settings() const { return settings_; }

 private:
  Status RestorePlacement();
  std::string ScreenSuffix() const;
  void ShowError(const Status& status);

  Registry& registry_;
  ui::Dialogs& dialogs_;
  FormStateSettings settings_;
  std::vector<StoredProperty> properties_;
  FormPlacement* placement_;
  bool restored_ = false;
  bool saved_ = false;
};

}  // namespace qm
