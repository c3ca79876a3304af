// The record files the data inspection tool knows, by file name (or a
// shell-style pattern, for numbered files). A record
// kind is added with one line here, above the end marker: a top-level record
// with DumpRecordFile<cClass>, a bare list with DumpRecordListFile<cElement>,
// a database file with DumpDatabaseFile<cElement> (the database loader's own
// checks included), a file of templates with DumpTemplateFile<cClass>.
#include "records/boot_data.h"
#include "records/window_data.h"
#include "records/database.h"
#include "records/option_data.h"
#include "records/palette_data.h"
#include "records/record_dump.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"

namespace {

template <class T>
bool DumpDatabaseFile(std::string_view path, std::string* json) {
  cCheckedVector<T> list;
  if (LoadDatabaseFile(list, std::string(path).c_str()) != DatabaseLoad::Loaded) return false;
  *json = RecordListToJson(list);
  return true;
}

// The folder part of a stored path, `levels` folders up ("" when there is
// none), with its separator.
std::string FolderOf(std::string_view path, int levels) {
  size_t end = path.size();
  for (int i = 0; i < levels; ++i) {
    size_t cut = path.substr(0, end).find_last_of("/\\");
    if (cut == std::string_view::npos) return "";
    end = cut;
  }
  return std::string(path.substr(0, end + 1));
}

// Templates check their database indices and palette links while they load.
// A file inside a project's data folder (`levels` folders below it) is read
// the way the player reads it: with that project's databases and, for a
// stage, its common palette loaded first, as far as they can be read.
template <class T>
bool DumpTemplateFile(std::string_view path, std::string* json, int levels, bool withPalette) {
  const std::string data = FolderOf(path, levels);
  if (!data.empty()) {
    auto load = [&](auto& list, int i) {
      (void)LoadDatabaseFile(list, (data + "database\\" + g_DatabaseFiles[i].fileName).c_str());
    };
    load(g_Database.m_vecAnimeSet, 0);
    load(g_Database.m_vecAnime, 1);
    load(g_Database.m_vecBmpCharaExc, 2);
    load(g_Database.m_vecSwordType, 3);
    load(g_Database.m_vecEffect, 4);
    load(g_Database.m_vecCharaEffect, 5);
    load(g_Database.m_vecScrEffect, 6);
    load(g_Database.m_vecPicture, 7);
    load(g_Database.m_vecSound, 8);
    load(g_Database.m_vecBgm, 9);
    if (withPalette) (void)g_CommonPalette.LoadFromFile((data + "CommonPalette.cplt4").c_str());
  }
  return DumpRecordFile<T>(path, json);
}
bool DumpStageFile(std::string_view path, std::string* json) { return DumpTemplateFile<cStageData>(path, json, 2, true); }
bool DumpPaletteFile(std::string_view path, std::string* json) {
  return DumpTemplateFile<cPaletteData>(path, json, 1, false);
}

const RecordFileType kRecordFileTypes[] = {
    {"AnimeSet.dat", &DumpDatabaseFile<cAnimeSetData>},
    {"Anime.dat", &DumpDatabaseFile<cAnimeData>},
    {"Bmp_CharaExc.dat", &DumpDatabaseFile<cBmpCharaExcData>},
    {"SwordType.dat", &DumpDatabaseFile<cSwordTypeData>},
    {"Effect.dat", &DumpDatabaseFile<cEffectData>},
    {"CharaEffect.dat", &DumpDatabaseFile<cCharaEffectData>},
    {"ScrEffect.dat", &DumpDatabaseFile<cScrEffectData>},
    {"Picture.dat", &DumpDatabaseFile<cPictureData>},
    {"Sound.dat", &DumpDatabaseFile<cSoundData>},
    {"Bgm.dat", &DumpDatabaseFile<cBgmData>},
    {"System.dat", &DumpRecordFile<cSystemData>},
    {"WorldMap.dat", &DumpRecordFile<cWorldMapData>},
    {"Option.dat", &DumpRecordFile<cOptionData>},
    {"Boot.dat", &DumpRecordFile<cBootData>},
    {"Window.dat", &DumpRecordFile<cWindowData>},
    {"CommonPalette.cplt4", &DumpPaletteFile},
    {"*.stg4_[0-9][0-9][0-9]", &DumpStageFile},
    {nullptr, nullptr},  // end marker
};

}  // namespace

std::span<const RecordFileType> RecordFileTypes() {
  std::span<const RecordFileType> all(kRecordFileTypes);
  return all.first(all.size() - 1);
}
