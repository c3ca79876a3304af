// The record files the data inspection tool knows, by file name (or a
// shell-style pattern, for numbered files). A record
// kind is added with one line here, above the end marker: a top-level record
// with DumpRecordFile<cClass>, a bare list with DumpRecordListFile<cElement>,
// a database file with DumpDatabaseFile<cElement> (the database loader's own
// checks included).
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
    {"CommonPalette.cplt4", &DumpRecordFile<cPaletteData>},
    {"*.stg4_[0-9][0-9][0-9]", &DumpRecordFile<cStageData>},
    {nullptr, nullptr},  // end marker
};

}  // namespace

std::span<const RecordFileType> RecordFileTypes() {
  std::span<const RecordFileType> all(kRecordFileTypes);
  return all.first(all.size() - 1);
}
