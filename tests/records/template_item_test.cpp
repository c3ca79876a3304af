#include <gtest/gtest.h>

#include <vector>

#include "flow/flow_test_io.h"
#include "flow/flow_words.h"
#include "records/item_data.h"
#include "records/template_test_support.h"
#include "support/bytes.h"

namespace {

class TemplateItem : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_Database.m_vecSound.resize(6);
  }
  ScopedDatabase keepDb;
};

struct ItemBody {
  uint8_t inheritSource = 0;
  int16_t inheritIndex = 0;
  uint8_t graphicKind = 2;
  int16_t graphic = 5;
  int8_t size = 2;
  int16_t sound = 3;
  std::vector<uint8_t> flags = std::vector<uint8_t>(13, 0);
  std::vector<uint8_t> commands = {};  // count and bodies, from our own writer
};

// The item body from the file layout: 17 fields in 24 bytes (popup before
// pick-up kind), the name, position, flags, one condition, the commands.
ByteBuilder BuildItem(const ItemBody& v) {
  ByteBuilder b;
  b.I32(17);
  b.U8(v.inheritSource).I16(v.inheritIndex).U8(0).U8(1);  // condition mode, latch
  b.I16(-6).I16(10);                                      // offsets
  b.I16(v.graphic).U8(v.graphicKind).I16(2);              // graphic, kind, frame
  b.U8(8).U8(0).U8(1).I16(31);                            // reserved, hidden, icon flag, icon
  b.U8(0).U8(kItemPickAlways).U8(uint8_t(v.size)).I16(v.sound);  // popup, pick-up kind, size, sound
  b.I32(1).Str("コイン");
  b.I16(-1).I16(2);
  b.U32(uint32_t(v.flags.size()));
  for (uint8_t f : v.flags) b.U8(f);
  b.U32(1);
  AppendCond(b, 3, -4);
  if (v.commands.empty())
    b.U32(0);
  else
    b.Append(v.commands);
  return b;
}

std::vector<uint8_t> CommandList(std::vector<cFlowCmd> cmds) {
  cRecordWriter out;
  out.List("", cmds);
  return out.Data();
}

cFlowCmd Cmd(int category, int kind) {
  cFlowCmd c;
  c.m_byCategory = BYTE(category);
  c.m_byKind = BYTE(kind);
  c.Validate();
  return c;
}

TEST_F(TemplateItem, BodyOf24BytesRoundTrips) {
  cItemData i;
  EXPECT_EQ(i.RegisteredFields(778, FieldKind::Number).size(), 17u);
  size_t bytes = 0;
  for (const RecordField* f : i.RegisteredFields(778, FieldKind::Number)) bytes += f->Bytes();
  EXPECT_EQ(bytes, 24u);

  const ByteBuilder file = BuildItem({.commands = CommandList({Cmd(kCmdCategoryItem, 0), Cmd(kCmdCategoryItem, 1)})});
  ASSERT_TRUE(ReadBody(i, file.Bytes()));
  EXPECT_EQ(i.m_bCondLatch, 1);
  EXPECT_EQ(i.m_sOffsetX, -6);
  EXPECT_EQ(i.m_sOffsetY, 10);
  EXPECT_EQ(i.m_sGraphic, 5);
  EXPECT_EQ(i.m_sGraphicFrame, 2);
  EXPECT_EQ(i.m_byReserved, 8);
  EXPECT_EQ(i.m_bIcon, 1);
  EXPECT_EQ(i.m_sIcon, 31);
  EXPECT_EQ(i.m_bPopup, 0);
  EXPECT_EQ(i.m_byPickKind, kItemPickAlways);
  EXPECT_EQ(i.m_cSize, 2);
  EXPECT_EQ(i.m_sSound, 3);
  EXPECT_EQ(i.m_strName, "コイン");
  EXPECT_EQ(i.m_sX, -1);
  ASSERT_EQ(i.m_vecCond.size(), 1u);
  EXPECT_EQ(i.m_vecCond[0].m_nConst, -4);
  ASSERT_EQ(i.m_vecCmd.size(), 2u);
  EXPECT_EQ(i.m_vecCmd[1].m_byKind, 1);
  EXPECT_EQ(BodyBytes(i), file.Bytes());

  cItemData d;
  EXPECT_EQ(d.m_byGraphicKind, kGraphicKindItem);
  EXPECT_EQ(d.m_bPopup, 1);
  EXPECT_EQ(d.m_cSize, 1);
  EXPECT_EQ(d.m_byReserved, 6);
  EXPECT_EQ(d.m_vecInheritFlag, std::vector<uint8_t>(13, 0));
  i.Init();
  EXPECT_EQ(BodyBytes(i), BodyBytes(d));
}

TEST_F(TemplateItem, CharaCommandsBecomeEmptyItemCommands) {
  const ByteBuilder file = BuildItem({.commands = CommandList({Cmd(kCmdCategoryChara, 3)})});
  cItemData i;
  ASSERT_TRUE(ReadBody(i, file.Bytes()));
  ASSERT_EQ(i.m_vecCmd.size(), 1u);
  EXPECT_EQ(i.m_vecCmd[0].m_byCategory, kCmdCategoryItem);
  EXPECT_EQ(i.m_vecCmd[0].m_byKind, 0);
}

TEST_F(TemplateItem, MigrationAndValidate) {
  struct Case {
    const char* what;
    uint32_t version;
    ItemBody body;
    int16_t graphic;
    int8_t size;
    int16_t sound;
  } cases[] = {
      {"shot sheet before 219", 218, {.graphicKind = 3, .graphic = 5}, 6, 2, 3},
      {"shot sheet limit", 218, {.graphicKind = 3, .graphic = 119}, 119, 2, 3},
      {"shot sheet at 219", 219, {.graphicKind = 3, .graphic = 5}, 5, 2, 3},
      {"size -3", 778, {.size = -3}, 5, 1, 3},
      {"size 0", 778, {.size = 0}, 5, 1, 3},
      {"sound at the size", 778, {.sound = 6}, 5, 2, 0},
      {"negative sound", 778, {.sound = -2}, 5, 2, 0},
  };
  for (const Case& c : cases) {
    cItemData i;
    ASSERT_TRUE(ReadBody(i, BuildItem(c.body).Bytes(), c.version)) << c.what;
    EXPECT_EQ(i.m_sGraphic, c.graphic) << c.what;
    EXPECT_EQ(i.m_cSize, c.size) << c.what;
    EXPECT_EQ(i.m_sSound, c.sound) << c.what;
  }
}

TEST_F(TemplateItem, InheritanceAndTemplateLookup) {
  ScopedTestPalette common(kPaletteSourceCommon, 1, 1, 3);
  ScopedTestPalette stage(kPaletteSourceStage, 1, 1, 2);
  common.items[1].m_sSound = 5;
  common.items[1].m_byPickKind = kItemPickNever;
  common.items[1].m_vecCmd.push_back(Cmd(kCmdCategoryItem, 1));
  common.items[1].m_bPopup = 1;

  std::vector<uint8_t> soundAndCmds(13, 0);
  soundAndCmds[11] = soundAndCmds[12] = 1;
  std::vector<uint8_t> pickAndPopup(13, 0);
  pickAndPopup[9] = pickAndPopup[10] = 1;
  struct Case {
    const char* what;
    uint8_t source;
    int16_t index;
    std::vector<uint8_t> flags;
    uint8_t wantSource;
    int16_t wantIndex;
    int16_t wantSound;
    uint8_t wantPick, wantPopup;
    size_t wantCmds;
  } cases[] = {
      {"sound and commands", 1, 1, soundAndCmds, 1, 1, 5, kItemPickAlways, 0, 1},
      {"pick-up kind and popup", 1, 1, pickAndPopup, 1, 1, 3, kItemPickNever, 1, 0},
      {"index 0", 1, 0, soundAndCmds, 1, 0, 3, kItemPickAlways, 0, 0},
      {"beyond the stage list", 2, 2, soundAndCmds, 0, 2, 3, kItemPickAlways, 0, 0},
  };
  for (const Case& c : cases) {
    cItemData i;
    ASSERT_TRUE(ReadBody(i, BuildItem({.inheritSource = c.source, .inheritIndex = c.index, .flags = c.flags}).Bytes()))
        << c.what;
    EXPECT_EQ(i.m_byInheritSource, c.wantSource) << c.what;
    EXPECT_EQ(i.m_sInheritIndex, c.wantIndex) << c.what;
    EXPECT_EQ(i.m_sSound, c.wantSound) << c.what;
    EXPECT_EQ(i.m_byPickKind, c.wantPick) << c.what;
    EXPECT_EQ(i.m_bPopup, c.wantPopup) << c.what;
    EXPECT_EQ(i.m_vecCmd.size(), c.wantCmds) << c.what;
  }

  EXPECT_EQ(GetItemTemplate(1, -1), nullptr);
  EXPECT_EQ(GetItemTemplate(3, 0), nullptr);
  EXPECT_EQ(GetItemTemplate(0, 0), nullptr);
  EXPECT_EQ(GetItemTemplate(1, 3), nullptr);
  EXPECT_EQ(GetItemTemplate(2, 0), &stage.items[0]);
  EXPECT_EQ(GetItemTemplate(1, 2), &common.items[2]);

  cItemData v;
  for (int16_t bad : {int16_t(2), int16_t(-1)}) {
    v.m_byInheritSource = 2;
    v.m_sInheritIndex = bad;
    v.Validate();
    EXPECT_EQ(v.m_byInheritSource, 0) << bad;
    EXPECT_EQ(v.m_sInheritIndex, 0) << bad;
  }
}

TEST_F(TemplateItem, DamagedBodiesNeverCrash) {
  ExpectDamagedBodiesHandled<cItemData>(BuildItem({.commands = CommandList({Cmd(kCmdCategoryItem, 1)})}).Bytes(), 778);
}

}  // namespace
