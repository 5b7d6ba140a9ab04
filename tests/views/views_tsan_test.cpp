// Both views playing on the real engine thread while the user changes what
// the engine reads: the view fields it shares with the GUI thread, the stores
// it reads while the GUI thread adds blocks, and the end-of-run notice.

#include <gtest/gtest.h>

#include "views/view_harness.h"

namespace tessaly::testing {
namespace {

TEST(ViewsConcurrency, UserChangesWhileBothViewsPlay) {
  ViewHarness h;
  h.Start();
  h.dialog.UserClick(kIdView2);
  h.dialog.UserClick(kIdView2SoundCheck);  // View 2 heard as well
  h.dialog.UserClick(kIdView1Play);
  h.Play(kIdView2Play);
  for (int second = 0; second < 6; ++second) {
    h.PlaySeconds(1);
    h.dialog.UserSelect(kIdView1ValuesList, 1 + second);   // the window the engine sounds
    h.dialog.UserClick(kIdView1SoundCheck);                // sound off and on
    h.dialog.UserSelect(kIdFade, second % 3);              // fade
    h.dialog.UserSelect(kIdView2StationList, 5 + second);  // View 2's station
    h.dialog.UserSelect(kIdMusicScale, second % 5);        // scale
    h.serverStore.CreateBlocks(kPreset + 3600 * (second + 1), kPreset + 3600 * (second + 1) + 600);
  }
  EXPECT_EQ(h.Positions(), std::pair(kPreset + 6, kPreset + 6));
  h.dialog.UserClick(kIdView1Play);
  h.dialog.UserClick(kIdView2Play);
  ASSERT_TRUE(h.FinishRun());
  EXPECT_TRUE(h.dialog.IsEnabled(kIdCopyDown));
  EXPECT_FALSE(h.player->IsRendering());
}

}  // namespace
}  // namespace tessaly::testing
