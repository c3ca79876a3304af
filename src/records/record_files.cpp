// The record files the data inspection tool knows, by file name. A record
// kind is added with one line here, above the end marker: a top-level record
// with DumpRecordFile<cClass>, a bare list with DumpRecordListFile<cElement>,
// a database file with DumpDatabaseFile<cElement> (the database loader's own
// checks included).
#include "records/database.h"
#include "records/record_dump.h"

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
    {nullptr, nullptr},  // end marker
};

}  // namespace

std::span<const RecordFileType> RecordFileTypes() {
  std::span<const RecordFileType> all(kRecordFileTypes);
  return all.first(all.size() - 1);
}
