// "File" -> "Data Server...": the typed host, the "Test" request and OK.

#include "views/data_server.h"

#include "settings/ini_file.h"
#include "support/fake_http_get.h"
#include "views/view_harness.h"

namespace tessaly::testing {
namespace {

TEST(DataServer, TypedHostsAreTakenOnlyAsHostAndPortAndTestSaysWhatTheServerReported) {
  const std::pair<std::string, std::string> taken[] = {
      {"data.example.org", "data.example.org"},
      {"127.0.0.1:8321", "127.0.0.1:8321"},
      {"Station-7.example:65535", "Station-7.example:65535"},
      {"host:0080", "host:80"},
      {std::string(63, 'a') + ".org", std::string(63, 'a') + ".org"}};
  for (const auto& [typed, host] : taken) {
    const ServerHostCheck check = CheckServerHost(typed);
    EXPECT_TRUE(check.ok()) << typed << ": " << check.error;
    EXPECT_EQ(check.host, host);
  }
  // Refused, with a word the refusal must hold.
  const std::pair<const char*, std::vector<std::string>> refused[] = {
      {"host name", {""}},
      {"spaces", {" data.example.org", "data example.org", "data.example.org\t"}},
      {"1 to 65535", {"host:0", "host:65536", "host:", "host:+80", "host:123456"}},
      {"http://", {"http://data.example.org"}},
      {"path", {"data.example.org/cgi-bin"}},
      {":port", {"host:80:81"}},
      {"not a host name",
       {":8321", "a..b", "-a.b", "a-.b", "a_b", "user@host", "h\xC3\xA9te",
        std::string(64, 'a') + ".org"}},
  };
  for (const auto& [error, typed] : refused) {
    for (const std::string& t : typed) {
      const ServerHostCheck check = CheckServerHost(t);
      EXPECT_FALSE(check.ok()) << t;
      EXPECT_EQ(check.host, "") << t;
      EXPECT_NE(check.error.find(error), std::string::npos) << t << ": " << check.error;
    }
  }

  // "Test" asks the typed server and says what it reported.
  FixedClock clock(MakeUtc(2026, 3, 10, 12, 0, 0));
  FakeHttpGet http;
  http.date = MakeUtc(2026, 3, 10, 12, 0, 2);
  const std::string s = std::to_string(MakeUtc(2026, 3, 10, 11, 40, 0));
  http.reply =
      "11,2," + s + "\n11,3," + s + "\n11,4,1\n12,3,ids,1,37,4242\n13," + s + ",x,100,101,102\n";

  ServerTestResult result = TestDataServer(http, clock, "data.example.org:080");
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.stations, 3);
  EXPECT_EQ(result.text, "The server reported 3 stations. Its time: 2026-03-10 12:00:02 UTC.");
  ASSERT_EQ(http.urls.size(), 1u);
  EXPECT_EQ(http.urls[0],
            "http://data.example.org:80/cgi-bin/zormdatareq.pl?z=1&year=2026&month=3&day=10"
            "&stime=11%3A40%3A00&etime=11%3A50%3A00");

  http.reply.clear();
  result = TestDataServer(http, clock, "data.example.org");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.text,
            "No data from data.example.org: The server sent an empty reply. "
            "Its time: 2026-03-10 12:00:02 UTC.");

  // Refused text asks nothing.
  result = TestDataServer(http, clock, "data.example.org:99999");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.text, CheckServerHost("x:99999").error);
  EXPECT_EQ(http.urls.size(), 2u);
}

std::string SavedHost(const std::string& path) {
  return IniFile::Load(path).Get("Server", "Host").value_or("(none)");
}

TEST(DataServerScenario, OkEmptiesTheStoreDropsUnknownStationsSetsTheViewsAgainAndSaves) {
  StartedHarness h({.settingsFile = true, .serverStations = {1, 33, 9001}});
  const std::string oldHost = h.settings.serverHost;
  // 9001 is no station of the table: it is listed in both views, and View 1 plays it.
  ASSERT_EQ(h.dialog.ItemCount(kIdView2StationList), kStationTableRows + 1);
  h.dialog.UserSelect(kIdView1StationList, kStationTableRows);
  ASSERT_EQ(h.Station1(), (std::array<int32_t, 3>{9001, 9001, 9001}));
  h.Play(kIdView1Play);
  const int64_t at = h.v1().position;
  const size_t blocks = h.serverStore.BlockCount();

  // Refused text changes nothing.
  ServerChange change = h.main->ChangeServerHost("data example.org");
  EXPECT_FALSE(change.applied);
  EXPECT_EQ(change.message, "The host may not contain spaces.");
  EXPECT_TRUE(h.v1().playing());
  EXPECT_EQ(h.settings.serverHost, oldHost);
  EXPECT_EQ(SavedHost(h.settingsPath), oldHost);
  EXPECT_EQ(h.serverStore.BlockCount(), blocks);
  EXPECT_EQ(h.dialog.ItemCount(kIdView1StationList), kStationTableRows + 1);

  // The new server does not know 9001.
  h.server.script.stations = {1, 33};
  change = h.main->ChangeServerHost("other.example:08080");
  EXPECT_TRUE(change.applied);
  EXPECT_EQ(change.message, "");
  EXPECT_FALSE(h.v1().playing());
  EXPECT_TRUE(h.FinishRun());
  EXPECT_EQ(h.settings.serverHost, "other.example:8080");
  EXPECT_EQ(SavedHost(h.settingsPath), "other.example:8080");
  EXPECT_EQ(h.serverStore.unknownCount, 0);
  for (const int list : {kIdView1StationList, kIdView2StationList}) {
    EXPECT_EQ(h.dialog.ItemCount(list), kStationTableRows);
  }
  // View 1 is back at its second, on the first station, with the new server's data only.
  EXPECT_EQ(h.Station1(), (std::array<int32_t, 3>{1, 1, 1}));
  EXPECT_EQ(h.v1().position, at);
  ASSERT_NE(h.serverStore.BlockCount(), 0u);
  for (const BlockPtr& block : h.serverStore.Blocks()) {
    EXPECT_EQ(block->requestUrl.rfind("http://other.example:8080/", 0), 0u) << block->requestUrl;
  }
  ASSERT_TRUE(h.v1().currentBlock);
  EXPECT_EQ(h.v1().currentBlock->requestUrl.rfind("http://other.example:8080/", 0), 0u);
  EXPECT_TRUE(h.v1().currentBlock->Contains(at));
  EXPECT_TRUE(h.dialog.MessageBoxes().empty());
}

}  // namespace
}  // namespace tessaly::testing
