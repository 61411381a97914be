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
#include "app/qmUnit1.h"
#include "platform/app_paths.h"
#include "platform/clock.h"
#include "qt/main_window.h"
#include "qt/qt_message_loop.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace qm::test {
namespace {

class ParametersTest : public ::testing::Test {
 protected:
  ~ParametersTest() override { Stop(); }

  void Start() {
    form =
        std::make_unique<TForm1>(PosixFileSystem(), SystemClock(), loop, dialogs, RegionalFormats{},
                                 dir / "Quillmor.dat", std::vector<std::string>{}, handle);
    window = std::make_unique<qt::MainWindow>(*form);
    handle.Attach(window.get());
    handle.ShowWindow();
  }
  void Stop() {
    handle.Attach(nullptr);
    window.reset();
    form.reset();
  }
  template <class W>
  W* Find(const char* name) {
    auto* w = window->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  TempDir dir;
  qt::QtMessageLoop loop;
  ScriptedDialogs dialogs;
  qt::WindowHandle handle;
  std::unique_ptr<TForm1> form;
  std::unique_ptr<qt::MainWindow> window;
};

TEST_F(ParametersTest, EveryControlIsThereInTabOrder) {
  Start();
  const char* order[] = {"chRunOnWindowsStart", "chLogCreate", "deLogDir",  "deLogDirButton",
                         "chLogLimitSize",      "eLogLimit",   "chLogInfo", "chLogErrors",
                         "chLogDeletes",        "chLogSucc"};
  std::vector<QWidget*> wanted;
  for (const char* name : order) wanted.push_back(Find<QWidget>(name));
  std::vector<QWidget*> chain;
  QWidget* w = wanted.front();
  do {
    if (std::find(wanted.begin(), wanted.end(), w) != wanted.end()) chain.push_back(w);
    w = w->nextInFocusChain();
  } while (w != wanted.front());
  EXPECT_EQ(chain, wanted);
  EXPECT_EQ(Find<QLabel>("lLogDir")->toolTip(), Find<QLineEdit>("deLogDir")->toolTip());
  EXPECT_EQ(Find<QSpinBox>("eLogLimit")->maximum(), 65536);
}

TEST_F(ParametersTest, BrowseButtonFillsTheLogDirectory) {
  Start();
  dialogs.ExpectBrowse(kLogDirBrowseTitle, "/srv/logs");
  Find<QPushButton>("deLogDirButton")->click();
  EXPECT_EQ(Find<QLineEdit>("deLogDir")->text(), "/srv/logs");
  EXPECT_TRUE(dialogs.AllAnswered());
}

TEST_F(ParametersTest, OptionsAndPlacementComeBackAfterAConfirmedClose) {
  Start();
  Find<QCheckBox>("chLogSucc")->click();
  Find<QSpinBox>("eLogLimit")->setValue(300);
  window->setGeometry(40, 50, 720, 460);
  dialogs.ExpectConfirm(kCloseQuestion, true);
  ASSERT_TRUE(window->close());
  Stop();

  Start();
  EXPECT_TRUE(Find<QCheckBox>("chLogSucc")->isChecked());
  EXPECT_EQ(Find<QSpinBox>("eLogLimit")->value(), 300);
  EXPECT_EQ(window->geometry(), QRect(40, 50, 720, 460));
  const auto stored = Registry(ConfigDirectory())
                          .ReadString(Hive::kLocalMachine, MainFormSettings().Key(), "NormPos");
  EXPECT_EQ(stored, "40,50,760,510");
  dialogs.ExpectConfirm(kCloseQuestion, true);
  ASSERT_TRUE(window->close());
}

}  // namespace
}  // namespace qm::test
