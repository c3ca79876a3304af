#include "records/system_defaults.h"

#include <algorithm>

#include "records/system_data.h"
#include "services/strings.h"

const char* const g_szDefaultSystemText[kSystemTextCount] = {
    "ワールド",
    "ステージ",
    "スコア",
    "ハイスコア",
    "トータルスコア",
    "スコア",
    "残り時間",
    "クリア時間",
    "残りHP",
    "残りSP",
    "ステージに挑む",
    "やっぱりやめる",
    "セーブする",
    "やっぱりやめる",
    "オートセーブＯＮ",
    "オートセーブＯＦＦ",
    "保存先が不明です！一度は「セーブ」して下さい！",
    "タイトルへ戻る",
    "やっぱりやめる",
    "しゅうりょう",
    "つづける",
    "リトライ",
    "マップへ戻る",
    "リトライ",
    "マップへ戻る",
    "Vキーでジャンルの切り替え",
    "スペースキーでタイトルへ戻る",
    "スペースキーで終了",
    "F3キーでランキングへ登録",
};

namespace {
struct StatusDefault {
  const char* name;
  int digits;
};
constexpr StatusDefault kStatusDefaults[kStatusEntryCount] = {
    {"スコア", 4}, {"スコア", 3}, {"HP", 0}, {"SP", 0}, {"人", 2},
};

constexpr const char* kTitleMenu[kTitleMenuCount] = {
    "はじめから", "つづきから", "チャレンジ", "フリー", "リプレイ", "オプション", "しゅうりょう",
};
constexpr const char* kWorldMenu[kWorldMenuCount] = {"セーブ", "オートセーブ", "もどる", "タイトルへ"};
constexpr const char* kOptionMenu[kOptionMenuCount] = {"BGM", "SE", "ランキング登録", "ランキング登録名", "もどる", ""};
constexpr const char* kEntryModeText[kEntryModeCount] = {
    "手動登録（登録名入力）",
    "手動登録（登録名固定）",
    "自動登録（登録名入力）",
    "自動登録（登録名固定）",
};
constexpr int kCarriedKinds[] = {0, 1, 13, 14, 16, 17, 19, 20, 21};

template <size_t N>
cCheckedVector<cCmd> Menu(const char* const (&captions)[N]) {
  cCheckedVector<cCmd> menu;
  for (const char* caption : captions) menu.emplace_back(1, caption);
  return menu;
}
}  // namespace

void cSystemData::SetDefault() {
  Clear();
  m_nExtraLifeScore = 100;
  m_bPauseHideStage = 1;
  m_bTextIcon = 0;
  m_nFontFace = kDefaultFontFace;
  m_bReplay = 1;
  m_bTitleMenuCentre = 1;
  m_bKeepLives = m_bStoryRetry = m_bMapShowLives = 1;
  m_nChallengeStages = 40;
  m_bChallengeAllOpen = 1;
  m_bMapShowScore = m_bMenuShowTotal = m_bSelectShowHighScore = m_bSelectShowTotal = 1;
  m_bRestoreStory = m_bRestoreChallenge = m_bRestoreFree = 1;
  m_bPauseRetryStory = m_bPauseMapStory = m_bPauseRetryChallenge = 1;
  m_nCycleStep = 16;
  m_nD3DDepth = 0;
  m_nDDDepth = 2;

  m_vecCarryFlag.assign(kCarryKindCount, 0);
  for (int k : kCarriedKinds) m_vecCarryFlag.At(k) = 1;
  m_vecCarryClear.assign(kCarryKindCount, 0);
  m_vecCarryClear.At(11) = m_vecCarryClear.At(12) = 1;

  m_vecStatus.assign(kStatusEntryCount, cSystemStatusData());
  for (int i = 0; i < kStatusEntryCount; ++i) {
    cSystemStatusData& s = m_vecStatus.At(i);
    s.m_bShow = 1;
    s.m_bIcon = 1;
    s.m_strName = kStatusDefaults[i].name;
    s.m_nDigits = kStatusDefaults[i].digits;
  }

  m_vecModeRanking.assign(kGameModeCount, cSystemFlagListData());
  for (int mode = 0; mode < 3; ++mode) {
    m_vecModeRanking.At(mode).m_bRanking = 1;
    m_vecModeRanking.At(mode).m_vecKind.assign(kRankingKindCount, 1);
  }

  m_vecTitleMenu = Menu(kTitleMenu);
  m_vecWorldMenu = Menu(kWorldMenu);
  m_vecOptionMenu = Menu(kOptionMenu);
  m_vecEntryModeText.assign(std::begin(kEntryModeText), std::end(kEntryModeText));
  m_vecStartLives.assign({5, 5, 5, 99});
  m_vecInfiniteLives.assign({1, 1, 1, 1});
  m_vecText.assign(std::begin(g_szDefaultSystemText), std::end(g_szDefaultSystemText));
  m_vecSoundFile.assign(kSystemSoundCount, std::string());
  m_vecBgm.assign(kSystemBgmSlotCount, 0);
  m_vecBgmLoop.assign(kSystemBgmSlotCount, 1);

  m_vecStartOption.assign(kStartOptionCount, cSystemOptionData());
  m_vecStartOption.At(0).SetInt("Direct3D", 2);
  m_vecStartOption.At(1).SetInt("WindowMode", 0);
  m_vecStartOption.At(2).SetInt("Bpp", 0);
  m_vecStartOption.At(3).SetInt("VSync", 2);
  m_vecStartOption.At(4).SetInt("D3D_FontCache", 0);
  m_vecStartOption.At(5).SetInt("DD_FontCache", 1);
  m_vecStartOption.At(6).SetInt("DD_VideoStretch", 0);
  m_vecStartOption.At(7).SetInt("ShowFps", 1);
  m_vecStartOption.At(8).SetString("FreeStage", "");
  m_vecStartOption.At(9).SetInt("English", 0);
}

int cSystemData::GetSystemMenuWidth(int start, int count, int cursor) const {
  int w = 0;
  for (int i = start; i < start + count; ++i) w = std::max(w, GetCharCount(m_vecText.At(i)));
  return cursor ? w + 1 : w;
}

int cSystemData::GetSystemMenuLeft(int centreX, int start, int count, int cursor) const {
  return centreX - GetSystemMenuWidth(start, count, cursor) * 16 / 2;
}
