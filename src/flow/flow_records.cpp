#include "flow/flow_records.h"

#include <algorithm>

#include "services/game_threads.h"
#include "flow/flow_words.h"
#include "records/database.h"
#include "services/log.h"

int g_bKeepTestPlayFlows = 0;

namespace {
constexpr uint32_t kFlowNameVersion = 676;
constexpr uint32_t kBindPartnerVersion = 762;
constexpr uint32_t kPartnerSlotVersion = 767;
constexpr uint32_t kCmdCondListVersion = 764;
constexpr int kMaxCmdTime = 9999;

constinit const RecordField kKeyTriggerFields[] = {
    T4_FIELD(cKeyTrigger, m_bMirror),
    T4_FIELD(cKeyTrigger, m_sHoldMin),
    T4_FIELD(cKeyTrigger, m_sHoldMax),
    T4_FIELD(cKeyTrigger, m_bAnyHold),
    T4_FIELD(cKeyTrigger, m_byCombination),
};

constinit const RecordField kFlowFields[] = {
    T4_FIELD(cFlow, m_byGroup),
    T4_FIELD(cFlow, m_bySwitch),
    T4_FIELD(cFlow, m_bTestPlayOnly),
    T4_FIELD(cFlow, m_byCondMode),
    T4_FIELD(cFlow, m_bCondLatch),
    T4_FIELD(cFlow, m_byTrigger),
    T4_FIELD(cFlow, m_bBindPartner).From(kBindPartnerVersion),
    T4_FIELD(cFlow, m_byPartnerSlot).From(kPartnerSlotVersion),
    T4_FIELD(cFlow, m_byKeySlack),
    T4_FIELD(cFlow, m_bKeyRepeat),
    T4_FIELD(cFlow, m_strName).From(kFlowNameVersion),
};

constinit const RecordField kFlowCmdFields[] = {
    T4_FIELD(cFlowCmd, m_byCategory),
    T4_FIELD(cFlowCmd, m_byKind),
    T4_FIELD(cFlowCmd, m_sTime),
    T4_FIELD(cFlowCmd, m_sTimePerClone),
    T4_FIELD(cFlowCmd, m_bParallel),
    T4_FIELD(cFlowCmd, m_sSound),
    T4_FIELD(cFlowCmd, m_bSoundOnScreen),
    T4_FIELD(cFlowCmd, m_sAnime),
    T4_FIELD(cFlowCmd, m_strText),
};

// A present flag, then the part's own body. Reading replaces the part by a
// new one with its defaults (which then reads itself) or empties it.
template <class T>
void OptionalPart(cRecordIO& io, const char* flagName, const char* name, cPartHolder<T>& part) {
  uint32_t present = part ? 1 : 0;
  io.Value(flagName, present);
  if (!io.Ok()) return;
  if (io.Reading()) {
    if (present)
      part.reset(std::make_unique<T>());
    else
      part.reset();
  }
  if (part) io.Record(name, *part);
}

// An index of a database or palette list: negative counts as outside it.
bool Outside(int index, int size) { return index < 0 || index >= size; }

// The kind in the chara numbering (item kinds 2..24 are chara kinds 17..39).
int UnifiedKind(const cFlowCmd& c) {
  return c.m_byCategory == kCmdCategoryItem ? c.m_byKind + kItemKindOffset : c.m_byKind;
}

bool IsCharaCmd(const cFlowCmd& c, int lo, int hi) {
  return c.m_byCategory == kCmdCategoryChara && c.m_byKind >= lo && c.m_byKind <= hi;
}

// Kinds whose executors read move settings, shot settings or a condition list.
bool NeedsEdMove(const cFlowCmd& c) { return IsCharaCmd(c, 2, 7) || UnifiedKind(c) == 20; }
bool NeedsEdShot(const cFlowCmd& c) { return IsCharaCmd(c, 11, 15); }
bool NeedsCondList(const cFlowCmd& c) { return IsCharaCmd(c, 16, 16); }

void ClampToOne(cCheckedVector<int32_t>& p, int size) {
  if (!p.empty() && Outside(p[0], size)) p[0] = 1;
}

void ClampSwordTime(cFlowCmd& c) {
  const auto& swords = g_Database.m_vecSwordType;
  if (Outside(c.m_pEdShot->m_byTrajectory, swords.Size())) c.m_pEdShot->m_byTrajectory = 0;
  if (swords.empty()) return;
  int64_t total = 0;
  for (const cSwordFrameData& f : swords.At(c.m_pEdShot->m_byTrajectory).m_vecFrame) total += f.m_nTime;
  c.m_sTime = static_cast<int16_t>(std::clamp<int64_t>(total, 0, kMaxCmdTime));
}
}  // namespace

// --- cKeyTrigger ---------------------------------------------------------------

cKeyTrigger::cKeyTrigger() {
  Clear();
  m_vecKey.assign(kKeyStateCount, 0);
}

RecordFieldTable cKeyTrigger::FieldTable() const { return kKeyTriggerFields; }
void cKeyTrigger::Appended(cRecordIO& io) { io.Bytes("m_vecKey", m_vecKey); }

bool cKeyTrigger::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  // The matcher reads every slot: a short list gets ignored slots, extra ones go.
  m_vecKey.resize(kKeyStateCount, 0);
  return true;
}

// --- cFlowCmd ------------------------------------------------------------------

cFlowCmd::cFlowCmd() { Init(); }
cFlowCmd::cFlowCmd(const cFlowCmd&) = default;
cFlowCmd& cFlowCmd::operator=(const cFlowCmd&) = default;
cFlowCmd::cFlowCmd(cFlowCmd&&) noexcept = default;
cFlowCmd& cFlowCmd::operator=(cFlowCmd&&) noexcept = default;
cFlowCmd::~cFlowCmd() = default;

void cFlowCmd::Init() {
  Clear();
  m_bSoundOnScreen = 1;
  m_pEdMove.reset();
  m_pEdShot.reset();
  m_pCondList.reset();
  m_vecParam.clear();
  m_vecFlow.clear();
}

RecordFieldTable cFlowCmd::FieldTable() const { return kFlowCmdFields; }

void cFlowCmd::Appended(cRecordIO& io) {
  OptionalPart(io, "m_bHasEdMove", "m_pEdMove", m_pEdMove);
  OptionalPart(io, "m_bHasEdShot", "m_pEdShot", m_pEdShot);
  if (io.Version() >= kCmdCondListVersion)
    OptionalPart(io, "m_bHasCondList", "m_pCondList", m_pCondList);
  else if (io.Reading())
    m_pCondList.reset();  // older files have none, whatever the record held
  io.List("m_vecFlow", m_vecFlow);
  io.Ints("m_vecParam", m_vecParam);
}

bool cFlowCmd::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  Upgrade(in.Version());
  if (!g_bTestPlay && !g_bKeepTestPlayFlows) RemoveTestPlayFlows(m_vecFlow);
  Validate();
  return true;
}

void cFlowCmd::Save(cRecordWriter& out) {
  Validate();
  cRecord::Save(out);
}

void cFlowCmd::Validate() {
  if (!FindCmdName(m_byCategory, m_byKind)) {
    WriteReport("フローのコマンドの種類が不正なため何もしないコマンドにしました (区分 %d, 種類 %d)", m_byCategory,
                m_byKind);
    if (m_byCategory != kCmdCategoryChara && m_byCategory != kCmdCategoryItem) m_byCategory = kCmdCategoryChara;
    m_byKind = 0;
    m_vecParam.clear();
  }
  const cDatabase& db = g_Database;
  if (Outside(m_sAnime, db.m_vecAnime.Size())) m_sAnime = 0;
  if (Outside(m_sSound, db.m_vecSound.Size())) m_sSound = 0;
  m_vecParam.resize(static_cast<size_t>(FindCmdName(m_byCategory, m_byKind)->m_nParamCount), 0);

  if (NeedsEdMove(*this) && !m_pEdMove) CreateEdMove(m_pEdMove);
  if (NeedsEdShot(*this) && !m_pEdShot) CreateEdShot(m_pEdShot);
  if (NeedsCondList(*this) && !m_pCondList) CreateCondList(m_pCondList);

  if (IsCharaCmd(*this, 12, 12)) ClampSwordTime(*this);
  switch (UnifiedKind(*this)) {
    case 27:
      if (!m_vecParam.empty() && Outside(m_vecParam[0], db.m_vecAnimeSet.Size())) m_vecParam[0] = 0;
      break;
    case 28: ClampToOne(m_vecParam, db.m_vecAnime.Size()); break;
    case 29: ClampToOne(m_vecParam, db.m_vecEffect.Size()); break;
    case 30: ClampToOne(m_vecParam, db.m_vecCharaEffect.Size()); break;
    case 31: ClampToOne(m_vecParam, db.m_vecScrEffect.Size()); break;
    case 32: ClampToOne(m_vecParam, db.m_vecPicture.Size()); break;
    case 35: ClampToOne(m_vecParam, db.m_vecSound.Size()); break;
    case 36: ClampToOne(m_vecParam, db.m_vecBgm.Size()); break;
    default: break;
  }
  for (cFlow& f : m_vecFlow) f.Validate();
}

void cFlowCmd::ValidatePaletteRefs(const cPaletteListSizes& sizes) {
  if (IsCharaCmd(*this, 11, 12) && m_pEdShot) {
    cEdShot& s = *m_pEdShot;
    // Selector 1 the common palette, 2 the stage's; 0 gives no item.
    if ((s.m_byHitItemSource == 1 || s.m_byHitItemSource == 2) &&
        Outside(s.m_nHitItem, sizes.anItem[s.m_byHitItemSource - 1])) {
      s.m_byHitItemSource = 0;
      s.m_nHitItem = 0;
    }
  }
  if (IsCharaCmd(*this, 13, 15) && m_pEdShot) {
    cEdShot& s = *m_pEdShot;
    const int palette = s.m_byPalette == 0 ? 0 : 1;
    const int* lists = m_byKind == 13 ? sizes.anBlock : m_byKind == 14 ? sizes.anChara : sizes.anItem;
    if (Outside(s.m_nTemplate, lists[palette])) s.m_nTemplate = 1;
  }
  if (UnifiedKind(*this) == 25 && m_vecParam.size() >= 2) {
    const int palette = m_vecParam[0] == 0 ? 0 : 1;
    if (Outside(m_vecParam[1], sizes.anItem[palette])) m_vecParam[1] = 1;
  }
  for (cFlow& f : m_vecFlow) f.ValidatePaletteRefs(sizes);
}

void cFlowCmd::FitToContainer(int category) {
  if (m_byCategory == category) return;
  // A command neutralised on loading only changes its category quietly.
  if (m_byKind != 0 || !m_vecParam.empty())
    WriteReport("フローのコマンドの区分がリストと合わないため何もしないコマンドにしました (区分 %d, 種類 %d)",
                m_byCategory, m_byKind);
  m_byCategory = static_cast<BYTE>(category);
  m_byKind = 0;
  m_vecParam.clear();
}

bool LoadCmdList(cCheckedVector<cFlowCmd>& list, cRecordReader& in, int category) {
  in.List("", list);
  for (cFlowCmd& c : list) c.FitToContainer(category);
  return in.Ok();
}

// --- cFlow ---------------------------------------------------------------------

cFlow::cFlow() {
  Clear();
  m_byKeySlack = 3;
}

RecordFieldTable cFlow::FieldTable() const { return kFlowFields; }

void cFlow::Appended(cRecordIO& io) {
  io.List("m_vecCond", m_vecCond);
  io.List("m_vecKeyTrigger", m_vecKeyTrigger);
  io.List("m_vecCmd", m_vecCmd);
}

bool cFlow::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  // A flow runs chara commands only.
  for (cFlowCmd& c : m_vecCmd) c.FitToContainer(kCmdCategoryChara);
  Upgrade(in.Version());
  m_strName.clear();
  Validate();
  return true;
}

void cFlow::Save(cRecordWriter& out) {
  Validate();
  cRecord::Save(out);
}

void cFlow::Upgrade(uint32_t v) {
  if (v >= kRecordDataVersion) return;
  if (v <= 131 && m_byTrigger >= 11) m_byTrigger += 1;
  if (v < 163 && m_byTrigger != 0) m_bySwitch = 0;
  if (v < 164 && m_byTrigger >= 5) m_byTrigger += 2;
  if (v < 762 && m_byTrigger >= 18) m_byTrigger += 3;
}

void cFlow::Validate() {
  for (cFlowCmd& c : m_vecCmd) c.Validate();
}

void cFlow::ValidatePaletteRefs(const cPaletteListSizes& sizes) {
  for (cFlowCmd& c : m_vecCmd) c.ValidatePaletteRefs(sizes);
}

void RemoveTestPlayFlows(std::vector<cFlow>& flows) {
  std::erase_if(flows, [](const cFlow& f) { return f.m_bTestPlayOnly != 0; });
}
