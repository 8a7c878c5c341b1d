// What the file tests share: a fresh folder per test on the headless backend, and
// files written and read back byte for byte without going through the code under
// test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/headless/headless.h"

namespace io_test {

namespace fs = std::filesystem;

class IoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("brine_io_" +
              std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    configure({});
  }
  void TearDown() override { fs::remove_all(folder); }

  void configure(std::vector<std::wstring> answers,
                 std::vector<std::wstring> arguments = {L"brinemere"}) {
    headless::Options options;
    options.dialogAnswers = std::move(answers);
    options.arguments = std::move(arguments);
    headless::configure(options);
  }

  // The wide path of a file in the test's folder.
  std::wstring path(const std::string& name) const { return (folder / name).wstring(); }

  void writeBytes(const std::string& name, const std::string& bytes) const {
    std::ofstream(folder / name, std::ios::binary) << bytes;
  }
  std::string readBytes(const std::string& name) const {
    std::ifstream in(folder / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path folder;
};

}  // namespace io_test
