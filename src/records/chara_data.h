// Chara templates: everything that defines a character of the stage. With a
// position and a carried item, a chara placed in a stage; every running chara
// and hero holds its own copy.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "flow/cond_list.h"
#include "flow/flow_records.h"
#include "records/checked.h"
#include "records/progress_records.h"
#include "records/record.h"

enum : int { kCharaControlPlayer = 0, kCharaControlComputer = 1 };
enum : int { kFlightOff = 0, kFlightThrough = 1, kFlightBlocked = 2, kFlightDeadly = 3 };
enum : int { kInvincibleOff = 0, kInvincibleShotsHit = 1, kInvincibleShotsPass = 2 };
enum : int { kHitRangeCharaChara = 0, kHitRangeCharaShot = 1, kHitRangeShotChara = 2, kHitRange32 = 3 };
enum : int { kActivityOnScreen = 0, kActivityXOnScreen = 1, kActivityYOnScreen = 2, kActivityEverywhere = 3 };
enum : int { kActivationRangeOrGroup = 0, kActivationOnceThenAlways = 1, kActivationNeither = 2 };

// The authoring vocabulary's word lists of the chara values, each ended by
// an empty string; the player shows none of them.
extern const char* const g_szCharaControlNames[3];
extern const char* const g_szCharaFlightNames[5];
extern const char* const g_szCharaInvincibleNames[4];
extern const char* const g_szCharaSizeNames[11];
extern const char* const g_szCharaSightNames[6];
extern const char* const g_szCharaHitRangeNames[5];
extern const char* const g_szCharaActivityNames[5];
extern const char* const g_szCharaActivationNames[4];

class cCharaData : public cRecordOf<cCharaData> {
 public:
  static constexpr int kInheritGroupCount = 37;

  int16_t m_sX = 0;                 // placed chara: column, in blocks
  int16_t m_sY = 0;
  int32_t m_nCarryItem = 0;         // placed-item index the chara carries; -1 none
  BYTE m_byInheritSource = 0;       // 0 none, 1 common palette, 2 stage palette
  int16_t m_sInheritIndex = 0;
  std::vector<uint8_t> m_vecInheritFlag;
  std::string m_strName;
  cCheckedVector<cCond> m_vecCond;  // appearance conditions
  BYTE m_byCondMode = 0;
  BYTE m_bCondLatch = 0;
  BYTE m_byFacing = 0;              // 0 left, 1 right (mirrors the flagged copy offsets)
  int8_t m_cExtraCopies = 0;        // copies 1..n beside copy 0; negative: none
  int16_t m_sCopyOffsetX = 0;       // dots
  int16_t m_sCopyStepX = 0;
  int16_t m_sCopyOffsetY = 0;
  int16_t m_sCopyStepY = 0;
  BYTE m_bMirrorX = 0;
  BYTE m_bMirrorY = 0;
  int16_t m_sGraphic = 0;
  BYTE m_byGraphicKind = 1;         // chara graphics
  int16_t m_sGraphicFrame = 0;      // base graphic the animation frames count from
  int16_t m_sAnimeSet = 0;          // AnimeSet database entry
  BYTE m_byZ = 3;                   // object layer
  BYTE m_bTransparent = 0;          // not drawn
  int16_t m_sStartEffect = 0;       // CharaEffect database entry; 0 none
  int8_t m_cStartEffectDir = 0;     // 1 reverse, 2 alternate, else forward
  BYTE m_byStartEffectMode = 1;
  int16_t m_sDeathEffect = 0;
  int8_t m_cDeathEffectDir = 0;
  BYTE m_bMark = 0;                 // draw the mark-sheet icon over the chara
  int16_t m_sMark = 0;
  BYTE m_byControl = kCharaControlComputer;
  BYTE m_byPlayer = 0;              // input slot of a player chara
  BYTE m_byFaction = 1;
  BYTE m_byCharaId = 0;
  BYTE m_byFlight = kFlightOff;
  BYTE m_bFixedDirection = 1;
  BYTE m_byInvincible = kInvincibleOff;
  BYTE m_byInvincibleColor = 0;     // stored, copied and inherited only
  BYTE m_bBlockChara = 0;           // acts as a block for others
  int8_t m_cSize = 1;               // scale factor 1..10
  BYTE m_bScrollSync = 0;           // moves with the automatic scroll
  BYTE m_bySightShape = 0;
  BYTE m_bySightRange = 0;          // half blocks
  int32_t m_nMaxHp = 10;
  int32_t m_nMaxSp = 0;
  int16_t m_sStopEase = 10;
  BYTE m_byHitRange = kHitRangeCharaChara;
  int32_t m_nBodyPower = 0;
  BYTE m_byBodyImpact = 0;
  int16_t m_sBodyEffect = 0;        // Effect database entry shown on a contact hit
  int32_t m_nDefence = 0;
  int8_t m_cImpactResist = 0;
  int32_t m_nScore = 0;
  BYTE m_byReserved = 1;            // stored, copied and inherited only
  BYTE m_bGroup = 0;                // member of the activation group below
  int16_t m_sGroup = 0;
  BYTE m_byActivityRange = kActivityOnScreen;
  BYTE m_byActivation = kActivationRangeOrGroup;
  cCheckedVector<cFlow> m_vecFlow;  // event scripts, in order

  cCharaData();
  // Every member back to its default, except the carried item.
  void Init();

  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
  // Body, test-play flow removal, migrations of older files, Inherit, Validate.
  bool Load(cRecordReader& in) override;
  void Save(cRecordWriter& out) override;
  // The migrations of files older than the current version, in order.
  void Upgrade(uint32_t fileVersion);

  void Inherit();
  // Copies inheritance group `group` (0..36) of `entry` into this template.
  void CopyInheritGroup(int group, const cCharaData& entry);
  // Palette link and database indices into range, player-chara limits,
  // flows validated and empty ones pruned; the carried item is checked by
  // the stage, which knows its placed items.
  void Validate();
  void ValidatePaletteRefs();
  // A carried item outside -1 .. placedItems-1 becomes -1 (one report line);
  // true when it was changed. The stage calls it, knowing its placed items.
  bool ValidateCarriedItem(int placedItems);

  // Offset of copy n: n x step + offset, negated when facing right and the
  // mirror flag of that axis is set.
  double GetCloneOffsetX(int n, int facing) const;
  double GetCloneOffsetY(int n, int facing) const;
};

// Refills `flows` with k default flows from the file and lets each read itself.
bool LoadFlowList(cCheckedVector<cFlow>& flows, cRecordReader& in);

// The hero state the progress record carries between stages.
using cCharaSave = cCharaSaveOf<cCharaData>;
