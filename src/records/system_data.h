// The project-wide settings of a game (data\System.dat): title, menus,
// texts, status line, lives and rankings per game mode, front-end music and
// sounds, colour and font choices, start-up options, and the switches that
// keep the rules of older projects. Read once at start-up, never written by
// the game.
#pragma once
#include <string>
#include <vector>

#include "records/checked.h"
#include "records/cmd_entry.h"
#include "records/record.h"

// One status-line entry (0 score, 1 second score, 2 HP, 3 SP, 4 lives).
class cSystemStatusData : public cRecordOf<cSystemStatusData> {
 public:
  int m_bShow = 0;
  int m_bIcon = 0;
  std::string m_strName;
  int m_bShowValue = 0;   // HP and SP: number drawn over the gauge
  int m_nDigits = 0;      // width of the value in 16-pixel characters
  int m_nWarn = 0;        // warning threshold of the gauge
  int m_bWarnPercent = 0; // m_nWarn is a percentage of the maximum

  cSystemStatusData();
  RecordFieldTable FieldTable() const override;
  bool Load(cRecordReader& in) override;
};

// The ranking rule of one game mode.
class cSystemFlagListData : public cRecordOf<cSystemFlagListData> {
 public:
  int m_bRanking = 0;
  // Per ranking kind (score, remaining time, clear time, remaining HP,
  // remaining SP): 1 = the ranking exists.
  cCheckedVector<BYTE> m_vecKind;

  cSystemFlagListData();
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
};

// One start-up option, also a "System.ini" key.
class cSystemOptionData : public cRecordOf<cSystemOptionData> {
 public:
  enum : int { kInt = 0, kString = 1 };
  int m_nKind = kInt;
  std::string m_strName;
  int m_nValue = 0;
  std::string m_strValue;

  cSystemOptionData();
  RecordFieldTable FieldTable() const override;
  void SetInt(std::string name, int value);
  void SetString(std::string name, std::string text);
};

// Fixed lengths of the lists every reader indexes without looking.
inline constexpr int kCarryKindCount = 25;
inline constexpr int kStatusEntryCount = 5;
inline constexpr int kGameModeCount = 4;  // 0 story, 1 challenge, 2 free play, 3 replay
inline constexpr int kRankingKindCount = 5;
inline constexpr int kSystemSoundCount = 17;
inline constexpr int kSystemBgmSlotCount = 4;  // 0 title, 1 world map, 2 challenge, 3 option
inline constexpr int kSystemTextCount = 29;
inline constexpr int kStartOptionCount = 10;
inline constexpr int kTitleMenuCount = 7;
inline constexpr int kWorldMenuCount = 4;
inline constexpr int kOptionMenuCount = 6;
inline constexpr int kEntryModeCount = 4;

// The font face table: 123 names, the last one empty.
inline constexpr int kFontFaceCount = 123;
inline constexpr int kDefaultFontFace = 60;
extern const char* const g_FontFaceTable[kFontFaceCount];
// The face of an index; an index outside the table (a damaged file) gives
// the default face rather than reading past it.
const char* GetFontFaceName(int index);

// The editor's names of the colour-depth and palette-mode values, each list
// ended by an empty string; the player shows none of them.
extern const char* const g_szDepthNames[4];        // m_nDDDepth (m_nD3DDepth: the first two)
extern const char* const g_szPaletteModeNames[3];  // m_nPaletteMode

class cSystemData : public cRecordOf<cSystemData> {
 public:
  std::string m_strTitle;
  cCheckedVector<BYTE> m_vecCarryFlag;
  cCheckedVector<BYTE> m_vecCarryClear;
  int m_bExtraLife = 0;
  int m_nExtraLifeScore = 0;
  int m_bPauseHideStage = 0;
  int m_bTextIcon = 0;
  int m_nFontFace = 0;
  int m_bGlyphCentre = 0;
  int m_bReplay = 0;
  int m_bKeepTestFlow = 0;
  cCheckedVector<cSystemStatusData> m_vecStatus;
  int m_bTitleMenuCentre = 0;
  cCheckedVector<cCmd> m_vecTitleMenu;
  cCheckedVector<cCmd> m_vecWorldMenu;
  cCheckedVector<cCmd> m_vecOptionMenu;
  cCheckedVector<std::string> m_vecEntryModeText;
  int m_bKeepLives = 0;
  int m_bStoryRetry = 0;
  int m_bMapShowLives = 0;
  int m_nChallengeStages = 0;
  int m_bChallengeAllOpen = 0;
  cCheckedVector<int> m_vecStartLives;
  cCheckedVector<int> m_vecInfiniteLives;
  cCheckedVector<cSystemFlagListData> m_vecModeRanking;
  int m_bMapShowScore = 0;
  int m_bMenuShowTotal = 0;
  int m_bRestoreStory = 0;
  int m_bPauseRetryStory = 0;
  int m_bPauseMapStory = 0;
  int m_bSelectShowHighScore = 0;
  int m_bSelectShowTotal = 0;
  int m_bRestoreChallenge = 0;
  int m_bPauseRetryChallenge = 0;
  int m_bRestoreFree = 0;
  int m_bRestoreTest = 0;
  int m_nPaletteMode = 0;  // 0 8-bit with palette, 1 24-bit without
  BYTE m_cbTransmitRed = 0;
  BYTE m_cbTransmitGreen = 0;
  BYTE m_cbTransmitBlue = 0;
  cCheckedVector<std::string> m_vecSoundFile;
  cCheckedVector<int> m_vecBgm;
  cCheckedVector<BYTE> m_vecBgmLoop;
  cCheckedVector<std::string> m_vecText;
  cCheckedVector<cSystemOptionData> m_vecStartOption;
  int m_bCompat214 = 0;
  int m_bCompat261 = 0;
  int m_bKeepDeadChara = 0;
  int m_bGraphicOffset = 0;
  int m_nCycleStep = 0;
  int m_bPaletteCycle = 0;
  int m_bCompat525 = 0;
  int m_bCompat555 = 0;
  int m_bCompat637 = 0;
  int m_bCompat669 = 0;
  int m_bCompat677 = 0;
  int m_bCompat695 = 0;
  int m_bCompat697 = 0;
  int m_bCompat721 = 0;
  int m_bCompat728 = 0;
  int m_bCompat733 = 0;
  int m_bCompat744 = 0;
  int m_bCompat749 = 0;
  int m_bCompat752 = 0;
  int m_bCompat763a = 0;
  int m_bCompat763b = 0;
  int m_bCompat768 = 0;
  int m_bCompat773 = 0;
  int m_bCompat696 = 0;
  int m_nD3DDepth = 0;  // 0 32-bit, 1 16-bit
  int m_nDDDepth = 0;   // 0 32-bit, 1 16-bit, 2 8-bit
  // Ranking names (and the English header) are drawn without the glyph
  // sheets. No field of the file holds it, so it stays off for every
  // project loaded; the ranking display honours it when it is set.
  int m_bRankingNameSlowFont = 0;

  cSystemData();
  // The values of a fresh project (system_defaults.cpp).
  void SetDefault();
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
  // Body and lists, the upgrade of older files, the padding of short lists,
  // then ClampBgm.
  bool Load(cRecordReader& in) override;
  void Save(cRecordWriter& out) override;

  // Music entries at or past the number of Bgm database entries (negative
  // ones too) become 0.
  void ClampBgm();
  void ClampBgm(int nBgmCount);
  // Nonzero ranking kinds of a game mode; 0 when the mode has no rankings.
  int CountSetFlags(int mode) const;
  // 1 when a gauge value lies in the warning range of status entry n.
  int CheckGaugeThreshold(int n, int value, int max) const;
  // The x at which the box of System texts start..start+count-1 is centred
  // on centreX (cursor: one character column before each line). The box is
  // drawn by DrawSystemMenu, which the text renderer provides.
  int GetSystemMenuLeft(int centreX, int start, int count, int cursor) const;
  // Width of that box in characters.
  int GetSystemMenuWidth(int start, int count, int cursor) const;

 private:
  void Upgrade(uint32_t version);
  // Lists shorter than what every reader indexes are completed from the
  // defaults, with one report line each.
  void PadShortLists(const char* fileName);
};

extern cSystemData g_SystemData;  // data\System.dat
