// A fixture for code that reads files and reports what is wrong with them:
// a private folder that also holds the report log.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "services/log.h"
#include "support/temp_folder.h"

namespace t4test {

class FileAndReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    report_ = (dir_ / "Report_Game.txt").string();
    ASSERT_EQ(InitReportLog(report_.c_str()), 1);
  }
  // Writes a file into the folder and returns its path.
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    plat::FlushPathCache();
    return path;
  }
  // The report log (UTF-8) written since the last call.
  std::string TakeReport() {
    std::ifstream in(report_, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string fresh = all.substr(std::min(seen_, all.size()));
    seen_ = all.size();
    return fresh;
  }
  static int CountLines(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
  }

  TempFolder folder_;
  std::filesystem::path dir_{folder_.path()};
  std::string report_;
  size_t seen_ = 0;
};

}  // namespace t4test
