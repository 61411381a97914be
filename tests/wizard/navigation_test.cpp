#include "wizard_fixture.h"

namespace qm::test {
namespace {

using Point = WizardWindow::Point;

TEST_F(WizardTest, OpensOnTheWelcomePageAloneWithBackDisabledAndNextFocused) {
  Open();
  EXPECT_EQ(form->PageIndex(), 0);
  EXPECT_EQ(VisibleTabs(), std::vector<std::string>{"Welcome!"});
  EXPECT_FALSE(form->back_button.Enabled());
  EXPECT_TRUE(form->next_button.Enabled());
  EXPECT_EQ(window.focused, std::vector<std::string>{"next_button"});
  EXPECT_EQ(&form->DefaultButton(), &form->next_button);
}

TEST_F(WizardTest, EnabledStatesAndTabsFollowThePages) {
  Open();
  dir.MakeDir("My Documents");
  form->next_button.Click();
  EXPECT_EQ(VisibleTabs(), std::vector<std::string>{"Source directory"});
  EXPECT_TRUE(form->back_button.Enabled());
  EXPECT_FALSE(form->next_button.Enabled());  // no source yet
  TypeSource(Source());
  EXPECT_TRUE(form->next_button.Enabled());
  form->next_button.Click();
  EXPECT_EQ(VisibleTabs(), std::vector<std::string>{"Filter"});
  EXPECT_FALSE(form->filter_edit.Enabled());
  EXPECT_FALSE(form->filter_label.Enabled());
  form->next_button.Click();
  EXPECT_EQ(form->PageIndex(), 3);
  form->destination_folder_edit.SetTextByUser(dir / "backup");
  form->next_button.Click();
  EXPECT_EQ(VisibleTabs(), std::vector<std::string>{"Compressing"});
  form->next_button.Click();
  EXPECT_EQ(form->PageIndex(), 5);
  EXPECT_FALSE(form->next_button.Enabled());
  EXPECT_TRUE(form->back_button.Enabled());
  EXPECT_EQ(&form->DefaultButton(), &form->finish_button);
  // Next is disabled here, yet the additional parameters are one button away.
  form->continue_button.Click();
  EXPECT_EQ(VisibleTabs(), std::vector<std::string>{"Additional parametes"});
  EXPECT_TRUE(form->next_button.Enabled());
  form->next_button.Click();
  EXPECT_EQ(form->PageIndex(), 7);
  EXPECT_FALSE(form->next_button.Enabled());
  EXPECT_EQ(&form->DefaultButton(), &form->final_finish_button);
  form->GoNext();  // as Enter would, were the button pressed anyway
  EXPECT_EQ(form->PageIndex(), 7);
  for (int page = 6; page >= 0; --page) {
    form->back_button.Click();
    EXPECT_EQ(form->PageIndex(), page);
    EXPECT_EQ(VisibleTabs().size(), 1u);
  }
  EXPECT_FALSE(form->back_button.Enabled());
  form->GoBack();
  EXPECT_EQ(form->PageIndex(), 0);
}

TEST_F(WizardTest, NextGlidesThePointerOntoTheBrowseButtonOnlyWhileTheSourceIsEmpty) {
  Open();
  window.cursor = {100, 600};
  const uint64_t before = loop.TickCount();
  form->next_button.Click();
  ASSERT_EQ(window.moves.size(), 51u);
  EXPECT_EQ(window.moves.front(), (Point{100, 600}));
  EXPECT_EQ(window.moves[25], (Point{295, 445}));
  EXPECT_EQ(window.moves.back(), (Point{490, 290}));
  EXPECT_GE(loop.TickCount() - before, 510u);
  EXPECT_EQ(window.focused.back(), "source_folder_edit");

  dir.MakeDir("My Documents");
  TypeSource(Source());
  form->back_button.Click();
  window.moves.clear();
  form->next_button.Click();
  EXPECT_TRUE(window.moves.empty());
  EXPECT_EQ(form->PageIndex(), 1);
}

TEST_F(WizardTest, ClosingDuringTheGlideStopsIt) {
  Open();
  loop.After(100, [this] { form->cancel_button.Click(); });
  form->next_button.Click();
  EXPECT_TRUE(form->Closed());
  EXPECT_LT(window.moves.size(), 51u);
  EXPECT_EQ(window.closes, 1);
}

TEST_F(WizardTest, BackOntoTheDestinationPageKeepsTheDiskList) {
  Open();
  WalkTo(4);
  const std::vector<std::string> lines = form->disk_list.Items();
  disks.volumes.pop_back();
  form->back_button.Click();
  EXPECT_EQ(form->disk_list.Items(), lines);
  form->back_button.Click();
  form->next_button.Click();  // forward again: rebuilt
  EXPECT_EQ(form->disk_list.Items().size(), lines.size() - 1);
}

TEST_F(WizardTest, CancelOnAFreshWizardClosesWithoutAQuestionAndAddsNothing) {
  Open();
  form->cancel_button.Click();
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(window.closes, 1);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(table.IsEmpty());
}

TEST_F(WizardTest, CancelAfterASourceWasTypedAsksAndKeepsSavedProfiles) {
  Open();
  WalkTo(5);
  form->save_and_add_another_button.Click();
  ASSERT_EQ(table.RecordCount(), 1u);
  form->next_button.Click();
  TypeSource(Source());
  dialogs.ExpectConfirm(kWizardCloseQuestion, false);
  form->cancel_button.Click();
  EXPECT_FALSE(form->Closed());
  EXPECT_EQ(window.closes, 0);
  dialogs.ExpectConfirm(kWizardCloseQuestion, true);
  EXPECT_TRUE(form->Close());  // the close box
  EXPECT_EQ(window.closes, 1);
  EXPECT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(table.state(), TableState::kBrowse);
}

}  // namespace
}  // namespace qm::test
