// Item templates: a pick-up, its graphic, how often it can be taken, and the
// item commands run on the taker. With a position, a placed item of a stage.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "flow/cond_list.h"
#include "flow/flow_records.h"
#include "records/checked.h"
#include "records/record.h"

enum : int { kItemPickOnce = 0, kItemPickAlways = 1, kItemPickNever = 2 };
extern const char* const g_szItemPickNames[4];

class cItemData : public cRecordOf<cItemData> {
 public:
  static constexpr int kInheritGroupCount = 13;

  int16_t m_sX = 0;                 // placed item: column, in blocks
  int16_t m_sY = 0;
  BYTE m_byInheritSource = 0;       // 0 none, 1 common palette, 2 stage palette
  int16_t m_sInheritIndex = 0;
  std::vector<uint8_t> m_vecInheritFlag;
  std::string m_strName;
  cCheckedVector<cCond> m_vecCond;  // appearance conditions
  BYTE m_byCondMode = 0;
  BYTE m_bCondLatch = 0;
  int16_t m_sOffsetX = 0;           // dots added when placed or summoned
  int16_t m_sOffsetY = 0;
  int16_t m_sGraphic = 0;
  BYTE m_byGraphicKind = 2;         // the item sheet
  int16_t m_sGraphicFrame = 0;
  BYTE m_byReserved = 6;            // stored, copied and inherited only
  BYTE m_bHidden = 0;
  BYTE m_bIcon = 0;
  int16_t m_sIcon = 0;
  BYTE m_byPickKind = kItemPickOnce;
  BYTE m_bPopup = 1;
  int8_t m_cSize = 1;               // scale factor of the drawing
  int16_t m_sSound = 0;             // Sound database entry; 0 none
  cCheckedVector<cFlowCmd> m_vecCmd;  // item commands

  cItemData();
  // Every member back to its default.
  void Init();

  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
  // Body, the shot-sheet renumbering of older files, Inherit, Validate.
  bool Load(cRecordReader& in) override;
  void Save(cRecordWriter& out) override;

  void Inherit();
  // Copies inheritance group `group` (0..12) of `entry` into this template.
  void CopyInheritGroup(int group, const cItemData& entry);
  // Palette link, size and sound brought into range; each command validated.
  void Validate();
  // Palette references of the commands brought into range.
  void ValidatePaletteRefs();
};

// Source 1: entry of the common palette's item list; 2: of the current
// stage's; null for any other source or an index outside the list.
const cItemData* GetItemTemplate(BYTE source, int16_t index);
