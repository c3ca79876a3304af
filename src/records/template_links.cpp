#include "records/template_links.h"

#include "flow/flow_records.h"
#include "records/block_data.h"
#include "records/chara_data.h"
#include "records/item_data.h"

namespace {
// [0] source 1, [1] source 2.
cPaletteLists g_PaletteLists[2];

cPaletteLists* Slot(int source) {
  if (source == kPaletteSourceCommon || source == kPaletteSourceStage) return &g_PaletteLists[source - 1];
  return nullptr;
}

template <class T>
int SizeOf(const cCheckedVector<T>* list) {
  return list ? list->Size() : 0;
}
}  // namespace

void SetPaletteLists(int source, const cPaletteLists& lists) {
  if (cPaletteLists* slot = Slot(source)) *slot = lists;
}

cPaletteLists GetPaletteLists(int source) {
  const cPaletteLists* slot = Slot(source);
  return slot ? *slot : cPaletteLists{};
}

cScopedPaletteLists::cScopedPaletteLists(int source, const cPaletteLists& lists)
    : m_nSource(source), m_Saved(GetPaletteLists(source)) {
  SetPaletteLists(source, lists);
}

cScopedPaletteLists::~cScopedPaletteLists() { SetPaletteLists(m_nSource, m_Saved); }

const cCheckedVector<cBlockData>* PaletteBlockList(int source) { return GetPaletteLists(source).pBlock; }
const cCheckedVector<cCharaData>* PaletteCharaList(int source) { return GetPaletteLists(source).pChara; }
const cCheckedVector<cItemData>* PaletteItemList(int source) { return GetPaletteLists(source).pItem; }

cPaletteListSizes CurrentPaletteListSizes() {
  cPaletteListSizes sizes;
  for (int i = 0; i < 2; ++i) {
    const cPaletteLists& l = g_PaletteLists[i];
    sizes.anBlock[i] = SizeOf(l.pBlock);
    sizes.anChara[i] = SizeOf(l.pChara);
    sizes.anItem[i] = SizeOf(l.pItem);
  }
  return sizes;
}
