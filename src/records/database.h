// The ten project databases held together, their loading at start-up, and
// the run-time tables built from them once they are loaded.
#pragma once
#include <cstdint>
#include <string>

#include "records/anime_data.h"
#include "records/checked.h"
#include "records/effect_data.h"
#include "records/effect_state.h"
#include "records/media_data.h"
#include "records/record.h"

class cDatabase : public cRecordOf<cDatabase> {
 public:
  cCheckedVector<cAnimeSetData> m_vecAnimeSet;
  cCheckedVector<cAnimeData> m_vecAnime;
  cCheckedVector<cBmpCharaExcData> m_vecBmpCharaExc;
  cCheckedVector<cSwordTypeData> m_vecSwordType;
  cCheckedVector<cEffectData> m_vecEffect;
  cCheckedVector<cCharaEffectData> m_vecCharaEffect;
  cCheckedVector<cScrEffectData> m_vecScrEffect;
  cCheckedVector<cPictureData> m_vecPicture;
  cCheckedVector<cSoundData> m_vecSound;
  cCheckedVector<cBgmData> m_vecBgm;
  // Working copies whose start and end parameters the reverse tables exchange.
  cCheckedVector<cCharaEffectData> m_vecCharaEffectRev;
  cCheckedVector<cScrEffectData> m_vecScrEffectRev;

  cDatabase();

  // The ten lists at their default entries; the reverse copies are untouched.
  void SetDefault();
  // Loads the ten files of data\database\ in order; 1 when all were loaded,
  // 0 at the first that is missing or damaged (after its error box).
  int LoadAll();
  // Entry 0 of the chara-effect and screen-effect lists is "no effect".
  void ResetFirstEntries();
  // Makes the reverse copies element-by-element copies of their lists.
  void FillReverseCopies();
  // Writes the ten files into `folder` (a path the file layer resolves).
  bool SaveAll(const std::string& folder);
};

extern cDatabase g_Database;

// Outcome of reading one database file.
enum class DatabaseLoad { Loaded, CannotOpen, Damaged };

// One database file into one list. The list changes only when the whole file
// was read.
template <class T>
DatabaseLoad LoadDatabaseFile(cCheckedVector<T>& list, const char* path);

// The database files: index into g_szPathTable, file name, and the list.
struct DatabaseFileDesc {
  int pathEntry;
  const char* fileName;  // "AnimeSet.dat" ...
};
inline constexpr int kDatabaseFileCount = 10;
extern const DatabaseFileDesc g_DatabaseFiles[kDatabaseFileCount];

// One step of a played pattern: a graphic number or a control code (-2 loop,
// -4 end of a one-shot run), its frames, and the lock flag.
struct ANIMEPATTERNSTEP {
  int32_t nValue;
  int32_t nTime;
  int32_t nLock;
};
using cAnimePatternSteps = cCheckedVector<ANIMEPATTERNSTEP>;
using cPatternTable = cCheckedVector<cAnimePatternSteps>;

extern cPatternTable g_AnimePatternTable;
extern cPatternTable g_EffectPatternTable;

void BuildAnimePatternTable(cPatternTable& table);
void BuildEffectPatternTable(cPatternTable& table);
// From an explicit database (tests and tools).
void BuildAnimePatternTable(cPatternTable& table, const cDatabase& db);
void BuildEffectPatternTable(cPatternTable& table, const cDatabase& db);
