#include "app/project_paths.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"
#include "services/log.h"

const char* const g_szPathTable[kPathTableSize] = {
    "data\\",
    "default\\",
    "data\\stg4\\old_ver\\",
    "data\\work\\",
    "e_data\\EditConfig.dat",
    "data\\PrjOption.dat",
    "default\\PrjOption.dat",
    "data\\CommonPalette.cplt4",
    "default\\CommonPalette.cplt4",
    "data\\GValInfo.dat",
    "default\\GValInfo.dat",
    "data\\stg4\\Default.stg4_***",
    "default\\stg4\\Default.stg4_***",
    "data\\WorldMap.dat",
    "default\\WorldMap.dat",
    "data\\database\\AnimeSet.dat",
    "default\\database\\AnimeSet.dat",
    "data\\database\\Anime.dat",
    "default\\database\\Anime.dat",
    "data\\database\\Bmp_CharaExc.dat",
    "default\\database\\Bmp_CharaExc.dat",
    "data\\database\\SwordType.dat",
    "default\\database\\SwordType.dat",
    "data\\database\\Effect.dat",
    "default\\database\\Effect.dat",
    "data\\database\\CharaEffect.dat",
    "default\\database\\CharaEffect.dat",
    "data\\database\\ScrEffect.dat",
    "default\\database\\ScrEffect.dat",
    "data\\database\\Picture.dat",
    "default\\database\\Picture.dat",
    "data\\database\\Sound.dat",
    "default\\database\\Sound.dat",
    "data\\database\\Bgm.dat",
    "default\\database\\Bgm.dat",
    "data\\System.dat",
    "default\\System.dat",
    "data\\stg4\\c",
    "user_data\\story\\",
    "user_data\\challenge\\",
    "user_data\\free\\",
    "user_data\\story\\Story",
    "user_data\\challenge\\Challenge.dat",
    "user_data\\Option.dat",
    "user_data\\",
    "user_data\\KeyConfig.dat",
    "user_data\\Boot.dat",
    "user_data\\Window.dat",
};

const char* const g_szExtTable[4] = {"cplt4", "stg4", "plt4", "rkg"};

const char* const g_szColourNameTable[11] = {"なし", "白", "黒", "赤", "緑", "青", "黄", "赤紫", "青紫", "4色", ""};

const char* const g_szFolderList[] = {
    "user_data",      "user_data\\story", "user_data\\challenge", "user_data\\free", "user_data\\rpl4",
    "data",           "data\\database",   "data\\stg4",           "data\\stg4\\old_ver", "data\\work",
    "data\\plt4",     "bmp",              "bmp\\back",            "bmp\\chara_sp",   "bmp\\effect",
    "bmp\\picture",   "bmp\\sword",       "bmp\\convert",         "bmp\\plt",        "bmp\\hbt",
    "wave",           "bgm",              nullptr,
};

namespace {

std::string WithoutTrailingSeparator(std::string p) {
  while (!p.empty() && (p.back() == '\\' || p.back() == '/')) p.pop_back();
  return p;
}

// Deep enough for any project; stops a looping link from recursing forever.
constexpr int kMaxCopyDepth = 64;

bool CopyInto(const std::string& from, const std::string& to, int depth, std::vector<std::string>& made) {
  if (depth > kMaxCopyDepth) return false;
  if (plat::PathExists(to) || !plat::CreateDirectory(to)) return false;
  made.push_back(to);
  for (const std::string& name : plat::ListDirectory(from, false, true)) {
    std::vector<uint8_t> bytes;
    std::string src = from + "\\" + name, dst = to + "\\" + name;
    if (!plat::ReadWholeFile(src, bytes)) return false;
    if (!plat::WriteFileAtomic(dst, bytes.data(), bytes.size())) return false;
    made.push_back(dst);
  }
  for (const std::string& name : plat::ListDirectory(from, true, false))
    if (!CopyInto(from + "\\" + name, to + "\\" + name, depth + 1, made)) return false;
  return true;
}

}  // namespace

bool CopyFolderTree(const std::string& from, const std::string& to) {
  std::vector<std::string> made;
  if (CopyInto(WithoutTrailingSeparator(from), WithoutTrailingSeparator(to), 0, made)) return true;
  // Undo in reverse order: files before the folders that hold them. Only
  // what this copy created goes; anything that was there stays.
  for (auto it = made.rbegin(); it != made.rend(); ++it) {
    std::error_code ec;
    std::filesystem::remove(plat::ResolvePath(*it), ec);
  }
  plat::FlushPathCache();
  return false;
}

int CreateDefaultData(HWND owner) {
  (void)owner;  // boxes are owned by the game window in any case
  if (plat::DirectoryExists(g_szPathTable[0])) return 1;
  if (!plat::DirectoryExists(g_szPathTable[1])) return 0;
  if (MesBox("データが存在しません！デフォルトデータを作成しますか？\n", "デフォルトデータ作成の確認", MB_YESNO) != IDYES) return 0;
  return CopyFolderTree(g_szPathTable[1], g_szPathTable[0]) ? 1 : 0;
}

void CreateProjectFolders() {
  for (const char* const* p = g_szFolderList; *p; ++p) plat::CreateDirectory(*p);
}

void RemoveSaveLeftovers() {
  constexpr std::string_view kUserData = "user_data";
  for (const char* const* p = g_szFolderList; *p; ++p)
    if (std::string_view(*p).substr(0, kUserData.size()) == kUserData) plat::RemoveWriteLeftovers(*p);
}
