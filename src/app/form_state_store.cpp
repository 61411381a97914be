#include "app/form_state_store.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

namespace qm {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (std::tolower(x) != std::tolower(y)) return false;
  }
  return true;
}

// A decimal whole number that fits 32 bits, as the window's integer properties are.
std::optional<int64_t> ParseInteger(std::string_view s) {
  s = Trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

// Always with "." as the separator, whatever the locale; infinities and NaN are not numbers.
std::optional<double> ParseReal(std::string_view s) {
  s = Trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
    return std::nullopt;
  return v;
}

// "a,b,c,d": a part that is missing or not a number takes its default.
void SplitFour(const std::string& text, int (&out)[4]) {
  size_t pos = 0;
  for (int i = 0; i < 4 && pos <= text.size(); ++i) {
    size_t comma = text.find(',', pos);
    if (comma == std::string::npos) comma = text.size();
    if (auto v = ParseInteger(std::string_view(text).substr(pos, comma - pos))) {
      out[i] = static_cast<int>(*v);
    }
    pos = comma + 1;
  }
}

std::string FourText(int a, int b, int c, int d) {
  return std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," +
         std::to_string(d);
}

}  // namespace

std::string RegistryErrorText(const char* pattern, const std::string& name) {
  std::string text = pattern;
  const size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, name);
  return text;
}

std::string StoredProperty::ValueName() const {
  std::string value_name = name;
  const size_t dot = value_name.find('.');
  if (dot != std::string::npos) value_name[dot] = '_';
  return value_name;
}

std::string BooleanText(bool value) {
  return value ? "True" : "False";
}

std::string RealText(double value) {
  char buf[64];
  // The shortest form that reads back as the same number; whole numbers carry no point.
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  if (ec != std::errc()) return {};
  return std::string(buf, end);
}

StoredProperty IntegerProperty(std::string name, std::function<int64_t()> get,
                               std::function<void(int64_t)> set) {
  return {std::move(name), PropertyType::kInteger,
          [get = std::move(get)] { return std::to_string(get()); },
          [set = std::move(set)](const std::string& text) {
            // A whole number that does not parse counts as 0.
            set(ParseInteger(text).value_or(0));
          }};
}

StoredProperty BooleanProperty(std::string name, std::function<bool()> get,
                               std::function<void(bool)> set) {
  return {std::move(name), PropertyType::kBoolean,
          [get = std::move(get)] { return BooleanText(get()); },
          [set = std::move(set)](const std::string& text) {
            // Any other text leaves the property as it is.
            if (EqualsNoCase(text, "True")) set(true);
            if (EqualsNoCase(text, "False")) set(false);
          }};
}

StoredProperty RealProperty(std::string name, std::function<double()> get,
                            std::function<void(double)> set) {
  return {std::move(name), PropertyType::kReal, [get = std::move(get)] { return RealText(get()); },
          [set = std::move(set)](const std::string& text) {
            if (auto v = ParseReal(text)) set(*v);
          }};
}

StoredProperty TextProperty(std::string name, std::function<std::string()> get,
                            std::function<void(std::string)> set) {
  return {std::move(name), PropertyType::kText, std::move(get),
          [set = std::move(set)](const std::string& text) { set(text); }};
}

StoredProperty CheckedProperty(ui::CheckBox& box) {
  return CheckedProperty(box.name() + ".Checked", box);
}

StoredProperty CheckedProperty(std::string name, ui::CheckBox& box) {
  return BooleanProperty(
      std::move(name), [&box] { return box.Checked(); },
      [&box](bool checked) {
        if (box.Checked() == checked) return;
        box.SetChecked(checked);
        if (box.OnClick) box.OnClick();
      });
}

StoredProperty ValueProperty(ui::SpinEdit& spin) {
  return ValueProperty(spin.name() + ".Value", spin);
}

StoredProperty ValueProperty(std::string name, ui::SpinEdit& spin) {
  return RealProperty(
      std::move(name), [&spin] { return static_cast<double>(spin.Value()); },
      [&spin](double v) {
        const double clamped =
            std::clamp(v, static_cast<double>(spin.Min()), static_cast<double>(spin.Max()));
        spin.SetValue(std::llround(clamped));
      });
}

StoredProperty TextProperty(ui::Edit& edit) {
  return TextProperty(edit.name() + ".Text", edit);
}

StoredProperty TextProperty(std::string name, ui::Edit& edit) {
  return TextProperty(
      std::move(name), [&edit] { return edit.Text(); },
      [&edit](std::string text) { edit.SetText(std::move(text)); });
}

StoredProperty ItemIndexProperty(ui::ComboBox& combo) {
  return ItemIndexProperty(combo.name() + ".ItemIndex", combo);
}

StoredProperty ItemIndexProperty(std::string name, ui::ComboBox& combo) {
  return IntegerProperty(
      std::move(name), [&combo] { return int64_t{combo.ItemIndex()}; },
      [&combo](int64_t index) {
        const auto count = static_cast<int64_t>(combo.Items().size());
        combo.SetItemIndex(index >= 0 && index < count ? static_cast<int>(index) : -1);
      });
}

StoredProperty IntegerProperty(std::string name, int& field) {
  return IntegerProperty(
      std::move(name), [&field] { return int64_t{field}; },
      [&field](int64_t v) { field = static_cast<int>(v); });
}

FormStateStore::FormStateStore(Registry& registry, ui::Dialogs& dialogs, FormStateSettings settings,
                               std::vector<StoredProperty> properties, FormPlacement* placement)
    : registry_(registry),
      dialogs_(dialogs),
      settings_(std::move(settings)),
      properties_(std::move(properties)),
      placement_(placement) {}

void FormStateStore::Show(const std::function<void()>& form_show) {
  RestoreFormState();
  if (form_show) form_show();
}

bool FormStateStore::CloseQuery(const std::function<bool()>& form_close_query) {
  if (form_close_query && !form_close_query()) return false;
  SaveFormState();
  return true;
}

void FormStateStore::Destroy(const std::function<void()>& form_destroy) {
  if (!saved_) ShowError(Save(/*destroying=*/true));
  if (form_destroy) form_destroy();
}

void FormStateStore::RestoreFormState() {
  ShowError(Restore());
}

void FormStateStore::SaveFormState() {
  ShowError(Save());
}

void FormStateStore::ShowError(const Status& status) {
  if (!status.ok()) dialogs_.ShowApplicationError(ui::ApplicationErrorText(status.error().message));
}

std::string FormStateStore::ScreenSuffix() const {
  return "(" + std::to_string(placement_->ScreenWidth()) + "x" +
         std::to_string(placement_->ScreenHeight()) + ")";
}

namespace {

bool StoredVersionCurrent(const Registry& registry, const FormStateSettings& settings) {
  const auto stored = registry.ReadString(settings.root, settings.Key(), "FormVersion");
  return ParseInteger(stored.value_or("0")).value_or(0) >= settings.version;
}

}  // namespace

void RestoreStoredProperties(const Registry& registry, const FormStateSettings& settings,
                             const std::vector<StoredProperty>& properties) {
  if (!StoredVersionCurrent(registry, settings)) return;
  for (const StoredProperty& property : properties) {
    if (!property.get || !property.set) continue;
    const std::string stored =
        registry.ReadString(settings.root, settings.Key(), property.ValueName())
            .value_or(property.get());
    property.set(std::string(Trim(stored)));
  }
}

Status FormStateStore::Restore() {
  saved_ = false;
  Status status;
  if (StoredVersionCurrent(registry_, settings_)) {
    if (settings_.store_placement && placement_) status = RestorePlacement();
    if (status.ok()) RestoreStoredProperties(registry_, settings_, properties_);
  }
  restored_ = true;
  return status;
}

Status FormStateStore::RestorePlacement() {
  const std::string key = settings_.Key();
  auto read = [&](const std::string& name) {
    return registry_.ReadString(settings_.root, key, name);
  };
  // The value for this screen size first, then the one written for any screen.
  auto read_sized = [&](const std::string& name) -> std::optional<std::string> {
    auto sized = read(name + ScreenSuffix());
    if (sized && !sized->empty()) return sized;
    return read(name);
  };

  const WindowPlacement current = placement_->Placement();
  WindowPlacement p = current;
  p.flags = ParseInteger(read("Flags").value_or("")).value_or(current.flags);

  const auto min_max = read_sized("MinMaxPos");
  int mm[4] = {0, 0, 0, 0};
  if (min_max) SplitFour(*min_max, mm);
  p.min_x = mm[0];
  p.min_y = mm[1];
  p.max_x = mm[2];
  p.max_y = mm[3];

  const auto norm = read_sized("NormPos");
  int np[4] = {current.left, current.top, current.right, current.bottom};
  if (norm) SplitFour(*norm, np);
  if (!placement_->Resizable()) {
    np[2] = np[0] + (current.right - current.left);
    np[3] = np[1] + (current.bottom - current.top);
  }
  p.left = np[0];
  p.top = np[1];
  p.right = np[2];
  p.bottom = np[3];

  const int ppi = static_cast<int>(
      ParseInteger(read("PixelsPerInch").value_or("")).value_or(placement_->PixelsPerInch()));
  // A placement from a screen of another density would come back at the wrong size.
  if ((min_max || norm) && ppi == placement_->PixelsPerInch() && p.left < p.right) {
    placement_->SetPlacement(p);
  }

  WindowState state = WindowState::kNormal;
  switch (ParseInteger(read("ShowCmd").value_or("")).value_or(0)) {
    case 2:
    case 6:
    case 7:
      state = WindowState::kMinimized;
      break;
    case 3:
      state = WindowState::kMaximized;
      break;
    default:
      break;
  }
  if (state == WindowState::kMinimized && placement_->IsMainWindow()) {
    placement_->SetWindowState(WindowState::kNormal);
    placement_->MinimizeApplication();
  } else {
    placement_->SetWindowState(state);
  }
  return Status::Ok();
}

Status FormStateStore::Save(bool destroying) {
  if (!restored_) return Status::Ok();
  if (!registry_.CreateKey(settings_.root, settings_.Key()).ok()) {
    return Error{ErrorKind::kOther, RegistryErrorText(kFailedToCreateKey, settings_.section)};
  }
  std::vector<std::pair<std::string, std::string>> values;
  values.emplace_back("FormVersion", std::to_string(settings_.version));
  if (settings_.store_placement && placement_) {
    const WindowPlacement p = placement_->Placement();
    const std::string suffix = ScreenSuffix();
    const std::string min_max = FourText(p.min_x, p.min_y, p.max_x, p.max_y);
    const std::string norm = FourText(p.left, p.top, p.right, p.bottom);
    values.emplace_back("Flags", std::to_string(p.flags));
    values.emplace_back("ShowCmd", std::to_string(p.show_cmd));
    values.emplace_back("PixelsPerInch", std::to_string(placement_->PixelsPerInch()));
    values.emplace_back("MinMaxPos" + suffix, min_max);
    values.emplace_back("MinMaxPos", min_max);
    values.emplace_back("NormPos" + suffix, norm);
    values.emplace_back("NormPos", norm);
    values.emplace_back("Visible", destroying ? "1" : "0");
  }
  for (const StoredProperty& property : properties_) {
    if (!property.get) continue;
    std::string text(Trim(property.get()));
    if (text.empty() && property.type != PropertyType::kText) continue;
    values.emplace_back(property.ValueName(), std::move(text));
  }
  // One replacement of the hive: a failure leaves every old value in place, so the first
  // value is the one that could not be set.
  if (!registry_.WriteStrings(settings_.root, settings_.Key(), values).ok()) {
    return Error{ErrorKind::kOther, RegistryErrorText(kFailedToSetData, values.front().first)};
  }
  saved_ = true;
  return Status::Ok();
}

}  // namespace qm
