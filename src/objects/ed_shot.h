// Fire-pattern settings of the shot, sword and summon commands. A fired shot
// keeps its own copy; a command owns its settings alone (never shared).
#pragma once
#include <cstdint>

#include "flow/part_holder.h"
#include "records/effect_schema.h"
#include "records/record.h"

class cEdShot : public cRecordOf<cEdShot> {
 public:
  BYTE m_byShots = 0;           // objects per formation
  BYTE m_byFormation = 0;       // 0..5
  int16_t m_anFormation[3] = {};  // the formation's own parameters
  BYTE m_byCentre = 0;          // formations 3 and 5: 0 the aim slot's chara, 1 the hero, 2 the shooter
  BYTE m_byDirection = 0;       // direction code
  BYTE m_bAim = 0;              // aim at the chara in the aim slot
  BYTE m_byAimSlot = 0;         // link slot 0..3; any other value is an empty slot
  int16_t m_nAngle = 0;
  int16_t m_nAnglePerClone = 0;
  BYTE m_bMirrorAngle = 1;      // angle becomes 360 - angle while the shooter faces right
  int16_t m_nSpread = 0;        // random spread in degrees, both ways
  BYTE m_bTurnLine = 0;         // formation 0: the launch positions turn with the firing direction
  BYTE m_byClones = 0;          // extra firings with clone values 1, 2, ...
  int16_t m_nOffsetX = 0;       // launch offset in pixels
  int16_t m_nOffsetXPerClone = 0;
  int16_t m_nOffsetY = 0;
  int16_t m_nOffsetYPerClone = 0;
  BYTE m_bMirrorX = 1;          // x offset negated while the shooter faces right
  BYTE m_bMirrorY = 0;
  int16_t m_nGraphic = 0;
  BYTE m_byLayer = 0;           // drawing layer 0..7
  BYTE m_bInvisible = 0;
  BYTE m_bFactionOfUser = 1;    // take the shooter's faction
  BYTE m_byFaction = 0;         // 0..7
  BYTE m_byExtra2 = 0;          // kept with the record
  BYTE m_byScale = 1;           // size factor; 0 or less counts as 1
  BYTE m_byExtra3 = 0;          // kept with the record
  BYTE m_byTrajectory = 0;      // shots: trajectory 0..9; swords: the SwordType entry
  int16_t m_anTrajectory[3] = {};  // the trajectory's own parameters
  BYTE m_byTargetSlot = 0;      // link slot 0..3 whose chara becomes the shot's target
  BYTE m_bRideScroll = 0;       // the automatic scroll carries the shot along
  int16_t m_nSpeed = 0;         // tenths of a pixel per frame
  int16_t m_nSpeedPerClone = 0;
  BYTE m_bAccel = 0;
  int16_t m_nAccel = 0;
  int16_t m_nAccelPerClone = 0;
  int16_t m_nRange = 0;         // half blocks; chara and item summons: lifetime in tenths
  BYTE m_bRange = 0;            // the range (summons: the lifetime) applies
  int16_t m_nRangePerClone = 0;
  BYTE m_bStopAtRange = 0;      // at the end of the range the shot stays instead of vanishing
  BYTE m_bExistTime = 0;
  int16_t m_nExistTime = 0;     // tenths of a second
  int16_t m_nExistTimePerClone = 0;
  BYTE m_byBlockPass = 0;       // 1: blocks are not tested
  BYTE m_bPierce = 0;           // goes on after hitting a chara
  BYTE m_bPierce2 = 0;          // the same for charas that act as blocks
  BYTE m_bCancelShots = 0;      // cancels against shots of other factions
  int8_t m_byCancelPower = 0;   // signed strength in that rule; the weaker vanishes
  int32_t m_nAttack = 0;
  int16_t m_nExtra4 = 0;        // kept with the record
  BYTE m_byImpact = 0;
  int16_t m_nHitEffect = 0;     // Effect database entry shown at a hit, 0 none
  BYTE m_byHitItemSource = 0;   // item the hero gets on a hit: 0 none, 1 common, 2 stage palette
  int16_t m_nHitItem = 0;       // that palette's item template
  BYTE m_byBlockSummonMode = 0; // 0 place, 1 erase, 2 toggle
  BYTE m_bySummonFlagA = 0;     // block summons: no block onto the hero
  BYTE m_bySummonFlagB = 0;     // block summons: no block onto charas
  BYTE m_byPalette = 0;         // summons: 0 common, 1 stage palette
  int16_t m_nTemplate = 0;      // summons: template number in that palette
  BYTE m_byFactionSource = 0;   // chara summons: 0 the template's, 1 the shooter's, 2 m_byFaction
  BYTE m_bNoScore = 0;          // chara summons: the summoned chara is worth no score
  BYTE m_bFaceOpposite = 0;     // chara summons face away from the shooter
  BYTE m_bCreditShooter = 0;    // hits start the shooter's attack triggers; summons act for the summoner
  BYTE m_byCreditValue = 0;     // group passed with those triggers

  cEdShot();
  RecordFieldTable FieldTable() const override;
  // Base body, the upgrades of older files, then Validate.
  bool Load(cRecordReader& in) override;
  // Validate, then the base body.
  void Save(cRecordWriter& out) override;
  void Upgrade(uint32_t fileVersion);

  // Scale 0 or less (as a signed byte) becomes 1; a hit effect outside the
  // Effect database becomes 0. Returns the hit effect it found.
  int Validate();

  int GetOffsetX(int cloneValue, bool facingRight) const;
  int GetOffsetY(int cloneValue, bool facingRight) const;
};

// Puts new shot settings with their defaults into the holder; returns 1.
int CreateEdShot(cPartHolder<cEdShot>& holder);

// The three own parameters of each formation (0..5) and trajectory (0..9):
// label, range and default; an empty label marks an unused parameter, whose
// range is 0..0.
inline constexpr int kFormationCount = 6;
inline constexpr int kTrajectoryCount = 10;
extern const PARAMDEF g_FormationSchema[kFormationCount][3];
extern const PARAMDEF g_TrajectorySchema[kTrajectoryCount][3];
