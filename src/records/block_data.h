// Block templates: one kind of 32x32 map block. The same record, with its
// position, is a block placed in a stage, and every cell of the running
// block map holds a copy of one.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "flow/cond_list.h"
#include "records/checked.h"
#include "records/record.h"

struct DDSURFACEDATA;

// Values of the block members (the authoring vocabulary's word lists, each
// ended by an empty string; the player shows none of them).
enum : int { kGraphicKindBlock = 0, kGraphicKindChara = 1, kGraphicKindItem = 2, kGraphicKindShot = 3, kGraphicKindCharaBmp = 4 };
enum : int { kBlockHitNone = 0, kBlockHitSolid = 1, kBlockHitDeadly = 2 };
enum : int {
  kBlockEffectNone = 0,
  kBlockEffectJump = 1,
  kBlockEffectNoJump = 2,
  kBlockEffectSpeed = 3,
  kBlockEffectCarryLeft = 4,
  kBlockEffectCarryRight = 5,
};
extern const char* const g_szGraphicKindNames[6];
extern const char* const g_szBlockHitNames[4];
extern const char* const g_szBlockEffectNames[7];
extern const char* const g_szInheritSourceNames[4];
extern const char* const g_szItemSourceNames[4];
extern const char* const g_szPassingFactionNames[10];

class cBlockData : public cRecordOf<cBlockData> {
 public:
  static constexpr int kInheritGroupCount = 11;

  int16_t m_sX = 0;                 // placed block: column, in blocks
  int16_t m_sY = 0;                 // placed block: row
  BYTE m_byInheritSource = 0;       // 0 none, 1 common palette, 2 stage palette
  int16_t m_sInheritIndex = 0;
  std::vector<uint8_t> m_vecInheritFlag;  // one per inheritance group
  std::string m_strName;
  cCheckedVector<cCond> m_vecCond;  // appearance conditions
  BYTE m_byCondMode = 0;            // 0 all conditions, 1 any
  BYTE m_bCondLatch = 0;            // once the conditions held, the block stays
  int16_t m_sGraphic = 0;           // cell of the sheet; 0 = empty block
  BYTE m_byGraphicKind = 0;
  int16_t m_sGraphicFrame = 0;
  BYTE m_byLayer = 0;               // 0 before the objects, 1 after; others never drawn
  BYTE m_bHidden = 0;
  BYTE m_bIcon = 0;                 // 1: an icon of the mark sheet over the graphic
  int16_t m_sIcon = 0;
  BYTE m_byHitKind = kBlockHitSolid;
  int8_t m_cPassFaction = -1;       // objects of this faction pass; -1 none
  BYTE m_byEffectKind = 0;
  int32_t m_nEffectValue = 0;
  BYTE m_byItemSource = 0;          // item handed to a hero touching the block
  int16_t m_sItemIndex = 0;
  BYTE m_bSummonProof = 0;          // run-time block summons leave this cell alone

  cBlockData();
  // Every member back to its default.
  void Init();

  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
  // Body, the shot-sheet renumbering of older files, Inherit, Validate.
  bool Load(cRecordReader& in) override;
  // Validate, then the body.
  void Save(cRecordWriter& out) override;

  // Copies the flagged groups from the linked palette entry.
  void Inherit();
  // Copies inheritance group `group` (0..10) of `entry` into this template.
  void CopyInheritGroup(int group, const cBlockData& entry);
  // A palette link outside its list is cleared; an empty block never
  // collides and never resists summons.
  void Validate();
  // An item link outside its list is cleared (the palette and stage fix-ups).
  void ValidateItemLink();

  // Collision kind of a block-map cell for an object of `faction`; 0 when
  // the cell's appearance test fails or the faction passes.
  BYTE GetHitKind(int faction);

  // Draws the block at (x, y) of the target: the 32x32 graphic, then the
  // icon of the mark sheet when the icon flag is 1, both colour-keyed. The
  // block-map drawing calls it for each visible cell.
  void DrawIcon(DDSURFACEDATA* target, int x, int y);
};

// The appearance test of a block-map cell (condition mode, latch and the
// cell's own latch, against the first hero). The game scene installs it;
// without one, a block's conditions are taken to hold. Returns non-zero when
// the block is present.
using BlockAppearanceTest = int (*)(cBlockData& cell);
void SetBlockAppearanceTest(BlockAppearanceTest test);
BlockAppearanceTest GetBlockAppearanceTest();

// The shot-sheet graphic renumbering of files older than version 219: one
// more, at most 119.
void UpgradeShotGraphic(BYTE graphicKind, int16_t& graphic, uint32_t fileVersion);
