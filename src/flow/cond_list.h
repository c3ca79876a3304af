// Conditions of flows, of commands and of the templates' appearance lists,
// and the condition list that a flow-operation command carries.
#pragma once
#include <cstdint>

#include "flow/part_holder.h"
#include "records/checked.h"
#include "records/record.h"

// One condition. Kinds: 1 common, 2 stage, 3 chara variable; 4 status,
// 5 status 2, 6 chara state, 7 distance.
class cCond : public cRecordOf<cCond> {
 public:
  BYTE m_byKind = 0;
  int32_t m_nConst = 0;        // right operand; kind 7: distance in half blocks
  int32_t m_nRandMin = 0;      // kind 4: random right operand, low end
  int32_t m_nRandMax = 0;      // kind 4: high end
  BYTE m_byTarget = 0;         // 0 self (kind 7: the hero), 1..4 links, 5 the system
  BYTE m_byStatus = 0;         // status item (kind 6: the chara state)
  BYTE m_byLeftSource = 0;     // kind 4: 0 status, 1 variable; kind 7: range overlay display mode
  BYTE m_byVarKind = 0;        // 0 common, 1 stage
  int16_t m_sVarIndex = 0;     // kinds 1..4: variable compared; kind 5: the constant
  BYTE m_byRightSource = 0;    // 0 constant, 1 random, 2 status, 3 variable
  BYTE m_byRightTarget = 0;
  BYTE m_byRightStatus = 0;
  BYTE m_byRightVarKind = 0;
  int16_t m_sRightVarIndex = 0;  // kind 7: extra distance in pixels
  BYTE m_byRelation = 0;       // 0 =, 1 !=, 2 >=, 3 <=, 4 >, 5 <, 6 multiple, 7 not a multiple
  BYTE m_bPercent = 0;         // kind 4: the operand is a percentage
  BYTE m_byDistanceMode = 0;   // kind 7: 0 horizontal, 1 front, 2 back, 3 vertical, 4 front Y, 5 back Y, 6 circle

  cCond() { Clear(); }
  RecordFieldTable FieldTable() const override;
  bool Load(cRecordReader& in) override;
  // Brings a condition of an older file to the current numbering.
  void Upgrade(uint32_t fileVersion);
};

// The condition list part of a command: ignored unless its use flag is set.
class cCondList : public cRecordOf<cCondList> {
 public:
  BYTE m_bUse = 0;
  BYTE m_byMode = 0;  // 0 all conditions must hold, 1 at least one
  cCheckedVector<cCond> m_vecCond;

  cCondList() { Clear(); }
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
};

// Puts a new condition list with its defaults into the holder; returns 1.
int CreateCondList(cPartHolder<cCondList>& holder);
