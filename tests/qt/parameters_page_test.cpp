// The "Parameters" page in the real window, and the window's options and placement kept over
// a confirmed close and a new start.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <memory>

#include "app/main_form_state.h"
#include "app/main_window_controller.h"
#include "platform/app_paths.h"
#include "platform/clock.h"
#include "qt/main_window.h"
#include "qt/qt_message_loop.h"
#include "window_fixture.h"

namespace qm::test {
namespace {

class ParametersTest : public WindowFixture {
 protected:
  ParametersTest() { store = dir / "Quillmor.dat"; }
  void Start() { Open(); }
  void Stop() { Close(); }
};

TEST_F(ParametersTest, EveryControlIsThereInTabOrder) {
  Start();
  const char* order[] = {
      "autostart_box",      "create_log_box",   "log_folder_edit", "log_folder_browse_button",
      "limit_log_size_box", "log_limit_edit",   "log_info_box",    "log_errors_box",
      "log_deletes_box",    "log_successes_box"};
  std::vector<QWidget*> wanted;
  for (const char* name : order) wanted.push_back(Find<QWidget>(name));
  EXPECT_EQ(TabOrder(wanted), wanted);
  EXPECT_EQ(Find<QLabel>("log_folder_label")->toolTip(),
            Find<QLineEdit>("log_folder_edit")->toolTip());
  EXPECT_EQ(Find<QSpinBox>("log_limit_edit")->maximum(), 65536);
}

TEST_F(ParametersTest, BrowseButtonFillsTheLogDirectory) {
  Start();
  dialogs.ExpectBrowse(kLogDirBrowseTitle, "/srv/logs");
  Find<QPushButton>("log_folder_browse_button")->click();
  EXPECT_EQ(Find<QLineEdit>("log_folder_edit")->text(), "/srv/logs");
  EXPECT_TRUE(dialogs.AllAnswered());
}

TEST_F(ParametersTest, OptionsAndPlacementComeBackAfterAConfirmedClose) {
  Start();
  Find<QCheckBox>("log_successes_box")->click();
  Find<QSpinBox>("log_limit_edit")->setValue(300);
  window->setGeometry(40, 50, 720, 460);
  dialogs.ExpectConfirm(kCloseQuestion, true);
  ASSERT_TRUE(window->close());
  Stop();

  Start();
  EXPECT_TRUE(Find<QCheckBox>("log_successes_box")->isChecked());
  EXPECT_EQ(Find<QSpinBox>("log_limit_edit")->value(), 300);
  EXPECT_EQ(window->geometry(), QRect(40, 50, 720, 460));
  const auto stored = Registry(ConfigDirectory(), PosixFileSystem())
                          .ReadString(Hive::kLocalMachine, MainFormSettings().Key(), "NormPos");
  EXPECT_EQ(stored, "40,50,760,510");
  dialogs.ExpectConfirm(kCloseQuestion, true);
  ASSERT_TRUE(window->close());
}

}  // namespace
}  // namespace qm::test
