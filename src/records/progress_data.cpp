#include "records/progress_data.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>

#include "records/stage_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "services/game_threads.h"

namespace {
constinit const RecordField kProgressFields[] = {
    T4_FIELD(cProgressData, m_bCarryStored),
    T4_FIELD(cProgressData, m_nMapX),
    T4_FIELD(cProgressData, m_nMapY),
    T4_FIELD(cProgressData, m_nMapStage),
    T4_FIELD(cProgressData, m_nWorld),
    T4_FIELD(cProgressData, m_strStageFile),
    T4_FIELD(cProgressData, m_strRankingKey).From(724),
    T4_FIELD(cProgressData, m_bMapStage).From(758),
    T4_FIELD(cProgressData, m_nStageX).From(758),
    T4_FIELD(cProgressData, m_nStageY).From(758),
    T4_FIELD(cProgressData, m_nStageNo),
    T4_FIELD(cProgressData, m_nStageCount),
    T4_FIELD(cProgressData, m_nStartLives),
    T4_FIELD(cProgressData, m_nLives),
    T4_FIELD(cProgressData, m_nScoreGained),
    T4_FIELD(cProgressData, m_nScore),
    T4_FIELD(cProgressData, m_nTotalScore),
    T4_FIELD(cProgressData, m_nTimeLeft),
    T4_FIELD(cProgressData, m_nClearTime),
    T4_FIELD(cProgressData, m_nResultLife).From(182),
    T4_FIELD(cProgressData, m_nResultSp).From(182),
    T4_FIELD(cProgressData, m_nSeriesNo),
    T4_FIELD(cProgressData, m_nStageBgm),
    T4_FIELD(cProgressData, m_bStageBgmLoop).From(166),
    T4_FIELD(cProgressData, m_nMapDir).From(194),
    T4_FIELD(cProgressData, m_bBackToMap).From(190),
    T4_FIELD(cProgressData, m_nPrevMapX).From(191),
    T4_FIELD(cProgressData, m_nPrevMapY).From(191),
    T4_FIELD(cProgressData, m_nChallengeOpen),
    T4_FIELD(cProgressData, m_nSaveSlot),
    T4_FIELD(cProgressData, m_bAutoSave).From(169),
    T4_FIELD(cProgressData, m_strRankingName),
    T4_FIELD(cProgressData, m_bShowRanking),
    T4_FIELD(cProgressData, m_nRankingKind),
    T4_FIELD(cProgressData, m_nClearValue1).From(678),
    T4_FIELD(cProgressData, m_nClearValue2).From(678),
    T4_FIELD(cProgressData, m_nClearValue3).From(678),
    T4_FIELD(cProgressData, m_nClearValue4).From(679),
};
constexpr int kWorldFlags = 1000;
constexpr int kVariables = 1001;

// Carry kinds that are not template values: the caller's numbers, kept in
// the five carried values of the hero's entry.
enum : int {
  kCarryEffect = 4,
  kCarryLife = 11,
  kCarrySp = 12,
  kCarrySceneValue = 22,
  kCarryLives = 23,
  kCarryStageBgm = 24,
};

// The template values of carry kind k, from one template to another. The
// chara-effect kind is the template's start effect; the kinds that are not
// template values copy nothing here.
void CopyTemplateKind(int k, const cCharaData& from, cCharaData& to) {
  switch (k) {
    case 0:
      to.m_sGraphic = from.m_sGraphic;
      to.m_byGraphicKind = from.m_byGraphicKind;
      to.m_sGraphicFrame = from.m_sGraphicFrame;
      break;
    case 1: to.m_sAnimeSet = from.m_sAnimeSet; break;
    case 2: to.m_byZ = from.m_byZ; break;
    case 3: to.m_bTransparent = from.m_bTransparent; break;
    case kCarryEffect:
      to.m_sStartEffect = from.m_sStartEffect;
      to.m_cStartEffectDir = from.m_cStartEffectDir;
      to.m_byStartEffectMode = from.m_byStartEffectMode;
      break;
    case 5: to.m_bFixedDirection = from.m_bFixedDirection; break;
    case 6: to.m_byFlight = from.m_byFlight; break;
    case 7: to.m_byInvincible = from.m_byInvincible; break;
    case 8: to.m_cSize = from.m_cSize; break;
    case 9: to.m_bScrollSync = from.m_bScrollSync; break;
    case 10:
      to.m_bySightShape = from.m_bySightShape;
      to.m_bySightRange = from.m_bySightRange;
      break;
    case 13: to.m_nMaxHp = from.m_nMaxHp; break;
    case 14: to.m_nMaxSp = from.m_nMaxSp; break;
    case 15: to.m_byHitRange = from.m_byHitRange; break;
    case 16: to.m_nBodyPower = from.m_nBodyPower; break;
    case 17: to.m_byBodyImpact = from.m_byBodyImpact; break;
    case 18: to.m_sBodyEffect = from.m_sBodyEffect; break;
    case 19: to.m_nDefence = from.m_nDefence; break;
    case 20: to.m_sStopEase = from.m_sStopEase; break;
    case 21: to.m_vecFlow = from.m_vecFlow; break;
    default: break;
  }
}

bool CarrySwitch(int k) { return g_SystemData.m_vecCarryFlag.At(k) != 0; }

// The game modes of System.dat's per-mode lists.
enum : int { kModeStory = 0, kModeChallenge = 1, kModeFree = 2, kModeReplay = 3 };
}  // namespace

cProgressData::cProgressData() { Reset(); }
RecordFieldTable cProgressData::FieldTable() const { return kProgressFields; }

void cProgressData::Appended(cRecordIO& io) {
  io.Raw("m_stSaveTime", m_stSaveTime, sizeof m_stSaveTime, NumberType::Unsigned);
  if (io.Version() > 500) io.Ints("m_vecCarryFlag", m_vecCarryFlag);
  io.List("m_vecCharaSave", m_vecCharaSave);
  io.List("m_vecBestScore", m_vecBestScore);
  io.List("m_vecChallenge", m_vecChallenge);
  io.Ints("m_vecWorldFlag", m_vecWorldFlag);
  io.Ints("m_vecVar", m_vecVar);
}

bool cProgressData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  const uint32_t v = in.Version();
  if (v < 166) m_bStageBgmLoop = 1;
  if (v < 169) m_bAutoSave = 0;
  if (v < 182) m_nResultLife = m_nResultSp = 0;
  if (v < 190) m_bBackToMap = 0;
  if (v <= 190) m_nPrevMapX = m_nPrevMapY = 0;
  if (v < 194) m_nMapDir = 0;
  if (v <= 500) m_vecCarryFlag.assign(kCarryKindCount, 1);
  if (v < 754) {
    // Files before 754 held 1000 variables; the scripts of this version
    // reach variable 1000, so the run gets the full 1001.
    m_vecVar.resize(kVariables, 0);
    m_vecVarStart.assign(kVariables, 0);
  }
  FitLists();
  // A negative position read from a file is as far off the map as one past
  // its end: the map would index its grid with it.
  if (m_nMapX < 0) m_nMapX = g_WorldMap.m_nStartX;
  if (m_nMapY < 0) m_nMapY = g_WorldMap.m_nStartY;
  Normalize();
  return true;
}

void cProgressData::FitLists() {
  if (m_vecCarryFlag.Size() != kCarryKindCount) m_vecCarryFlag.resize(kCarryKindCount, 0);
  if (m_vecCharaSave.empty()) m_vecCharaSave.assign(1, cCharaSave());
  if (m_vecWorldFlag.Size() < kWorldFlags) m_vecWorldFlag.resize(kWorldFlags, 0);
  if (m_vecVar.Size() < kVariables) m_vecVar.resize(kVariables, 0);
}

void cProgressData::Save(cRecordWriter& out) {
  Normalize();
  cRecord::Save(out);
}

void cProgressData::Reset() {
  Clear();
  m_vecCarryFlag.assign(kCarryKindCount, 0);
  m_vecCharaSave.assign(1, cCharaSave());
  m_vecWorldFlag.assign(kWorldFlags, 0);
  m_vecWorldFlag[0] = 1;
  m_vecVar.assign(kVariables, 0);
  // A restart before the first snapshot finds the new run's variables.
  m_vecVarStart = m_vecVar;
  m_nLivesStart = m_nScoreStart = 0;
  m_vecBestScore.clear();
  m_vecChallenge.clear();
  m_nChallengeOpen = 1;
  m_nSaveSlot = -1;
  m_strRankingName = "aaa";
}

void cProgressData::Normalize() {
  if (m_nMapX >= g_WorldMap.m_nWidth) m_nMapX = g_WorldMap.m_nStartX;
  if (m_nMapY >= g_WorldMap.m_nHeight) m_nMapY = g_WorldMap.m_nStartY;
  const int stages = std::max(0, g_SystemData.m_nChallengeStages);
  m_vecChallenge.resize(static_cast<size_t>(stages));
  if (m_nChallengeOpen > stages) m_nChallengeOpen = stages;
}

void cProgressData::SetStageFile(const std::string& name, int mapStage, int x, int y) {
  m_bMapStage = mapStage;
  m_nStageX = x;
  m_nStageY = y;
  // Searched from the end: a '-' followed by '1' marks a series file. Both
  // bytes are below the range of double-byte trail bytes.
  size_t series = std::string::npos;
  for (size_t i = name.size(); i-- > 0;) {
    if (name[i] == '-' && i + 1 < name.size() && name[i + 1] == '1') {
      series = i;
      break;
    }
  }
  if (series != std::string::npos) {
    m_strStageFile = name.substr(0, series) + ".";
    m_nSeriesNo = 1;
  } else {
    const size_t dot = name.rfind('.');
    m_strStageFile = dot == std::string::npos ? name : name.substr(0, dot + 1);
    m_nSeriesNo = 0;
  }
  m_strRankingKey = m_strStageFile;
  AppendMapPosition(m_strRankingKey, mapStage, x, y);
}

void AppendMapPosition(std::string& key, int mapStage, int x, int y) {
  if (!mapStage) return;
  const bool dot = !key.empty() && key.back() == '.';
  if (dot) key.pop_back();
  char buf[40];
  std::snprintf(buf, sizeof(buf), "_c%03d_%d", x, y);
  key += buf;
  if (dot) key += '.';
}

// ---- between stages ----------------------------------------------------------

void cProgressData::UpdateBestScore(const std::string& name, const std::string& key, int mapStage, int x, int y,
                                    int score) {
  // The total is held at the int range instead of wrapping.
  auto addToTotal = [this](int64_t d) {
    m_nTotalScore = static_cast<int>(std::clamp<int64_t>(int64_t{m_nTotalScore} + d, INT_MIN, INT_MAX));
  };
  for (cStageSave& e : m_vecBestScore) {
    if (e.m_strStageKey != key) continue;
    if (e.m_nBestScore < score) {
      addToTotal(int64_t{score} - e.m_nBestScore);
      e.m_nBestScore = score;
    }
    return;
  }
  cStageSave e;
  e.Set(score, name, key, mapStage, x, y);
  m_vecBestScore.push_back(e);
  addToTotal(score);
}

int cProgressData::GetBestScore(const std::string& key) const {
  for (const cStageSave& e : m_vecBestScore)
    if (e.m_strStageKey == key) return e.m_nBestScore;
  return 0;
}

void cProgressData::SaveStageStart() {
  m_vecVarStart = m_vecVar;
  m_nLivesStart = m_nLives;
  m_nScoreStart = m_nScore;
}

int cProgressData::RestoreStageStart(int all, int gameMode) {
  if (all) {
    m_vecVar = m_vecVarStart;
    m_nScore = m_nScoreStart;
    m_nLives = m_nLivesStart;
    return 1;
  }
  int restore = 0;
  if (gameMode == kModeReplay) {
    // A replay plays back from the variables it was recorded with.
    restore = 1;
  } else if (g_bCmdLineStage) {
    restore = g_SystemData.m_bRestoreTest;
  } else {
    switch (gameMode) {
      case kModeStory: restore = g_SystemData.m_bRestoreStory; break;
      case kModeChallenge: restore = g_SystemData.m_bRestoreChallenge; break;
      case kModeFree: restore = g_SystemData.m_bRestoreFree; break;
      default: break;
    }
  }
  if (restore) m_vecVar = m_vecVarStart;
  m_nScore = m_nScoreStart;
  return 1;
}

void cProgressData::RecountTotal() {
  // Summed in 64 bits and held at the int range: many stages of high
  // scores must not wrap the total into a negative one.
  int64_t total = 0;
  for (const cStageSave& e : m_vecBestScore)
    if (g_WorldMap.HasStage(e.m_strStageFile, e.m_bMapFlag, e.m_nMapX, e.m_nMapY)) total += e.m_nBestScore;
  m_nTotalScore = static_cast<int>(std::clamp<int64_t>(total, INT_MIN, INT_MAX));
}

void cProgressData::SetStageEntryVariable() {
  if (!m_bMapStage) return;
  if (m_nStageX < 0 || m_nStageX >= m_vecVar.Size()) return;
  m_vecVar[static_cast<size_t>(m_nStageX)] = m_nStageY;
}

void cProgressData::ClearScoreTotals() {
  m_nScore = 0;
  m_nTimeLeft = 0;
  m_nClearTime = 0;
  m_nResultLife = 0;
  m_nResultSp = 0;
}

void cProgressData::StoreCarry(int chara, const cCharaData& hero, int life, int sp, int effect, int effectParam1,
                               int effectParam2, int sceneValue, int lives, int stageBgm) {
  m_bCarryStored = 1;
  cCharaSave& save = m_vecCharaSave.At(chara);
  for (int k = 0; k < kCarryKindCount; ++k) {
    if (!CarrySwitch(k)) continue;
    switch (k) {
      case kCarryEffect:
        save.m_Chara.m_sStartEffect = static_cast<int16_t>(effect);
        save.m_Chara.m_cStartEffectDir = static_cast<int8_t>(effectParam1);
        save.m_Chara.m_byStartEffectMode = static_cast<BYTE>(effectParam2);
        break;
      case kCarryLife: save.m_nCarry11 = life; break;
      case kCarrySp: save.m_nCarry12 = sp; break;
      case kCarrySceneValue: save.m_nCarry22 = sceneValue; break;
      case kCarryLives: save.m_nCarry23 = lives; break;
      case kCarryStageBgm: save.m_nCarry24 = stageBgm; break;
      default: CopyTemplateKind(k, hero, save.m_Chara); break;
    }
    m_vecCarryFlag.At(k) = 1;
  }
}

void cProgressData::RestoreCarry(int chara, cCharaData& hero, cStageData& stage) {
  if (!m_bCarryStored) return;
  const cCharaSave& save = m_vecCharaSave.At(chara);
  for (int k = 0; k < kCarryKindCount; ++k) {
    if (!m_vecCarryFlag.At(k)) continue;
    switch (k) {
      case kCarryLife:
      case kCarrySp: break;  // RestoreCarryValues gives these back
      case kCarrySceneValue: stage.m_nTimeLimit = save.m_nCarry22; break;
      case kCarryLives: m_nLives = save.m_nCarry23; break;
      case kCarryStageBgm: stage.m_nBgm = save.m_nCarry24; break;
      default:
        CopyTemplateKind(k, save.m_Chara, hero);
        if (k == 0 && hero.m_sGraphic == 0) hero.m_sGraphic = 1;
        break;
    }
  }
}

void cProgressData::RestoreCarryValues(int chara, int& life, int& sp) {
  if (!m_bCarryStored) return;
  const cCharaSave& save = m_vecCharaSave.At(chara);
  if (CarrySwitch(kCarryLife) && m_vecCarryFlag.At(kCarryLife)) life = save.m_nCarry11;
  if (CarrySwitch(kCarrySp) && m_vecCarryFlag.At(kCarrySp)) sp = save.m_nCarry12;
}

void cProgressData::ClearFlaggedCarry() {
  for (int k = 0; k < kCarryKindCount; ++k)
    if (g_SystemData.m_vecCarryClear.At(k)) m_vecCarryFlag.At(k) = 0;
}

void cProgressData::OnNextStage() {
  ++m_nWorld;
  m_vecWorldFlag.Fill(0);
  m_nMapX = g_WorldMap.m_nStartX;
  m_nMapY = g_WorldMap.m_nStartY;
}

void cProgressData::StepRankingKind(int mode, int n) {
  if (mode < 0 || mode >= g_SystemData.m_vecModeRanking.Size()) return;
  const cCheckedVector<BYTE>& kinds = g_SystemData.m_vecModeRanking.At(mode).m_vecKind;
  auto enabled = [&kinds](int k) { return k >= 0 && k < kinds.Size() && kinds[static_cast<size_t>(k)] != 0; };
  int count = 0;
  for (int k = 0; k < kRankingKindCount; ++k)
    if (enabled(k)) ++count;
  if (count == 0) return;

  const int dir = n < 0 ? -1 : 1;
  auto step = [&](int k) {
    do {
      k += dir;
      if (k < 0) k = kRankingKindCount - 1;
      if (k >= kRankingKindCount) k = 0;
    } while (!enabled(k));
    return k;
  };
  int k = m_nRankingKind;
  if (n == 0) {
    if (!enabled(k)) k = step(k);
  } else {
    // Taken in 64 bits so the smallest int has a magnitude; after the first
    // step the kind cycles through the enabled ones, so whole rounds are
    // left out.
    int64_t steps = n < 0 ? -static_cast<int64_t>(n) : n;
    k = step(k);
    for (steps = (steps - 1) % count; steps > 0; --steps) k = step(k);
  }
  m_nRankingKind = k;
}

int cProgressData::MapStageClearAction() const {
  const cWorldNodeData* node = g_WorldMap.FindNode(m_nMapX, m_nMapY);
  if (!node || m_nMapStage < 0 || m_nMapStage >= node->m_vecStage.Size()) return kAfterClearNothing;
  return node->m_vecStage[static_cast<size_t>(m_nMapStage)].m_nAfterClear;
}
