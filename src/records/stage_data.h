// The stage file (data\stg4\<name>.stg4_NNN): a stage's size and play
// settings, the blocks, charas and items placed on it, its own palette, its
// backgrounds and the names of its stage variables.
//
// File layout after the data version: the base body (settings), the ranking
// switches (count + ints), the five removal ranges, the palette's block,
// chara and item lists, the placed block, chara and item lists (every entry
// preceded by a 32-bit word written 0 and ignored when read), the
// backgrounds, the variable names, and from version 173 on the end marker.
#pragma once
#include <cstdint>
#include <string>

#include "records/block_data.h"
#include "records/chara_data.h"
#include "records/checked.h"
#include "records/item_data.h"
#include "records/record.h"

// Written last in every stage file; checked before a play load (stage_load.h).
inline constexpr uint32_t kStageEndMarker = 0x075BCD15;
// Stage variables a running stage has; older files are padded to this many names.
inline constexpr int kStageVariableCount = 1000;

// The editor's names of the stage settings' values, each list ended by an
// empty string; the player shows none of them.
extern const char* const g_szScrollModeNames[3];       // scroll modes 0, 1
extern const char* const g_szHitLevelNames[20];        // word n (from 1) is level n
extern const char* const g_szShotTestStepNames[7];     // shot-test sub-steps 0-5
extern const char* const g_szBoxPlaceNames[3];         // the sits-on-the-bottom switches
extern const char* const g_szBoxPlaceShortNames[3];
extern const char* const g_szBoxShowNames[4];          // box overlays 0-2
extern const char* const g_szBoxColorNames[9];         // overlay colours 0-7
extern const char* const g_szStageResizeXNames[3];     // editor operations
extern const char* const g_szStageResizeYNames[3];
extern const char* const g_szStageAxisNames[3];

// When objects of one class are removed for leaving the view: a switch and a
// margin in cells per side.
class cStageQuad : public cRecordOf<cStageQuad> {
 public:
  int m_bLeft = 0;
  int m_bRight = 0;   // from 125
  int m_bTop = 0;     // from 125
  int m_bBottom = 0;  // from 125
  int m_nLeftMargin = 0;
  int m_nRightMargin = 0;
  int m_nTopMargin = 0;
  int m_nBottomMargin = 0;

  cStageQuad() { Clear(); }
  RecordFieldTable FieldTable() const override;
  void Set(int left, int right, int top, int bottom, int leftMargin, int rightMargin, int topMargin,
           int bottomMargin);
};

// The removal ranges, in file order.
enum : int {
  kQuadChara = 0,      // charas that are not block charas
  kQuadBlockChara = 1,
  kQuadItem = 2,
  kQuadHeroShot = 3,   // shots of player-operated owners
  kQuadOtherShot = 4,
  kQuadCount = 5,
};

// One background layer.
class cBackgroundData : public cRecordOf<cBackgroundData> {
 public:
  int m_bShow = 1;
  int m_bFill = 0;          // fill the screen with the colour instead of the picture
  int m_nFillColor = 16;
  int m_nPlane = 0;         // 0 behind the block map, 1 in front of it
  double m_dFactorX = 0.1;  // scroll factor, or the auto-scroll step per frame
  double m_dFactorY = 0.1;
  int m_bAutoScrollX = 0;
  int m_bAutoScrollY = 0;
  double m_dOffsetX = 0.0;  // auto-scroll offset in pixels
  double m_dOffsetY = 0.0;
  std::string m_strPicture;

  cBackgroundData() { Init(); }
  RecordFieldTable FieldTable() const override;
  void Init();
};

// The name of one stage variable.
class cStageString : public cRecordOf<cStageString> {
 public:
  std::string m_strName;

  cStageString() { Clear(); }
  RecordFieldTable FieldTable() const override;
};

// Members start at 0; the constructor applies Reset, the one place that
// knows a new stage's defaults.
class cStageData : public cRecordOf<cStageData> {
 public:
  std::string m_strName;  // the editor's; the player only carries it

  cCheckedVector<cBlockData> m_vecBlock;  // placed objects; position in cells
  cCheckedVector<cCharaData> m_vecChara;
  cCheckedVector<cItemData> m_vecItem;
  cCheckedVector<cBlockData> m_vecPaletteBlock;  // the stage palette
  cCheckedVector<cCharaData> m_vecPaletteChara;
  cCheckedVector<cItemData> m_vecPaletteItem;
  cCheckedVector<cBackgroundData> m_vecBackground;
  cCheckedVector<cStageString> m_vecStageString;  // stage variable names

  // --- settings (the base body, in file order) ---
  int m_nWidth = 0;  // cells
  int m_nUnused1 = 0;
  int m_nUnused2 = 0;
  int m_nHeight = 0;
  int m_bScrollLimitLeft = 0;
  int m_bScrollLimitRight = 0;
  int m_bScrollLimitTop = 0;
  int m_bScrollLimitBottom = 0;
  int m_nScrollLimitLeft = 0;    // cell column
  int m_nScrollLimitRight = 0;   // cell column, inclusive
  int m_nScrollLimitTop = 0;     // cell row
  int m_nScrollLimitBottom = 0;  // cell row, inclusive
  int m_nFps = 0;
  int m_bTimeLimit = 0;
  int m_nTimeLimit = 0;   // seconds
  int m_nTimeWarning = 0;  // seconds
  int m_nScrollModeX = 0;   // 0 follow the hero, 1 auto-scroll
  int m_nScrollModeY = 0;
  int m_nAutoScrollSpeedX = 0;  // tenths of a pixel per frame
  int m_nAutoScrollSpeedY = 0;
  double m_dGravity = 0.0;
  int m_nHitLevel = 0;
  int m_nShotTestSteps = 0;  // 0 every sub-step, 1-5 that many a frame
  int m_nBgm = 0;            // Bgm database entry, 0 none
  int m_bBgmLoop = 0;
  int m_bBgmKeep = 0;  // a restart keeps the music running
  int m_bLayeredDraw = 0;
  int m_bTakeOverHero = 0;
  int m_bStoreHero = 0;
  int m_bStatusLine = 0;
  int m_bSkipResults = 0;
  int m_bStageBanner = 0;
  int m_bStartBanner = 0;
  int m_bClearBanner = 0;
  int m_bGameOverBanner = 0;

  // --- standard sizes: boxes against blocks (Block), charas (Chara),
  // shots (Shot) and items (Item); Fly while flying; Bottom: the box sits on
  // the cell bottom instead of being centred ---
  int m_nHeroBlockW = 0;
  int m_nHeroBlockH = 0;
  int m_nHeroBlockFlyW = 0;
  int m_nHeroBlockFlyH = 0;
  int m_nHeroCharaW = 0;
  int m_nHeroCharaH = 0;
  int m_nHeroCharaFlyW = 0;
  int m_nHeroCharaFlyH = 0;
  int m_nHeroShotW = 0;  // also the chara box of hit range 1
  int m_nHeroShotH = 0;
  int m_nHeroItemW = 0;
  int m_nHeroItemH = 0;
  int m_bHeroBlockBottom = 0;
  int m_bHeroBlockFlyBottom = 0;
  int m_bHeroCharaBottom = 0;
  int m_bHeroCharaFlyBottom = 0;
  int m_nHeroBlockShow = 0;  // box overlays: 0 hidden, 1 shown, 2 frame only
  int m_nHeroCharaShow = 0;
  int m_nHeroShotShow = 0;
  int m_nHeroItemShow = 0;
  int m_nHeroBlockColor = 0;  // overlay colours 0-7
  int m_nHeroCharaColor = 0;
  int m_nHeroShotColor = 0;
  int m_nHeroItemColor = 0;
  int m_nCharaBlockW = 0;
  int m_nCharaBlockH = 0;
  int m_nCharaBlockFlyW = 0;
  int m_nCharaBlockFlyH = 0;
  int m_nCharaCharaW = 0;
  int m_nCharaCharaH = 0;
  int m_nCharaCharaFlyW = 0;
  int m_nCharaCharaFlyH = 0;
  int m_nCharaShotW = 0;  // also the chara box of hit range 1
  int m_nCharaShotH = 0;
  int m_bCharaBlockBottom = 0;
  int m_bCharaBlockFlyBottom = 0;
  int m_bCharaCharaBottom = 0;
  int m_bCharaCharaFlyBottom = 0;
  int m_nItemW = 0;
  int m_nItemH = 0;
  int m_nHeroBulletW = 0;  // the hero's shots; also the chara box of hit range 2
  int m_nHeroBulletH = 0;
  int m_nUnusedSize1W = 0;
  int m_nUnusedSize1H = 0;
  int m_nCharaBulletW = 0;  // the charas' shots; also their chara box of hit range 2
  int m_nCharaBulletH = 0;
  int m_nUnusedSize2W = 0;
  int m_nUnusedSize2H = 0;
  int m_nUnusedSizeFlag = 0;

  int m_nPixelWidth = 0;
  int m_nPixelHeight = 0;
  int m_nSubStepsX6 = 0;  // not in the file; read by the flow commands

  // --- derived from the hit-detection level by SetHitLevel ---
  int m_nSubSteps = 0;
  double m_dSubSteps = 0.0;
  double m_dSubStepsSquared = 0.0;
  double m_dSpeedLimit = 0.0;      // pixels per frame
  double m_dStepGravity = 0.0;     // gravity per sub-step
  double m_dStepSpeedLimit = 0.0;  // speed limit per sub-step
  int m_nSubStepsX8 = 0;           // frames in the air before an object counts as falling

  int m_bOnScreenOnly = 0;      // contacts consider only charas on screen
  int m_nHeroHitCooldown = 0;   // frames; per attacker
  int m_nHeroInvincible = 0;    // frames after damage
  int m_nCharaHitCooldown = 0;
  int m_nCharaInvincible = 0;

  cCheckedVector<int> m_vecRanking;  // per ranking kind: 1 the stage takes part
  cStageQuad m_Quad[kQuadCount];     // removal ranges

  // --- run time only ---
  std::string m_strPath;  // the file actually read, relative
  int m_bLoaded = 0;      // set by the loading thread once the file was read

  // The lowest and highest hit-detection level a loaded stage keeps.
  static constexpr int kMinHitLevel = 1;
  static constexpr int kMaxHitLevel = 100;

  cStageData();
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
  // Reads the body, upgrades an older layout, then Normalize. Stops at the
  // next record once this thread is asked to quit (the load then fails).
  bool Load(cRecordReader& in) override;
  // Normalize, then the body with the end marker.
  void Save(cRecordWriter& out) override;
  // The stage body of a replay: this record's palette and placed lists with
  // `source`'s settings, ranges, backgrounds and names.
  void SaveForReplay(cRecordWriter& out, cStageData& source);

  // The defaults of a new stage.
  void Reset();
  // The standard box and shot sizes back to their defaults.
  void SetStandardSizes();
  // The bounds every stored stage satisfies: scroll limits inside the map,
  // the hit level and what derives from it, the music entry, palette lists
  // of at least two entries, and every template's links.
  void Normalize();
  void SetHitLevel(int level);
  // Index of the hero in the placed chara list (the first with a graphic and
  // player control), -1 when there is none.
  int FindHero() const;
  int HasHero() const { return FindHero() != -1 ? 1 : 0; }
  // The settings part into this record (for the start copy): registered
  // fields and name, backgrounds, variable names, removal ranges and ranking
  // switches; this record's placed and palette lists end up empty.
  // The settings, backgrounds, variable names, removal ranges and ranking
  // switches of `from`; the palettes and placed objects are dropped.
  void CopySettingsFrom(const cStageData& from);
  // The same settings of `from` put back, the palettes and placed objects
  // kept: the start of every attempt.
  void RestoreSettingsFrom(const cStageData& from);

 private:
  void Upgrade(uint32_t fileVersion);
  void ResetPaletteFirstEntries();
};

extern cStageData g_Stage;       // the stage being played
extern cStageData g_StageStart;  // its settings as loaded; restored at every start
