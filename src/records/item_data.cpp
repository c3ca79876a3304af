#include "records/item_data.h"

#include "flow/flow_words.h"
#include "records/block_data.h"
#include "records/database.h"
#include "records/template_links.h"

const char* const g_szItemPickNames[4] = {"1回だけ取れる", "何回でも取れる", "取れない", ""};

namespace {
// Popup comes before pick-up kind in the file, though not in the groups.
constinit const RecordField kItemFields[] = {
    T4_FIELD(cItemData, m_byInheritSource),
    T4_FIELD(cItemData, m_sInheritIndex),
    T4_FIELD(cItemData, m_byCondMode),
    T4_FIELD(cItemData, m_bCondLatch),
    T4_FIELD(cItemData, m_sOffsetX),
    T4_FIELD(cItemData, m_sOffsetY),
    T4_FIELD(cItemData, m_sGraphic),
    T4_FIELD(cItemData, m_byGraphicKind),
    T4_FIELD(cItemData, m_sGraphicFrame),
    T4_FIELD(cItemData, m_byReserved),
    T4_FIELD(cItemData, m_bHidden),
    T4_FIELD(cItemData, m_bIcon),
    T4_FIELD(cItemData, m_sIcon),
    T4_FIELD(cItemData, m_bPopup),
    T4_FIELD(cItemData, m_byPickKind),
    T4_FIELD(cItemData, m_cSize),
    T4_FIELD(cItemData, m_sSound),
    T4_FIELD(cItemData, m_strName),
};
}  // namespace

cItemData::cItemData() { Init(); }

void cItemData::Init() {
  Clear();
  m_sX = 0;
  m_sY = 0;
  m_vecInheritFlag.assign(kInheritGroupCount, 0);
  m_vecCond.clear();
  m_vecCmd.clear();
  m_byGraphicKind = kGraphicKindItem;
  m_sGraphic = 0;
  m_bPopup = 1;
  m_cSize = 1;
  m_byReserved = 6;
}

RecordFieldTable cItemData::FieldTable() const { return kItemFields; }

void cItemData::Appended(cRecordIO& io) {
  io.Value("m_sX", m_sX);
  io.Value("m_sY", m_sY);
  io.Bytes("m_vecInheritFlag", m_vecInheritFlag);
  io.List("m_vecCond", m_vecCond);
  // An item runs item commands only.
  if (auto* in = dynamic_cast<cRecordReader*>(&io))
    LoadCmdList(m_vecCmd, *in, kCmdCategoryItem);
  else
    io.List("m_vecCmd", m_vecCmd);
}

bool cItemData::Load(cRecordReader& in) {
  if (!cRecord::Load(in)) return false;
  UpgradeShotGraphic(m_byGraphicKind, m_sGraphic, in.Version());
  Inherit();
  Validate();
  return true;
}

void cItemData::Save(cRecordWriter& out) {
  Validate();
  cRecord::Save(out);
}

void cItemData::Inherit() { ApplyInheritance(*this, PaletteItemList(m_byInheritSource)); }

void cItemData::CopyInheritGroup(int group, const cItemData& e) {
  switch (group) {
    case 0: m_strName = e.m_strName; break;
    case 1:
      m_vecCond = e.m_vecCond;
      m_byCondMode = e.m_byCondMode;
      m_bCondLatch = e.m_bCondLatch;
      break;
    case 2: m_sOffsetX = e.m_sOffsetX; break;
    case 3: m_sOffsetY = e.m_sOffsetY; break;
    case 4:
      m_byGraphicKind = e.m_byGraphicKind;
      m_sGraphic = e.m_sGraphic;
      m_sGraphicFrame = e.m_sGraphicFrame;
      break;
    case 5: m_byReserved = e.m_byReserved; break;
    case 6: m_bHidden = e.m_bHidden; break;
    case 7:
      m_bIcon = e.m_bIcon;
      m_sIcon = e.m_sIcon;
      break;
    case 8: m_cSize = e.m_cSize; break;
    case 9: m_byPickKind = e.m_byPickKind; break;
    case 10: m_bPopup = e.m_bPopup; break;
    case 11: m_sSound = e.m_sSound; break;
    case 12: m_vecCmd = e.m_vecCmd; break;
    default: break;
  }
}

void cItemData::Validate() {
  ClearBrokenPaletteLink(m_byInheritSource, m_sInheritIndex, PaletteItemList(m_byInheritSource));
  if (m_cSize <= 0) m_cSize = 1;
  if (PaletteIndexOutside(m_sSound, g_Database.m_vecSound.Size())) m_sSound = 0;
  for (cFlowCmd& c : m_vecCmd) c.Validate();
}

void cItemData::ValidatePaletteRefs() {
  const cPaletteListSizes sizes = CurrentPaletteListSizes();
  for (cFlowCmd& c : m_vecCmd) c.ValidatePaletteRefs(sizes);
}

const cItemData* GetItemTemplate(BYTE source, int16_t index) {
  const cCheckedVector<cItemData>* list = PaletteItemList(source);
  if (!list || PaletteIndexOutside(index, list->Size())) return nullptr;
  return &(*list)[static_cast<size_t>(index)];
}
