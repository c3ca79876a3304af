// The end of a cleared stage: the results go into the run, extra lives are
// handed out for each score step passed, the results may enter the stage's
// rankings, and the clear screen leads to the next stage of the series, the
// world map, the challenge select or the title.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

#include "objects/hero.h"
#include "objects/message.h"
#include "platform/messages.h"
#include "records/option_data.h"
#include "records/path_table.h"
#include "records/progress_data.h"
#include "records/ranking_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "services/game_threads.h"
#include "services/log.h"
#include "services/sound.h"
#include "services/strings.h"
#include "services/window_requests.h"
#include "stage/game_scene.h"
#include "stage/replay_data.h"
#include "stage/scene_manager.h"
#include "stage/stage_load.h"

namespace {
constexpr int kSoundStageClear = 14;
constexpr int kSoundExtraLife = 15;
constexpr int kSoundRankingEntry = 16;
constexpr int kSoundSaveFailed = 3;
// Extra lives never raise the lives above this (and never lower them).
constexpr int kMaxLives = 99;
// A score jump can owe many lives at once; each plays a notice that holds
// the game for half a second, so the count is capped.
constexpr int kMaxNoticesAtOnce = 99;
constexpr int kNoticeFrames = 30;
constexpr const char* kStageExtension = "stg4";
constexpr int kChallengeFileEntry = 42;  // user_data\challenge\Challenge.dat

enum : int { kSceneTitle = 0, kSceneWorldMap = 1, kSceneChallenge = 3, kScenePlay = 4 };
enum : int { kChoiceNewStory = 0, kChoiceContinue = 1, kChoiceChallenge = 2, kChoiceFree = 3, kChoiceReplay = 4 };
// Registration modes 1 and 3 register under the fixed player name.
enum : int { kEntryManualFixed = 1, kEntryAutoFixed = 3 };

int (*g_noticeWait)(cGameScene& scene) = nullptr;

// Totals of many stages stay within the int range instead of wrapping.
int AddClamped(int a, int64_t b) {
  const int64_t sum = static_cast<int64_t>(a) + b;
  return static_cast<int>(std::clamp<int64_t>(sum, INT_MIN, INT_MAX));
}

bool ModeKindEnabled(int mode, int kind) {
  const cCheckedVector<cSystemFlagListData>& modes = g_SystemData.m_vecModeRanking;
  if (mode < 0 || mode >= modes.Size()) return false;
  const cCheckedVector<BYTE>& kinds = modes[static_cast<size_t>(mode)].m_vecKind;
  return kind < kinds.Size() && kinds[static_cast<size_t>(kind)] != 0;
}

bool StageKindEnabled(int kind) {
  const cCheckedVector<int>& kinds = g_Stage.m_vecRanking;
  return kind < kinds.Size() && kinds[static_cast<size_t>(kind)] != 0;
}

}  // namespace

void cGameScene::SetNoticeWaitForTest(int (*wait)(cGameScene& scene)) { g_noticeWait = wait; }

void cGameScene::BeginStageEnd() {
  PlaySE(kSoundStageClear);
  AwardExtraLives();
  m_bRankingEntered = 0;
  m_bRankingPossible = 0;
  m_vecRankPlace.assign(kRankingKindCount, -1);
  // Only the last stage of a series enters rankings.
  if (!g_bCmdLineStage && (!g_SceneManager.m_bRanking || !IsFinalStage(m_nNextStage))) return;

  const cProgressData& p = g_Progress;
  m_vecResult.assign({p.m_nScore, p.m_nTimeLeft, p.m_nClearTime, p.m_nResultLife, p.m_nResultSp});
  if (g_bTestPlay) return;
  const int mode = g_SceneManager.m_nGameMode;
  for (int i = 0; i < kRankingKindCount; ++i) {
    if (!ModeKindEnabled(mode, i) || !StageKindEnabled(i)) continue;
    const cRankingList& list = g_Ranking.m_vecList.At(i);
    int place = list.FindInsertPos(m_vecResult[static_cast<size_t>(i)]);
    // A result that beats nobody in a full list is given the list length:
    // it has no place, and registering it would change nothing.
    if (place >= list.m_vecEntry.Size()) place = -1;
    m_vecRankPlace[static_cast<size_t>(i)] = place;
    if (place != -1) m_bRankingPossible = 1;
  }
}

void cGameScene::AwardExtraLives() {
  cProgressData& p = g_Progress;
  const cHero& hero = Player.At(0);
  const int old = p.m_nScore;
  p.m_nScore = AddClamped(p.m_nScore, p.m_nScoreGained);
  if (!m_bNoTimeLimit) p.m_nTimeLeft = AddClamped(p.m_nTimeLeft, m_nTimeLimit);
  p.m_nClearTime = AddClamped(p.m_nClearTime, m_nPlayTime);
  p.m_nResultLife = AddClamped(p.m_nResultLife, hero.m_nLife);
  p.m_nResultSp = AddClamped(p.m_nResultSp, hero.m_nSP);

  const int step = g_SystemData.m_nExtraLifeScore;
  if (p.m_nLives == kUnlimitedLives || !g_SystemData.m_bExtraLife || step == 0) return;
  // In 64 bits: the smallest int divided by -1 does not fit.
  const int64_t owed = std::min<int64_t>(int64_t{p.m_nScore} / step - int64_t{old} / step, kMaxNoticesAtOnce);
  for (int64_t i = 0; i < owed; ++i) {
    if (p.m_nLives < kMaxLives) ++p.m_nLives;
    PlaySE(kSoundExtraLife);
    m_lstMessage.emplace_back(kMessageSystemIcon, nullptr, 0, 0, 0, 4, 0, 0, 0, 0, 0, 1, kMessageTimed,
                              kNoticeFrames, 1, hero.m_nId, 0, 0, 0, 0, 0, 0, 0);
    const cMessage* notice = &m_lstMessage.back();
    m_Wait.Set(0, 0, kNoticeFrames, 0);
    if (g_noticeWait)
      g_noticeWait(*this);
    else
      RunModalWait(0);
    // The frame loop may have ended the notice already.
    auto it = std::find_if(m_lstMessage.begin(), m_lstMessage.end(), [notice](const cMessage& m) { return &m == notice; });
    if (it != m_lstMessage.end()) {
      it->ReleaseSurface();
      m_lstMessage.erase(it);
    }
    if (m_bQuit) {
      plat::PostMessage(g_hWnd.load(), WM_CLOSE, 0, 0);
      break;
    }
    while (!g_bActive.load() && !plat::QuitRequested()) plat::Sleep(1);
  }
}

int cGameScene::MakeStageFileName(std::string& out, int number) const {
  out.clear();
  if (!g_Progress.m_nSeriesNo || number == 0) return 0;
  std::string name;
  if (!m_strNextStage.empty()) {
    // The name ends in '.', which the extension replaces.
    const std::string base = m_strNextStage.substr(0, m_strNextStage.size() - 1);
    FormatString(&name, "%s.%s", base.c_str(), kStageExtension);
  } else {
    std::string base = g_Progress.m_strStageFile;
    if (!base.empty()) base.pop_back();
    FormatString(&name, "%s-%d.%s", base.c_str(), number, kStageExtension);
  }
  std::string found;
  if (!FindLastNumberedFile(found, name, kStageExtension)) return 0;
  out = std::move(found);
  return 1;
}

int cGameScene::IsFinalStage(int number) const {
  std::string file;
  return MakeStageFileName(file, number) ? 0 : 1;
}

void cGameScene::EnterRanking() {
  if (!g_SceneManager.m_bRanking || !m_bRankingPossible || m_bRankingEntered) return;
  cProgressData& p = g_Progress;
  const int entryMode = g_OptionData.m_nEntryMode;
  std::string name;
  if (entryMode == kEntryManualFixed || entryMode == kEntryAutoFixed) {
    name = g_OptionData.m_strPlayerName;
  } else {
    // The dialog edits m_strRankingName on the window thread while this
    // thread waits for its done flag.
    m_strRankingName = p.m_strRankingName;
    SendWindowRequest(WM_T4_NAMEENTRY);
    p.m_strRankingName = m_strRankingName;
    name = m_strRankingName;
  }
  PlaySE(kSoundRankingEntry);
  for (size_t i = 0; i < m_vecRankPlace.size() && i < m_vecResult.size(); ++i) {
    if (m_vecRankPlace[i] == -1) continue;
    g_Ranking.m_vecList.At(static_cast<int>(i)).Insert(name, m_vecResult[i]);
  }
  const int mode = g_SceneManager.m_nGameMode;
  std::string file;
  if (MakeRankingFileName(file, mode, p.m_strStageFile, p.m_bMapStage, p.m_nStageX, p.m_nStageY) &&
      !SaveRanking(g_Ranking, mode, p.m_strStageFile, p.m_bMapStage, p.m_nStageX, p.m_nStageY)) {
    PlaySE(kSoundSaveFailed);
    ReportError("%s の保存に失敗しました！", file.c_str());
  }
  m_bRankingEntered = 1;

  if (!thRanking.Start(&RankingThreadProc, this)) return;
  while (!plat::PostThreadMessage(thRanking.m_dwThreadId, WM_APP, 0, 0) && !plat::QuitRequested()) plat::Sleep(0);
  thRanking.Wait();
}

int cGameScene::GoToNextStage() {
  cProgressData& p = g_Progress;
  if (g_Stage.m_bStoreHero) {
    for (int i = 0; i < Player.Size(); ++i) {
      const cHero& h = Player[static_cast<size_t>(i)];
      p.StoreCarry(i, h.m_Data, h.m_nLife, h.m_nSP, h.m_EffectState.m_nId, h.m_EffectState.m_nRunMode,
                   h.m_EffectState.m_bRepeat, m_nTimeLimit, p.m_nLives, p.m_nStageBgm);
    }
  }

  const int savedCount = p.m_nStageCount;
  // The next stage of the series, when there is one and it loads.
  auto nextSeriesStage = [&] {
    if (p.m_nSeriesNo && m_nNextStage) p.m_nStageCount = m_nNextStage;
    std::string file;
    if (!MakeStageFileName(file, m_nNextStage) || !LoadPlayStage(file, 1, &g_StageStart)) return false;
    g_Replay.Reset();
    g_ReplayPrev.Reset();
    return true;
  };

  switch (g_SceneManager.m_nTitleChoice) {
    case kChoiceNewStory:
    case kChoiceContinue: {
      if (nextSeriesStage()) return kScenePlay;
      p.m_nStageCount = savedCount;
      p.m_vecWorldFlag.At(p.m_nStageNo) = 1;
      p.UpdateBestScore(p.m_strStageFile, p.m_strRankingKey, p.m_bMapStage, p.m_nStageX, p.m_nStageY, p.m_nScore);
      switch (p.MapStageClearAction()) {
        case kAfterClearNewLap:
          p.OnNextStage();
          return kSceneWorldMap;
        case kAfterClearTitle:
          // The title scene puts its cursor on the last title choice itself.
          return kSceneTitle;
        default:
          return kSceneWorldMap;
      }
    }
    case kChoiceChallenge: {
      if (nextSeriesStage()) return kScenePlay;
      p.m_nStageCount = savedCount;
      // A run begun without a challenge file has not fitted its list to the
      // challenge stages yet.
      p.Normalize();
      const int index = p.m_nStageNo - 1;
      if (index >= 0 && index < p.m_vecChallenge.Size()) {
        cIntPairData& record = p.m_vecChallenge[static_cast<size_t>(index)];
        record.m_nFirst = 1;
        if (p.m_nScore > record.m_nSecond) {
          p.m_nTotalScore = AddClamped(p.m_nTotalScore, int64_t{p.m_nScore} - record.m_nSecond);
          record.m_nSecond = p.m_nScore;
        }
      }
      if (p.m_nStageNo >= p.m_nChallengeOpen)
        p.m_nChallengeOpen = std::min(p.m_nStageNo + 1, g_SystemData.m_nChallengeStages);
      const char* path = g_szPathTable[kChallengeFileEntry];
      if (!p.SaveToFile(path)) {
        PlaySE(kSoundSaveFailed);
        ReportError("%s の保存に失敗しました！", path);
      }
      return kSceneChallenge;
    }
    case kChoiceFree:
      if (p.m_nSeriesNo && !g_bCmdLineStage) {
        if (nextSeriesStage()) return kScenePlay;
        p.m_nStageCount = savedCount;
        return kSceneTitle;
      }
      // The stage starts again from its own start.
      p.m_nClearValue1 = 0;
      return kScenePlay;
    case kChoiceReplay:
      p.RestoreStageStart(1, g_SceneManager.m_nGameMode);
      return kScenePlay;
    default:
      return kSceneChallenge;
  }
}
