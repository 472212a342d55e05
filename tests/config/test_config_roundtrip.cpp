// What the program writes reads back to the same tree.
#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "config/kest_config.h"
#include "config_random_tree.h"
#include "config_test_dump.h"

namespace {

TEST(ConfigRoundTrip, RandomTrees) {
  for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
    config_list written("Config");
    random_tree gen(seed);
    gen.Fill(*written.root(), gen.Uniform(0, 4), 6);
    const std::string text = written.SaveToText();

    config_list read("Config");
    read.LoadFromText(text);
    ASSERT_EQ(Dump(*read.root()), Dump(*written.root())) << "seed " << seed << "\n" << text;
    // Writing the read tree again gives the same bytes.
    ASSERT_EQ(read.SaveToText(), text) << "seed " << seed;
  }
}

TEST(ConfigRoundTrip, StoredFilesReadAndWriteBackByteForByte) {
  for (const char* name : {"settings.xml", "binary_and_bytes.xml", "random_2.xml"}) {
    std::ifstream in(std::string(FLENMARK_FIXTURES_DIR) + "/config/corpus/" + name,
                     std::ios::binary);
    const std::string stored((std::istreambuf_iterator<char>(in)), {});
    ASSERT_FALSE(stored.empty()) << name;
    config_list list("Config");
    list.LoadFromText(stored);
    EXPECT_EQ(list.SaveToText(), stored) << name;
  }
}

TEST(ConfigRoundTrip, ThroughHeaderAndLocaleFreeNumbers) {
  // A locale with a decimal comma must change nothing (skipped where it is not installed).
  const std::string old_locale = std::setlocale(LC_ALL, nullptr);
  const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  // The way the settings file is written and read back.
  const std::string header = "<!-- Flenmark: Configuration File -->";
  config_list written("Config");
  written.SelectPath("Settings", true);
  written.SetValue("Volume", 0.125);
  written.SetValue("Frames", std::int64_t{-1});
  written.SetValue("Name", std::string("Zoë & \"Co\""));
  std::string file = header + "\r\n" + written.SaveToText();
  EXPECT_NE(file.find(">0.125<"), std::string::npos) << (german ? "de_DE" : "C");

  config_list read("Config");
  ASSERT_TRUE(config_list::StripHeader(file, header, true));
  read.LoadFromText(file);
  EXPECT_EQ(Dump(*read.root()), Dump(*written.root()));

  // The largest real still reads back.
  written.SetValue("Huge", std::numeric_limits<double>::max());
  read.LoadFromText(written.SaveToText());
  EXPECT_GT(std::get<double>(read.GetValue("/Settings/Huge", 0.0)), 1.79e308);
  std::setlocale(LC_ALL, old_locale.c_str());
}

}  // namespace
