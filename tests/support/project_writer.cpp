#include "support/project_writer.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "app/project_paths.h"
#include "platform/paths.h"
#include "records/database.h"
#include "records/record.h"
#include "services/log.h"
#include "support/project_writer_system.h"
#include "support/sheet_writer.h"
#include "support/stage_writer.h"

namespace fs = std::filesystem;

ReportLogCapture::ReportLogCapture(const std::string& dir) : m_path(dir + "/Report_Game.txt") {
  InitReportLog(m_path.c_str());
}

std::vector<std::string> ReportLogCapture::Lines() const {
  std::vector<std::string> lines;
  std::ifstream f(m_path);
  for (std::string line; std::getline(f, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> ReportLogCapture::NewLines() {
  std::vector<std::string> all = Lines();
  std::vector<std::string> out(all.begin() + static_cast<long>(std::min(m_seen, all.size())), all.end());
  m_seen = all.size();
  return out;
}

// The ten databases at their defaults, written by their own Save into
// data\database\ of the current directory.
static bool WriteDatabases() {
  cDatabase db;
  return db.SaveAll("data\\database");
}

const char* const kTestSystemIni = "Direct3D=1\r\nWindowMode=1\r\nBpp=0\r\nExit\r\n";

bool WriteProject(const std::string& root) {
  if (g_dwDataVersion == 0) g_dwDataVersion = kRecordDataVersion;
  std::error_code ec;
  fs::create_directories(root, ec);
  std::string old = fs::current_path().string();
  fs::current_path(root, ec);
  if (ec) return false;
  CreateProjectFolders();
  bool ok = plat::DirectoryExists("data\\database") && WriteDatabases() && WriteCommonPalette() &&
            WriteSystemFiles() && WriteBuiltInSheets(".", 8) && WriteBlendTables(".", 0, 0);
  if (ok) {
    std::ofstream ini("System.ini", std::ios::binary | std::ios::trunc);
    ini << kTestSystemIni;
    ok = static_cast<bool>(ini);
  }
  fs::current_path(old, ec);
  return ok;
}
