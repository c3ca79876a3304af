#include "records/database.h"

#include "records/path_table.h"
#include "platform/paths.h"
#include "services/log.h"

const DatabaseFileDesc g_DatabaseFiles[kDatabaseFileCount] = {
    {15, "AnimeSet.dat"}, {17, "Anime.dat"},       {19, "Bmp_CharaExc.dat"}, {21, "SwordType.dat"},
    {23, "Effect.dat"},   {25, "CharaEffect.dat"}, {27, "ScrEffect.dat"},    {29, "Picture.dat"},
    {31, "Sound.dat"},    {33, "Bgm.dat"},
};

namespace {
// Runs fn(list, file) for the ten lists in their file order.
template <class Db, class Fn>
bool ForEachList(Db& db, Fn&& fn) {
  return fn(db.m_vecAnimeSet, g_DatabaseFiles[0]) && fn(db.m_vecAnime, g_DatabaseFiles[1]) &&
         fn(db.m_vecBmpCharaExc, g_DatabaseFiles[2]) && fn(db.m_vecSwordType, g_DatabaseFiles[3]) &&
         fn(db.m_vecEffect, g_DatabaseFiles[4]) && fn(db.m_vecCharaEffect, g_DatabaseFiles[5]) &&
         fn(db.m_vecScrEffect, g_DatabaseFiles[6]) && fn(db.m_vecPicture, g_DatabaseFiles[7]) &&
         fn(db.m_vecSound, g_DatabaseFiles[8]) && fn(db.m_vecBgm, g_DatabaseFiles[9]);
}

template <class T>
void SetDefaultList(cCheckedVector<T>& list, size_t n) {
  list.assign(n, T());
}
}  // namespace

cDatabase::cDatabase() { SetDefault(); }

void cDatabase::SetDefault() {
  Clear();
  SetDefaultList(m_vecAnimeSet, 1);
  SetDefaultList(m_vecAnime, 2);
  m_vecAnime.At(0).m_strName = "なし";
  m_vecAnime.At(1).m_strName = "アクションA";
  SetDefaultList(m_vecBmpCharaExc, 2);
  SetDefaultList(m_vecSwordType, 1);
  SetDefaultList(m_vecEffect, 2);
  SetDefaultList(m_vecCharaEffect, 2);
  SetDefaultList(m_vecScrEffect, 2);
  SetDefaultList(m_vecPicture, 2);
  SetDefaultList(m_vecSound, 2);
  SetDefaultList(m_vecBgm, 2);
}

template <class T>
DatabaseLoad LoadDatabaseFile(cCheckedVector<T>& list, const char* path) {
  cCheckedVector<T> loaded;
  if (!LoadRecordFile(path, [&](cRecordReader& in) {
        in.List("", loaded);
        return in.Ok();
      }))
    return plat::FileExists(path) ? DatabaseLoad::Damaged : DatabaseLoad::CannotOpen;
  // Every user of a list may read entry 0 (the none entry) without checking
  // the length, so a list is never left empty.
  if (loaded.empty()) {
    loaded.assign(1, T());
    WriteReport("%s には項目がないため、既定の項目を 1 つ補いました", path);
  }
  list = std::move(loaded);
  return DatabaseLoad::Loaded;
}

template DatabaseLoad LoadDatabaseFile(cCheckedVector<cAnimeSetData>&, const char*);
template DatabaseLoad LoadDatabaseFile(cCheckedVector<cAnimeData>&, const char*);
template DatabaseLoad LoadDatabaseFile(cCheckedVector<cBmpCharaExcData>&, const char*);
template DatabaseLoad LoadDatabaseFile(cCheckedVector<cSwordTypeData>&, const char*);
template DatabaseLoad LoadDatabaseFile(cCheckedVector<cEffectData>&, const char*);
template DatabaseLoad LoadDatabaseFile(cCheckedVector<cCharaEffectData>&, const char*);
template DatabaseLoad LoadDatabaseFile(cCheckedVector<cScrEffectData>&, const char*);
template DatabaseLoad LoadDatabaseFile(cCheckedVector<cPictureData>&, const char*);
template DatabaseLoad LoadDatabaseFile(cCheckedVector<cSoundData>&, const char*);
template DatabaseLoad LoadDatabaseFile(cCheckedVector<cBgmData>&, const char*);

int cDatabase::LoadAll() {
  const bool all = ForEachList(*this, [](auto& list, const DatabaseFileDesc& file) {
    const char* path = g_szPathTable[file.pathEntry];
    // A damaged file stops start-up like a missing one: playing on with
    // default entries would point the stages at the wrong data.
    if (LoadDatabaseFile(list, path) == DatabaseLoad::Loaded) return true;
    ErrorBoxf("%s のロードに失敗！", path);
    return false;
  });
  if (!all) return 0;
  ResetFirstEntries();
  return 1;
}

void cDatabase::ResetFirstEntries() {
  m_vecCharaEffect.At(0).m_nKind = 0;
  m_vecScrEffect.At(0).m_nKind = 0;
}

void cDatabase::FillReverseCopies() {
  CopyRecordVector(m_vecCharaEffectRev, m_vecCharaEffect);
  CopyRecordVector(m_vecScrEffectRev, m_vecScrEffect);
}

bool cDatabase::SaveAll(const std::string& folder) {
  bool ok = true;
  ForEachList(*this, [&](auto& list, const DatabaseFileDesc& file) {
    ok = SaveRecordListFile(folder + "/" + file.fileName, list) && ok;
    return true;
  });
  return ok;
}

// --- pattern tables ------------------------------------------------------------

namespace {
constexpr ANIMEPATTERNSTEP kLoopStep{-2, 0, 1};
constexpr ANIMEPATTERNSTEP kEndStep{-4, 0, 0};

// Frames last tenths of a second; a pattern step counts 1/60 s frames.
int32_t TenthsToFrames(int32_t tenths) { return static_cast<int32_t>(static_cast<uint32_t>(tenths) * 6u); }

// frame(k) gives {graphic, tenths, lock field} of frame k.
template <class Frames, class FrameFn>
cAnimePatternSteps BuildPattern(bool noneEntry, const Frames& frames, FrameFn frame) {
  cAnimePatternSteps steps(frames.size() + 1, ANIMEPATTERNSTEP{0, 0, 0});
  bool locked = false;
  for (size_t k = 0; k < frames.size(); ++k) {
    const ANIMEPATTERNSTEP f = frame(frames[k]);
    if (noneEntry) {
      steps[k] = {f.nValue, 0, 1};
    } else {
      if (f.nLock) locked = true;
      steps[k] = {f.nValue, TenthsToFrames(f.nTime), locked ? 1 : 0};
    }
  }
  steps.back() = noneEntry ? kLoopStep : kEndStep;
  return steps;
}
}  // namespace

void BuildAnimePatternTable(cPatternTable& table, const cDatabase& db) {
  table.assign(db.m_vecAnime.size(), cAnimePatternSteps());
  for (size_t i = 0; i < db.m_vecAnime.size(); ++i)
    table[i] = BuildPattern(i == 0, db.m_vecAnime[i].m_vecFrame, [](const cAnimeFrameData& f) {
      return ANIMEPATTERNSTEP{f.m_nGraphic, f.m_nTime, f.m_nLock};
    });
}

void BuildEffectPatternTable(cPatternTable& table, const cDatabase& db) {
  table.assign(db.m_vecEffect.size(), cAnimePatternSteps());
  for (size_t i = 0; i < db.m_vecEffect.size(); ++i)
    table[i] = BuildPattern(i == 0, db.m_vecEffect[i].m_vecFrame, [](const cEffectFrameData& f) {
      return ANIMEPATTERNSTEP{f.m_nGraphic, f.m_nTime, 0};
    });
}

void BuildAnimePatternTable(cPatternTable& table) { BuildAnimePatternTable(table, g_Database); }
void BuildEffectPatternTable(cPatternTable& table) { BuildEffectPatternTable(table, g_Database); }
