// Palettes: ready-made block, chara and item templates. The project's common
// palette (data\CommonPalette.cplt4) lives in g_CommonPalette; every stage
// carries a palette of its own in its stage record (stage_data.h).
//
// A palette reference is a source byte (0 none, 1 the common palette, 2 the
// current stage's palette, anything else names nothing) and a signed 16-bit
// index into the list of the kind in question (template_links.h). Entry 0 of
// every list is the kind's default entry and never an inheritance source.
//
// g_CommonPalette is what source 1 names; while a palette is read, source 1
// names that palette, so its entries inherit from the entries read before
// them. The common palette's references into a stage palette (source 2) are
// left as they are: they mean whatever stage is played, and are checked
// where they are used.
#pragma once
#include "records/block_data.h"
#include "records/chara_data.h"
#include "records/checked.h"
#include "records/item_data.h"
#include "records/record.h"

class cPaletteData : public cRecordOf<cPaletteData> {
 public:
  cCheckedVector<cBlockData> m_vecBlock;
  cCheckedVector<cCharaData> m_vecChara;
  cCheckedVector<cItemData> m_vecItem;

  // One default entry in each list.
  cPaletteData();
  void Appended(cRecordIO& io) override;
  // Reads the three lists (each entry inheriting from the palettes as they
  // stand while it is read), resets entry 0 of each, wipes every inherit
  // flag, then Normalize.
  bool Load(cRecordReader& in) override;
  // Normalize, then the body.
  void Save(cRecordWriter& out) override;
  // Pads each list to two entries and validates every entry.
  void Normalize();
  // Makes this palette's lists what source 1 names (g_CommonPalette does
  // this once, before the program starts).
  void InstallAsCommon();
};

extern cPaletteData g_CommonPalette;
