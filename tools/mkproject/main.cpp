// tarvamo4-mkproject DIR: writes a small complete game into a new (or
// empty) folder: default\ with every data file, a world map of three stages
// and the same stages as the challenge list (demo_*.cpp), the built-in
// bitmap sheets with the 8-bit palette and the blend tables of all 24 colour
// sets, generated sounds and music, and a System.ini that starts in a
// window. The player's first start there offers to copy default\ to data\.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "demo_game.h"
#include "platform/files.h"
#include "records/system_data.h"
#include "support/project_writer.h"
#include "support/sheet_writer.h"

namespace fs = std::filesystem;

namespace {

// The player's settings: ask for the drawing mode, play in a window at the
// desktop's depth, synchronise automatically, show the frame rate.
constexpr const char* kSystemIni =
    "Direct3D=2\r\n"
    "WindowMode=1\r\n"
    "Bpp=0\r\n"
    "VSync=2\r\n"
    "D3D_FontCache=0\r\n"
    "DD_FontCache=1\r\n"
    "DD_VideoStretch=0\r\n"
    "ShowFps=1\r\n"
    "English=0\r\n"
    "Exit\r\n";

bool IsNonEmptyOrNotAFolder(const fs::path& dir) {
  std::error_code ec;
  if (!fs::exists(dir, ec)) return false;
  if (!fs::is_directory(dir, ec)) return true;
  return !fs::is_empty(dir, ec) || ec;
}

// The demo's pictures, with the game's name and title menu as System.dat
// holds them.
bool WriteDemoPicturesFor(const char* systemData) {
  cSystemData system;
  if (!system.LoadFromFile(systemData)) return false;
  std::vector<std::string> menu;
  for (int k = 0; k < system.m_vecTitleMenu.Size(); ++k) menu.push_back(system.m_vecTitleMenu.At(k).m_strCaption);
  return demo::WriteDemoPictures(system.m_strTitle, menu);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-') {
    std::fprintf(stderr,
                 "usage: tarvamo4-mkproject DIR\n"
                 "Writes a runnable default project into DIR (a new or empty folder).\n");
    return 2;
  }
  const fs::path dir = argv[1];
  if (IsNonEmptyOrNotAFolder(dir)) {
    std::fprintf(stderr, "tarvamo4-mkproject: '%s' exists and is not an empty folder; nothing was written\n",
                 argv[1]);
    return 1;
  }
  std::error_code ec;
  fs::create_directories(dir, ec);
  const fs::path root = fs::absolute(dir, ec);
  if (ec || !WriteProject(root.string())) {
    std::fprintf(stderr, "tarvamo4-mkproject: could not write the project files into '%s'\n", argv[1]);
    return 1;
  }
  fs::current_path(root, ec);
  bool ok = !ec && demo::WriteDemoSettings() && demo::WriteDemoWorldMap() && demo::WriteDemoStages() &&
            WriteDemoPicturesFor("data\\System.dat") &&
            WriteBlendTables(root.string(), 0, 23) &&
            plat::WriteFileAtomic("System.ini", kSystemIni, std::strlen(kSystemIni));
  // The player makes data\ from default\ on its first start.
  if (ok) fs::rename(root / "data", root / "default", ec);
  if (!ok || ec) {
    std::fprintf(stderr, "tarvamo4-mkproject: could not write the project files into '%s'\n", argv[1]);
    return 1;
  }
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root, ec))
    if (e.is_regular_file()) files.push_back(fs::relative(e.path(), root).string());
  std::sort(files.begin(), files.end());
  std::printf("Wrote a project in %s:\n", root.c_str());
  for (const std::string& f : files) std::printf("  %s\n", f.c_str());
  std::printf("Start it with: tarvamo4 --project %s\n", root.c_str());
  return 0;
}
