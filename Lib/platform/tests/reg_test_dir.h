// A fresh registry directory for each test, pointed to by VANTRIK_REGISTRY_DIR and removed
// afterwards, plus helpers to read and write the store's files directly.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class RegTestDir : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrik-reg-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("VANTRIK_REGISTRY_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  std::string PathOf(const std::string& name) const { return dir_ + "/" + name; }

  std::string ReadFile(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  void WriteFile(const std::string& name, const std::string& bytes) const {
    std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
    out << bytes;
  }

  std::string dir_;
};
