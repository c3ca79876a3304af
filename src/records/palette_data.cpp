#include "records/palette_data.h"

#include <climits>

#include "flow/flow_records.h"
#include "records/template_links.h"

namespace {
cPaletteLists ListsOf(const cPaletteData& p) { return cPaletteLists{&p.m_vecBlock, &p.m_vecChara, &p.m_vecItem}; }

template <class T>
void PadToTwo(cCheckedVector<T>& list) {
  if (list.size() < 2) list.resize(2);
}
}  // namespace

cPaletteData::cPaletteData() : m_vecBlock(1), m_vecChara(1), m_vecItem(1) {}

void cPaletteData::InstallAsCommon() { SetPaletteLists(kPaletteSourceCommon, ListsOf(*this)); }

void cPaletteData::Appended(cRecordIO& io) {
  io.List("m_vecBlock", m_vecBlock);
  io.List("m_vecChara", m_vecChara);
  io.List("m_vecItem", m_vecItem);
}

bool cPaletteData::Load(cRecordReader& in) {
  // The entries being read inherit from this palette's earlier entries.
  cScopedPaletteLists common(kPaletteSourceCommon, ListsOf(*this));
  if (!cRecord::Load(in)) return false;
  if (!m_vecBlock.empty()) m_vecBlock.front().Init();
  if (!m_vecChara.empty()) {
    m_vecChara.front().m_nCarryItem = 0;
    m_vecChara.front().Init();
  }
  if (!m_vecItem.empty()) m_vecItem.front().Init();
  // Palette entries keep what they inherited while loading, but never
  // inherit again.
  for (cBlockData& b : m_vecBlock) std::fill(b.m_vecInheritFlag.begin(), b.m_vecInheritFlag.end(), 0);
  for (cCharaData& c : m_vecChara) std::fill(c.m_vecInheritFlag.begin(), c.m_vecInheritFlag.end(), 0);
  for (cItemData& i : m_vecItem) std::fill(i.m_vecInheritFlag.begin(), i.m_vecInheritFlag.end(), 0);
  Normalize();
  return true;
}

void cPaletteData::Save(cRecordWriter& out) {
  Normalize();
  cRecord::Save(out);
}

void cPaletteData::Normalize() {
  cScopedPaletteLists common(kPaletteSourceCommon, ListsOf(*this));
  PadToTwo(m_vecBlock);
  PadToTwo(m_vecChara);
  PadToTwo(m_vecItem);
  // References into a stage palette name entries of whatever stage is being
  // played; checked against the stage that is current now (the empty one of
  // start-up) they would be cleared for good. They are checked where used.
  cPaletteListSizes sizes = CurrentPaletteListSizes();
  sizes.anBlock[kPaletteSourceStage - 1] = INT_MAX;
  sizes.anChara[kPaletteSourceStage - 1] = INT_MAX;
  sizes.anItem[kPaletteSourceStage - 1] = INT_MAX;
  for (cBlockData& b : m_vecBlock) {
    b.Validate();
    if (b.m_byItemSource != kPaletteSourceStage) b.ValidateItemLink();
  }
  for (cCharaData& c : m_vecChara) {
    c.Validate();
    for (cFlow& f : c.m_vecFlow) f.ValidatePaletteRefs(sizes);
  }
  for (cItemData& i : m_vecItem) {
    i.Validate();
    for (cFlowCmd& cmd : i.m_vecCmd) cmd.ValidatePaletteRefs(sizes);
  }
}
