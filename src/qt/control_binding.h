// Binds each toolkit-neutral control kind to a widget: the widget is created under `parent`,
// follows the control's Changed() signal from then on, and a user's action on it comes back
// through the control's user-event method (Click, SetTextByUser, ...). A new control costs
// one call. The widgets must be destroyed before the controls they follow.
#pragma once

#include "ui/controls.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QObject;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace qm::qt {

QLabel* Bind(ui::Label& control, QWidget* parent);
QGroupBox* Bind(ui::GroupBox& control, QWidget* parent);
// The glyph is the button's image of the image list.
QPushButton* Bind(ui::Button& control, QWidget* parent);
QCheckBox* Bind(ui::CheckBox& control, QWidget* parent);
// A check box whose caption wraps onto further lines where the page is too narrow for it;
// a click on the caption toggles the box, as on a plain check box.
QWidget* BindWrapping(ui::CheckBox& control, QWidget* parent);
QLineEdit* Bind(ui::Edit& control, QWidget* parent);
QSpinBox* Bind(ui::SpinEdit& control, QWidget* parent);
QComboBox* Bind(ui::ComboBox& control, QWidget* parent);
QProgressBar* Bind(ui::ProgressBar& control, QWidget* parent);
QAction* Bind(ui::MenuItem& control, QObject* parent);
// One page widget per TabSheet, in the order of Pages(); a hidden TabSheet hides its tab.
QTabWidget* Bind(ui::PageControl& control, QWidget* parent);
// The page widget of `page` inside a bound page control.
QWidget* PageWidget(QTabWidget* tabs, const ui::PageControl& control, const ui::TabSheet& page);

}  // namespace qm::qt
