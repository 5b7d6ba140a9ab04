#pragma once
// The statistics windows show the numbers tessaly-render --stats prints for
// the same stretch.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

namespace tessaly {

// The "key: value" lines of tessaly-render --stats's summary.
inline std::map<std::string, std::string> ReadStatsSummary(const std::string& path) {
  std::map<std::string, std::string> values;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    const size_t colon = line.find(": ");
    if (colon != std::string::npos) {
      values[line.substr(0, colon)] = line.substr(colon + 2);
    }
  }
  return values;
}

// The number after `label` on the line of `text` that starts with `line` is
// `printed`, to the 6 significant digits the window shows (10 for chi-square).
inline void ExpectShown(const std::string& text, const std::string& line, const std::string& label,
                        const std::string& printed) {
  const size_t start = text.find(line);
  const size_t at = text.find(label + " ", start);
  ASSERT_TRUE(start != std::string::npos && at < text.find('\n', start)) << line << ", " << label;
  const double expected = std::stod(printed);
  EXPECT_NEAR(std::strtod(text.c_str() + at + label.size() + 1, nullptr), expected,
              std::fabs(expected) * 1e-5)
      << line << ", " << label;
}

// The window's numbers `text` against the summary `cli`.
inline void ExpectSummaryShown(const std::string& text,
                               const std::map<std::string, std::string>& cli) {
  ASSERT_EQ(cli.size(), 9u) << "no summary of tessaly-render --stats";
  EXPECT_NE(text.find(cli.at("seconds") + " counted seconds"), std::string::npos) << text;
  for (const std::string device : {"", "device-"}) {
    const std::string line = device.empty() ? "Network variance" : "Device variance";
    ExpectShown(text, line, "\xCF\x87\xC2\xB2", cli.at(device + "chi-square"));
    ExpectShown(text, line, "df", cli.at(device + "df"));
    ExpectShown(text, line, "p", cli.at(device + "p"));
  }
  ExpectShown(text, "Network variance", "equivalent Z", cli.at("z"));
}

}  // namespace tessaly
