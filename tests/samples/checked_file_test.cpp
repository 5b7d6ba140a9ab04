#include "samples/checked_file.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_folder.h"

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

namespace tessaly {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

TEST(CheckedFileTest, ReplacesOnlyAfterACompleteWriteAndKeepsTheOldFileOnFailure) {
  TempFolder dir;
  const std::string path = dir.File("table.csv");
  WriteFile(path, "old");
  std::string error;
  {
    CheckedFile file(path);
    ASSERT_TRUE(file.Open(&error)) << error;
    file.stream() << "new";
    EXPECT_EQ(ReadFile(path), "old");  // nothing replaced while writing
  }                                    // abandoned: the old file stays, the temporary goes
  EXPECT_EQ(ReadFile(path), "old");
  ASSERT_TRUE(WriteFileChecked(path, "new", &error)) << error;
  EXPECT_EQ(ReadFile(path), "new");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  // A folder that does not exist, and a name that is a folder.
  EXPECT_FALSE(WriteFileChecked(dir.File("missing/x.csv"), "x", &error));
  EXPECT_NE(error.find("missing/x.csv"), std::string::npos) << error;
  EXPECT_FALSE(WriteFileChecked(dir.path().string() + "/", "x", &error));
#ifndef _WIN32
  // A disk that fills up part-way: the write fails (EFBIG past the size limit),
  // the old file is kept and the failure is reported.
  error.clear();
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  const bool written = WriteFileChecked(path, std::string(100000, 'x'), &error);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  EXPECT_NE(error.find("Cannot write"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(path), "new");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
#endif
}

}  // namespace
}  // namespace tessaly
