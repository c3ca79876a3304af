// Flows, their commands and their key-input triggers: the stored form that
// chara and item templates, palettes, stage files and the flow-change command
// share.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "flow/cond_list.h"
#include "flow/ed_move.h"
#include "flow/part_holder.h"
#include "objects/ed_shot.h"
#include "records/checked.h"
#include "records/record.h"

// Non-zero keeps test-play-only flows outside a test play too (the project's
// keep-test-flows switch; start-up sets it from the system data).
extern int g_bKeepTestPlayFlows;

// One step of a key sequence.
class cKeyTrigger : public cRecordOf<cKeyTrigger> {
 public:
  // 10 direction slots (0..9), then 9 button slots.
  static constexpr int kKeyStateCount = 19;

  BYTE m_bMirror = 0;          // left and right swap while the chara faces left
  int16_t m_sHoldMin = 0;      // frames
  int16_t m_sHoldMax = 0;
  BYTE m_bAnyHold = 0;         // any hold time counts
  BYTE m_byCombination = 0;    // 0 every key, 1 at least one, 2 exactly one
  std::vector<uint8_t> m_vecKey;  // per slot: 0 ignored, 1 pressed, 2 released

  cKeyTrigger();
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
  // Base body and key list; the list always ends up with 19 entries.
  bool Load(cRecordReader& in) override;
};

// Sizes of the template lists a command may name, [0] the common palette and
// [1] the stage's own.
struct cPaletteListSizes {
  int anBlock[2] = {};
  int anChara[2] = {};
  int anItem[2] = {};
};

class cFlow;

class cFlowCmd : public cRecordOf<cFlowCmd> {
 public:
  BYTE m_byCategory = 0;     // 0 chara command, 1 item command
  BYTE m_byKind = 0;         // index of the command tables of its category
  int16_t m_sTime = 0;       // tenths of a second
  int16_t m_sTimePerClone = 0;
  BYTE m_bParallel = 0;      // the flow goes on without waiting for this command
  int16_t m_sSound = 0;      // Sound database entry, 0 none
  BYTE m_bSoundOnScreen = 1; // the sound plays only while the chara is on screen
  int16_t m_sAnime = 0;      // Anime database entry, 0 none
  std::string m_strText;     // run code, or a stage file path
  cPartHolder<cEdMove> m_pEdMove;
  cPartHolder<cEdShot> m_pEdShot;
  cPartHolder<cCondList> m_pCondList;
  cCheckedVector<cFlow> m_vecFlow;  // flows a flow-change command adds or puts in place
  cCheckedVector<int32_t> m_vecParam;

  cFlowCmd();
  cFlowCmd(const cFlowCmd&);
  cFlowCmd& operator=(const cFlowCmd&);
  cFlowCmd(cFlowCmd&&) noexcept;
  cFlowCmd& operator=(cFlowCmd&&) noexcept;
  ~cFlowCmd() override;

  // Every field 0, no text, no parts, no parameters, sound only on screen.
  void Init();
  // Parameter i of the int vector; 0 for a slot the command does not have.
  int Param(int i) const {
    return i >= 0 && static_cast<size_t>(i) < m_vecParam.size() ? m_vecParam[static_cast<size_t>(i)] : 0;
  }

  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
  // Body, upgrades of older files, test-play flow removal, Validate.
  bool Load(cRecordReader& in) override;
  // Validate, then the body.
  void Save(cRecordWriter& out) override;

  void Upgrade(uint32_t fileVersion);
  // Database references brought into range, the parameter count fitted to
  // the kind, missing parts supplied; a kind outside its category's table
  // becomes kind 0 (one report line).
  void Validate();
  // Palette template references brought into range.
  void ValidatePaletteRefs(const cPaletteListSizes& sizes);
  // A command in a list that holds only commands of `category` (0 in flows,
  // 1 in item templates): any other becomes a kind-0 command of that category.
  void FitToContainer(int category);
};

class cFlow : public cRecordOf<cFlow> {
 public:
  BYTE m_byGroup = 0;        // 0 none, 1..26 A..Z
  BYTE m_bySwitch = 0;       // chara switch set when the flow ends; 0 none
  BYTE m_bTestPlayOnly = 0;  // dropped at load outside test play
  BYTE m_byCondMode = 0;     // 0 all conditions, 1 any
  BYTE m_bCondLatch = 0;     // once true, the conditions stay true
  BYTE m_byTrigger = 0;      // 0..22
  BYTE m_bBindPartner = 0;   // the object that set off the trigger goes into a link slot
  BYTE m_byPartnerSlot = 0;  // that slot, 0..3; any other value is an empty slot
  BYTE m_byKeySlack = 3;     // input-history steps the key matcher may skip
  BYTE m_bKeyRepeat = 0;     // key triggers hold on every matching frame
  std::string m_strName;     // editor text; emptied on load
  cCheckedVector<cCond> m_vecCond;
  cCheckedVector<cKeyTrigger> m_vecKeyTrigger;
  cCheckedVector<cFlowCmd> m_vecCmd;

  cFlow();
  RecordFieldTable FieldTable() const override;
  void Appended(cRecordIO& io) override;
  // Body, trigger renumbering of older files, name emptied, Validate.
  bool Load(cRecordReader& in) override;
  void Save(cRecordWriter& out) override;

  void Upgrade(uint32_t fileVersion);
  void Validate();
  void ValidatePaletteRefs(const cPaletteListSizes& sizes);
};

// Reads a command list of a container that holds commands of `category`.
bool LoadCmdList(cCheckedVector<cFlowCmd>& list, cRecordReader& in, int category);
// Erases every test-play-only flow.
void RemoveTestPlayFlows(std::vector<cFlow>& flows);
