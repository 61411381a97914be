// Where and how the main window keeps its options and placement: the settings of its
// form-state store `fs` and its thirteen stored properties.
#pragma once

#include <vector>

#include "app/form_state_store.h"
#include "app/log_controls.h"
#include "platform/registry.h"

namespace qm {

class MainWindowController;

inline constexpr const char* kMainFormKeyPath = "Software\\Orbanix\\Applications\\Quillmor";
inline constexpr const char* kMainFormSection = "MainForm";

// Colours of the profile grid as the system's colour constants: button face and window.
inline constexpr int32_t kClBtnFace = static_cast<int32_t>(0xFF00000F);
inline constexpr int32_t kClWindow = static_cast<int32_t>(0xFF000005);

FormStateSettings MainFormSettings();
// In the order they are written.
std::vector<StoredProperty> MainFormProperties(MainWindowController& form);

}  // namespace qm
