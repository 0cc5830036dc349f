// Runs the option parser over a vector written as a list of words (the program-name slot is added).
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "iPod/engine_settings.h"
#include "iPod/options.h"

inline bool parse_words(std::initializer_list<const char*> words) {
  std::vector<std::string> storage{"dorvane-engine"};
  for (const char* w : words) storage.emplace_back(w);
  std::vector<char*> argv;
  for (std::string& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);
  return parse_arguments(static_cast<int>(storage.size()), argv.data());
}

// Every test starts from the defaults, as engine_main does.
class OptionTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_engine_settings(); }
  void TearDown() override { reset_engine_settings(); }
};
