// Toolkit-neutral controls: the properties the program reads and writes, and a change signal
// that a front end listens to. A front end binds one widget per control, by kind; a user's action
// on the widget comes back through the control's user-event methods (Click, SetTextByUser...).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/signal.h"

namespace qm::ui {

enum class ControlKind {
  kLabel,
  kButton,
  kCheckBox,
  kEdit,
  kSpinEdit,
  kComboBox,
  kProgressBar,
  kTabSheet,
  kPageControl,
  kMenuItem,
  kGroupBox,
};

class Control {
 public:
  Control(ControlKind kind, std::string name) : kind_(kind), name_(std::move(name)) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind kind() const { return kind_; }
  const std::string& name() const { return name_; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { Set(enabled_, v); }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { Set(visible_, v); }
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string v) { Set(hint_, std::move(v)); }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string v) { Set(caption_, std::move(v)); }
  // Text colour as 0xRRGGBB; -1 keeps the toolkit's default.
  int32_t Color() const { return color_; }
  void SetColor(int32_t v) { Set(color_, v); }

  // Fired after any property changed.
  Signal<>& Changed() { return changed_; }

 protected:
  template <class T, class U>
  void Set(T& field, U&& value) {
    if (field == value) return;
    field = std::forward<U>(value);
    changed_();
  }
  void NotifyChanged() { changed_(); }

 private:
  ControlKind kind_;
  std::string name_;
  bool enabled_ = true;
  bool visible_ = true;
  std::string hint_;
  std::string caption_;
  int32_t color_ = -1;
  Signal<> changed_;
};

class Label : public Control {
 public:
  explicit Label(std::string name, std::string caption = {})
      : Control(ControlKind::kLabel, std::move(name)) {
    SetCaption(std::move(caption));
  }
};

class GroupBox : public Control {
 public:
  explicit GroupBox(std::string name, std::string caption = {})
      : Control(ControlKind::kGroupBox, std::move(name)) {
    SetCaption(std::move(caption));
  }
};

class Button : public Control {
 public:
  explicit Button(std::string name, std::string caption = {})
      : Control(ControlKind::kButton, std::move(name)) {
    SetCaption(std::move(caption));
  }
  // Index into the window's image list; -1 for none.
  int Glyph() const { return glyph_; }
  void SetGlyph(int v) { Set(glyph_, v); }

  std::function<void()> OnClick;
  // A user's click: ignored while disabled, as a real button would.
  void Click() {
    if (Enabled() && OnClick) OnClick();
  }

 private:
  int glyph_ = -1;
};

class CheckBox : public Control {
 public:
  explicit CheckBox(std::string name, std::string caption = {}, bool checked = false)
      : Control(ControlKind::kCheckBox, std::move(name)), checked_(checked) {
    SetCaption(std::move(caption));
  }
  bool Checked() const { return checked_; }
  void SetChecked(bool v) { Set(checked_, v); }

  std::function<void()> OnClick;
  // A user's click toggles the box, then runs OnClick.
  void Click() {
    if (!Enabled()) return;
    SetChecked(!checked_);
    if (OnClick) OnClick();
  }

 private:
  bool checked_;
};

class Edit : public Control {
 public:
  explicit Edit(std::string name, std::string text = {})
      : Control(ControlKind::kEdit, std::move(name)), text_(std::move(text)) {}
  const std::string& Text() const { return text_; }
  void SetText(std::string v) { Set(text_, std::move(v)); }
  // 0 means no limit; counted in characters.
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int v) { Set(max_length_, v); }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool v) { Set(read_only_, v); }

  std::function<void()> OnChange;
  // Text typed by the user: stored, then OnChange.
  void SetTextByUser(std::string v) {
    if (!Enabled() || read_only_) return;
    SetText(std::move(v));
    if (OnChange) OnChange();
  }

 private:
  std::string text_;
  int max_length_ = 0;
  bool read_only_ = false;
};

class SpinEdit : public Control {
 public:
  SpinEdit(std::string name, int64_t min, int64_t max, int64_t value)
      : Control(ControlKind::kSpinEdit, std::move(name)), min_(min), max_(max), value_(value) {}
  int64_t Value() const { return value_; }
  void SetValue(int64_t v) { Set(value_, v < min_ ? min_ : (v > max_ ? max_ : v)); }
  int64_t Min() const { return min_; }
  int64_t Max() const { return max_; }

  std::function<void()> OnChange;
  void SetValueByUser(int64_t v) {
    if (!Enabled()) return;
    SetValue(v);
    if (OnChange) OnChange();
  }

 private:
  int64_t min_, max_, value_;
};

class ComboBox : public Control {
 public:
  explicit ComboBox(std::string name, std::vector<std::string> items = {})
      : Control(ControlKind::kComboBox, std::move(name)), items_(std::move(items)) {}
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> v) { Set(items_, std::move(v)); }
  // -1 when nothing is shown.
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int v) { Set(item_index_, v); }

  std::function<void()> OnChange;
  void SelectByUser(int index) {
    if (!Enabled()) return;
    SetItemIndex(index);
    if (OnChange) OnChange();
  }

 private:
  std::vector<std::string> items_;
  int item_index_ = -1;
};

class ProgressBar : public Control {
 public:
  explicit ProgressBar(std::string name) : Control(ControlKind::kProgressBar, std::move(name)) {}
  // 64-bit range: a file over 4 GB counts in full bytes; a front end scales for display.
  int64_t Min() const { return min_; }
  int64_t Max() const { return max_; }
  int64_t Position() const { return position_; }
  void SetRange(int64_t min, int64_t max) {
    if (min_ == min && max_ == max) return;
    min_ = min;
    max_ = max;
    NotifyChanged();
  }
  void SetPosition(int64_t v) { Set(position_, v); }

 private:
  int64_t min_ = 0, max_ = 100, position_ = 0;
};

class MenuItem : public Control {
 public:
  explicit MenuItem(std::string name, std::string caption = {})
      : Control(ControlKind::kMenuItem, std::move(name)) {
    SetCaption(std::move(caption));
  }
  std::function<void()> OnClick;
  void Click() {
    if (Enabled() && OnClick) OnClick();
  }
};

// One page of a PageControl; Visible() is the tab's visibility.
class TabSheet : public Control {
 public:
  explicit TabSheet(std::string name, std::string caption = {})
      : Control(ControlKind::kTabSheet, std::move(name)) {
    SetCaption(std::move(caption));
  }
  bool TabVisible() const { return Visible(); }
  void SetTabVisible(bool v) { SetVisible(v); }
};

class PageControl : public Control {
 public:
  explicit PageControl(std::string name) : Control(ControlKind::kPageControl, std::move(name)) {}
  void AddPage(TabSheet& page) {
    pages_.push_back(&page);
    NotifyChanged();
  }
  const std::vector<TabSheet*>& Pages() const { return pages_; }
  TabSheet* ActivePage() const { return active_; }
  void SetActivePage(TabSheet* page) { Set(active_, page); }

 private:
  std::vector<TabSheet*> pages_;
  TabSheet* active_ = nullptr;
};

}  // namespace qm::ui
