#include "wizard_fixture.h"

namespace qm::test {
namespace {

using Point = WizardWindow::Point;

TEST_F(WizardTest, OpensOnTheWelcomePageAloneWithBackDisabledAndNextFocused) {
  Open();
  EXPECT_EQ(form->PageIndex(), 0);
  EXPECT_EQ(VisibleTabs(), std::vector<std::string>{"Welcome!"});
  EXPECT_FALSE(form->bBack.Enabled());
  EXPECT_TRUE(form->bNext.Enabled());
  EXPECT_EQ(window.focused, std::vector<std::string>{"bNext"});
  EXPECT_EQ(&form->DefaultButton(), &form->bNext);
}

TEST_F(WizardTest, EnabledStatesAndTabsFollowThePages) {
  Open();
  dir.MakeDir("My Documents");
  form->bNext.Click();
  EXPECT_EQ(VisibleTabs(), std::vector<std::string>{"Source directory"});
  EXPECT_TRUE(form->bBack.Enabled());
  EXPECT_FALSE(form->bNext.Enabled());  // no source yet
  TypeSource(Source());
  EXPECT_TRUE(form->bNext.Enabled());
  form->bNext.Click();
  EXPECT_EQ(VisibleTabs(), std::vector<std::string>{"Filter"});
  EXPECT_FALSE(form->eFilter.Enabled());
  EXPECT_FALSE(form->lFilter.Enabled());
  form->bNext.Click();
  EXPECT_EQ(form->PageIndex(), 3);
  form->eDestDir.SetTextByUser(dir / "backup");
  form->bNext.Click();
  EXPECT_EQ(VisibleTabs(), std::vector<std::string>{"Compressing"});
  form->bNext.Click();
  EXPECT_EQ(form->PageIndex(), 5);
  EXPECT_FALSE(form->bNext.Enabled());
  EXPECT_TRUE(form->bBack.Enabled());
  EXPECT_EQ(&form->DefaultButton(), &form->bFinish);
  // Next is disabled here, yet the additional parameters are one button away.
  form->bContinue1.Click();
  EXPECT_EQ(VisibleTabs(), std::vector<std::string>{"Additional parametes"});
  EXPECT_TRUE(form->bNext.Enabled());
  form->bNext.Click();
  EXPECT_EQ(form->PageIndex(), 7);
  EXPECT_FALSE(form->bNext.Enabled());
  EXPECT_EQ(&form->DefaultButton(), &form->BitBtn1);
  form->bNextClick();  // as Enter would, were the button pressed anyway
  EXPECT_EQ(form->PageIndex(), 7);
  for (int page = 6; page >= 0; --page) {
    form->bBack.Click();
    EXPECT_EQ(form->PageIndex(), page);
    EXPECT_EQ(VisibleTabs().size(), 1u);
  }
  EXPECT_FALSE(form->bBack.Enabled());
  form->bBackClick();
  EXPECT_EQ(form->PageIndex(), 0);
}

TEST_F(WizardTest, NextGlidesThePointerOntoTheBrowseButtonOnlyWhileTheSourceIsEmpty) {
  Open();
  window.cursor = {100, 600};
  const uint64_t before = loop.TickCount();
  form->bNext.Click();
  ASSERT_EQ(window.moves.size(), 51u);
  EXPECT_EQ(window.moves.front(), (Point{100, 600}));
  EXPECT_EQ(window.moves[25], (Point{295, 445}));
  EXPECT_EQ(window.moves.back(), (Point{490, 290}));
  EXPECT_GE(loop.TickCount() - before, 510u);
  EXPECT_EQ(window.focused.back(), "eSrcDir");

  dir.MakeDir("My Documents");
  TypeSource(Source());
  form->bBack.Click();
  window.moves.clear();
  form->bNext.Click();
  EXPECT_TRUE(window.moves.empty());
  EXPECT_EQ(form->PageIndex(), 1);
}

TEST_F(WizardTest, ClosingDuringTheGlideStopsIt) {
  Open();
  loop.After(100, [this] { form->bCancel.Click(); });
  form->bNext.Click();
  EXPECT_TRUE(form->Closed());
  EXPECT_LT(window.moves.size(), 51u);
  EXPECT_EQ(window.closes, 1);
}

TEST_F(WizardTest, BackOntoTheDestinationPageKeepsTheDiskList) {
  Open();
  WalkTo(4);
  const std::vector<std::string> lines = form->lbDisks.Items();
  disks.volumes.pop_back();
  form->bBack.Click();
  EXPECT_EQ(form->lbDisks.Items(), lines);
  form->bBack.Click();
  form->bNext.Click();  // forward again: rebuilt
  EXPECT_EQ(form->lbDisks.Items().size(), lines.size() - 1);
}

TEST_F(WizardTest, CancelOnAFreshWizardClosesWithoutAQuestionAndAddsNothing) {
  Open();
  form->bCancel.Click();
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(window.closes, 1);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(table.IsEmpty());
}

TEST_F(WizardTest, CancelAfterASourceWasTypedAsksAndKeepsSavedProfiles) {
  Open();
  WalkTo(5);
  form->bSaveAndAgane.Click();
  ASSERT_EQ(table.RecordCount(), 1u);
  form->bNext.Click();
  TypeSource(Source());
  dialogs.ExpectConfirm(kWizardCloseQuestion, false);
  form->bCancel.Click();
  EXPECT_FALSE(form->Closed());
  EXPECT_EQ(window.closes, 0);
  dialogs.ExpectConfirm(kWizardCloseQuestion, true);
  EXPECT_TRUE(form->Close());  // the close box
  EXPECT_EQ(window.closes, 1);
  EXPECT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(table.State(), TableState::kBrowse);
}

}  // namespace
}  // namespace qm::test
