// A fresh folder for each test, named after the process so that two runs
// side by side never share one, and removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>

namespace orv {

inline std::filesystem::path FreshScratchDir(const std::string& name) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

class ScratchDirTest : public ::testing::Test {
 protected:
  explicit ScratchDirTest(std::string name) : name_(std::move(name)) {}
  void SetUp() override { dir_ = FreshScratchDir(name_); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path dir_;

 private:
  std::string name_;
};

}  // namespace orv
