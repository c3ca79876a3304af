#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/game_threads.h"
#include "flow/flow_records.h"
#include "flow/flow_test_io.h"
#include "flow/flow_words.h"
#include "platform/text.h"
#include "records/record_dump.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

class FlowRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_bTestPlay = 0;
    g_bKeepTestPlayFlows = 0;
    report.NewLines();
  }
  void TearDown() override {
    g_bTestPlay = 0;
    g_bKeepTestPlayFlows = 0;
  }
  ScopedDatabase keepDb;
  TempFolder dir;
  ReportLogCapture report{dir.path()};
};

cFlowCmd MakeCmd(int category, int kind, std::vector<int32_t> params = {}) {
  cFlowCmd c;
  c.m_byCategory = BYTE(category);
  c.m_byKind = BYTE(kind);
  c.m_vecParam.assign(params.begin(), params.end());
  return c;
}

// --- bodies at 778 -----------------------------------------------------------------

TEST_F(FlowRecordsTest, KeyTriggerBodyOf38Bytes) {
  ByteBuilder b;
  b.I32(5).U8(1).I16(-2).I16(30).U8(1).U8(2).I32(0).I32(19);
  for (int i = 0; i < 19; ++i) b.U8(uint8_t(i % 3));
  ASSERT_EQ(b.Size(), 38u);
  cKeyTrigger k;
  ASSERT_TRUE(ReadBody(k, b.Bytes()));
  EXPECT_EQ(k.m_bMirror, 1);
  EXPECT_EQ(k.m_sHoldMin, -2);
  EXPECT_EQ(k.m_sHoldMax, 30);
  EXPECT_EQ(k.m_bAnyHold, 1);
  EXPECT_EQ(k.m_byCombination, 2);
  ASSERT_EQ(k.m_vecKey.size(), 19u);
  EXPECT_EQ(k.m_vecKey[4], 1);
  EXPECT_EQ(BodyBytes(k), b.Bytes());
  cKeyTrigger fresh;
  EXPECT_EQ(fresh.m_vecKey, std::vector<uint8_t>(19, 0));
  EXPECT_EQ(BodyBytes(fresh).size(), 38u);
}

TEST_F(FlowRecordsTest, KeyTriggerStatesAreNormalisedTo19) {
  for (int n : {0, 5, 19, 25}) {
    ByteBuilder b;
    b.I32(5).U8(0).I16(0).I16(0).U8(0).U8(0).I32(0).I32(n);
    for (int i = 0; i < n; ++i) b.U8(2);
    cKeyTrigger k;
    ASSERT_TRUE(ReadBody(k, b.Bytes())) << n;
    ASSERT_EQ(k.m_vecKey.size(), 19u) << n;
    for (int i = 0; i < 19; ++i) EXPECT_EQ(k.m_vecKey[size_t(i)], i < n ? 2 : 0) << n << " slot " << i;
  }
}

TEST_F(FlowRecordsTest, DefaultFlowBodyOf34Bytes) {
  ByteBuilder b;
  b.I32(10).U8(1).U8(2).U8(0).U8(1).U8(1).U8(7).U8(1).U8(3).U8(4).U8(1);
  b.I32(1).Str("name").I32(0).I32(0).I32(0);
  cFlow f;
  ASSERT_TRUE(ReadBody(f, b.Bytes()));
  EXPECT_EQ(f.m_byGroup, 1);
  EXPECT_EQ(f.m_bySwitch, 2);
  EXPECT_EQ(f.m_byCondMode, 1);
  EXPECT_EQ(f.m_bCondLatch, 1);
  EXPECT_EQ(f.m_byTrigger, 7);
  EXPECT_EQ(f.m_bBindPartner, 1);
  EXPECT_EQ(f.m_byPartnerSlot, 3);
  EXPECT_EQ(f.m_byKeySlack, 4);
  EXPECT_EQ(f.m_bKeyRepeat, 1);
  EXPECT_EQ(f.m_strName, "");  // always emptied on load

  cFlow fresh;
  EXPECT_EQ(fresh.m_byKeySlack, 3);
  ByteBuilder want;
  want.I32(10).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8(3).U8(0);
  want.I32(1).Str("").I32(0).I32(0).I32(0);
  ASSERT_EQ(want.Size(), 34u);
  EXPECT_EQ(BodyBytes(fresh), want.Bytes());
}

TEST_F(FlowRecordsTest, DefaultCommandBodyOf44Bytes) {
  cFlowCmd fresh;
  ByteBuilder want;
  want.I32(8).U8(0).U8(0).I16(0).I16(0).U8(0).I16(0).U8(1).I16(0);
  want.I32(1).Str("").U32(0).U32(0).U32(0).I32(0).I32(0);
  ASSERT_EQ(want.Size(), 44u);
  EXPECT_EQ(BodyBytes(fresh), want.Bytes());

  ByteBuilder b;
  b.I32(8).U8(0).U8(18).I16(25).I16(-3).U8(1).I16(1).U8(0).I16(1);
  b.I32(1).Str("stage\\a.dat").U32(0).U32(0).U32(0).I32(0).I32(1).I32(60);
  cFlowCmd c;
  ASSERT_TRUE(ReadBody(c, b.Bytes()));
  EXPECT_EQ(c.m_byKind, 18);
  EXPECT_EQ(c.m_sTime, 25);
  EXPECT_EQ(c.m_sTimePerClone, -3);
  EXPECT_EQ(c.m_bParallel, 1);
  EXPECT_EQ(c.m_sSound, 1);
  EXPECT_EQ(c.m_bSoundOnScreen, 0);
  EXPECT_EQ(c.m_sAnime, 1);
  EXPECT_EQ(c.m_strText, "stage\\a.dat");
  EXPECT_EQ(c.m_vecParam, (std::vector<int32_t>{60}));
  EXPECT_EQ(BodyBytes(c), b.Bytes());
}

cFlow RichFlow() {
  cFlow f;
  f.m_byTrigger = 21;
  f.m_byGroup = 2;
  f.m_vecCond.resize(2);
  f.m_vecCond[1].m_byKind = 7;
  f.m_vecCond[1].m_nConst = 4;
  f.m_vecKeyTrigger.resize(1);
  f.m_vecKeyTrigger[0].m_vecKey[3] = 1;

  cFlowCmd move = MakeCmd(0, 2);
  CreateEdMove(move.m_pEdMove);
  move.m_pEdMove->m_sSpeed = 33;
  cFlowCmd shot = MakeCmd(0, 11);
  CreateEdShot(shot.m_pEdShot);
  shot.m_pEdShot->m_nAttack = 12;
  cFlowCmd op = MakeCmd(0, 16, {1, 2, 3, 4});
  CreateCondList(op.m_pCondList);
  op.m_pCondList->m_bUse = 1;
  op.m_pCondList->m_vecCond.resize(3);
  cFlowCmd change = MakeCmd(0, 19, std::vector<int32_t>(18, 5));
  change.m_vecFlow.resize(1);
  change.m_vecFlow[0].m_vecCmd.push_back(MakeCmd(0, 1));
  f.m_vecCmd = {move, shot, op, change};
  return f;
}

TEST_F(FlowRecordsTest, FlowWithEveryPartRoundTrips) {
  cFlow f = RichFlow();
  std::vector<uint8_t> body = BodyBytes(f);
  cFlow back;
  ASSERT_TRUE(ReadBody(back, body));
  ASSERT_EQ(back.m_vecCmd.size(), 4u);
  ASSERT_TRUE(back.m_vecCmd[0].m_pEdMove);
  EXPECT_EQ(back.m_vecCmd[0].m_pEdMove->m_sSpeed, 33);
  EXPECT_FALSE(back.m_vecCmd[0].m_pEdShot);
  ASSERT_TRUE(back.m_vecCmd[1].m_pEdShot);
  EXPECT_EQ(back.m_vecCmd[1].m_pEdShot->m_nAttack, 12);
  ASSERT_TRUE(back.m_vecCmd[2].m_pCondList);
  EXPECT_EQ(back.m_vecCmd[2].m_pCondList->m_vecCond.size(), 3u);
  ASSERT_EQ(back.m_vecCmd[3].m_vecFlow.size(), 1u);
  EXPECT_EQ(back.m_vecCmd[3].m_vecFlow[0].m_vecCmd.size(), 1u);
  EXPECT_EQ(back.m_vecCond[1].m_nConst, 4);
  EXPECT_EQ(back.m_vecKeyTrigger[0].m_vecKey[3], 1);
  EXPECT_EQ(BodyBytes(back), body);
}

TEST_F(FlowRecordsTest, InspectionToolPrintsNestedFlowsAndParts) {
  cFlow f = RichFlow();
  f.m_vecCmd[1].m_pEdShot->m_byCancelPower = -3;
  std::string json = RecordToJson(f);
  for (const char* part : {
           "\"m_byTrigger\":21",
           "\"m_vecKey\":[0,0,0,1,",
           "\"m_bHasEdMove\":1,\"m_pEdMove\":{\"m_byMode\":0,",
           "\"m_sSpeed\":33",
           "\"m_bHasEdShot\":0,\"m_bHasCondList\":0",
           "\"m_byCancelPower\":-3",
           "\"m_nAttack\":12",
           "\"m_pCondList\":{\"m_bUse\":1,\"m_byMode\":0,\"m_vecCond\":[{",
           "\"m_dTurnBackFactor\":1,",
           "\"m_vecFlow\":[{\"m_byGroup\":0",
           "\"m_vecParam\":[1,2,3,4]",
       })
    EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
}

TEST_F(FlowRecordsTest, FlowOfVersion600HasNoNameAndNoPartnerBytes) {
  cFlow f;
  f.m_bBindPartner = 1;
  f.m_byPartnerSlot = 2;
  f.m_strName = "x";
  std::vector<uint8_t> body = BodyBytes(f, 600);
  ByteBuilder want;
  want.I32(8).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8(3).U8(0).I32(0).I32(0).I32(0).I32(0);
  EXPECT_EQ(body, want.Bytes());
  cFlow back;
  ASSERT_TRUE(ReadBody(back, body, 600));
  EXPECT_EQ(back.m_bBindPartner, 0);
  EXPECT_EQ(back.m_byKeySlack, 3);
  // 762 adds the partner flag, 767 its slot.
  EXPECT_EQ(BodyBytes(f, 762).size(), 34u - 1u + 2u);
  EXPECT_EQ(BodyBytes(f, 767).size(), 34u + 2u);
}

TEST_F(FlowRecordsTest, TriggerRenumberingByVersion) {
  struct Case {
    uint32_t version;
    int trigger, sw;
    int wantTrigger, wantSw;
  } cases[] = {
      {761, 18, 4, 21, 4}, {762, 18, 4, 18, 4}, {131, 11, 4, 14, 0}, {131, 4, 4, 4, 0}, {131, 0, 4, 0, 4},
      {132, 11, 4, 13, 0}, {163, 5, 4, 7, 4},   {164, 17, 4, 17, 4}, {500, 19, 1, 22, 1}, {777, 18, 1, 18, 1},
  };
  for (const Case& k : cases) {
    cFlow f;
    f.m_byTrigger = BYTE(k.trigger);
    f.m_bySwitch = BYTE(k.sw);
    cFlow back;
    ASSERT_TRUE(ReadBody(back, BodyBytes(f, k.version), k.version)) << k.version;
    EXPECT_EQ(back.m_byTrigger, k.wantTrigger) << k.version << " trigger " << k.trigger;
    EXPECT_EQ(back.m_bySwitch, k.wantSw) << k.version << " trigger " << k.trigger;
  }
}

// --- command upgrades ------------------------------------------------------------

struct CmdUpgradeCase {
  const char* what;
  uint32_t version;
  int category, kind;
  std::vector<int32_t> params;
  int wantKind;
  std::vector<int32_t> wantParams;
};

TEST_F(FlowRecordsTest, CommandUpgradesByVersion) {
  const CmdUpgradeCase cases[] = {
      {"message 544 [0]=7", 544, 0, 19, {7, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 19,
       {7, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 0, 0, 0, 1, 0, 1, 0}},
      {"message 544 [0]=3", 544, 0, 19, {3}, 19, {3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0}},
      {"item message 555", 555, 1, 4, std::vector<int32_t>(18, 9), 4,
       {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 1, 0}},
      {"733 kind 24 moves up", 733, 0, 24, {1, 2, 3}, 25, {1, 2}},
      {"733 kind 23 stays", 733, 0, 23, {1, 2, 3}, 23, {1, 2, 3}},
      {"733 arrange [0]=24", 733, 0, 37, {24, 1, 0, 0, 0}, 38, {25, 1, 0, 0, 0}},
      {"733 item arrange [0]=23", 733, 1, 22, {23, 1, 0, 0, 0}, 23, {23, 1, 0, 0, 0}},
      {"733 item kind 9", 733, 1, 9, {1, 2, 3}, 10, {1, 2}},
      {"734 kind 24 stays", 734, 0, 24, {1, 2, 3}, 24, {1, 2, 3}},
      {"144 stage clear", 144, 0, 17, {2}, 17, {3, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"721 stage clear [0]=1", 721, 1, 2, {1, 5, 5, 5, 5, 5, 5, 5, 5}, 2, {1, 5, 5, 5, 5, 5, 5, 5, 5}},
      {"165 music", 165, 0, 35, {1}, 36, {1, 1}},
      {"188 target", 188, 0, 21, {1, 2, 3, 4}, 21, {0, 1, 2, 0, 3, 4, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}},
      {"766 target", 766, 1, 6, std::vector<int32_t>(16, 7), 6, {0, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7}},
      {"167 status op", 167, 0, 22, {0, 0, 0, 1, 10, 0, 2, 0, 0, 0, 0, 0, 0, 12}, 22,
       {0, 0, 0, 1, 12, 0, 2, 0, 0, 0, 0, 0, 0, 14, 0, 0, 0, 0}},
      {"766 status op", 766, 0, 22, {0, 0, 0, 2, 0, 0, 2, 0, 0, 0, 0, 0, 3}, 22,
       {0, 0, 0, 5, 0, 0, 2, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0}},
      {"209 status op 2", 209, 0, 23, {1, 6, 0}, 23, {1, 7, 0}},
      {"766 status op 2", 766, 1, 8, {2, 6, 0}, 8, {5, 6, 0}},
      {"218 graphic", 218, 0, 25, {3, 119, 0}, 26, {3, 119, 0}},
      {"218 graphic +1", 218, 0, 25, {3, 50, 0}, 26, {3, 51, 0}},
      {"193 picture", 193, 0, 31, {1, 2, 3, 4, 5, 6, 7}, 32, {1, 2, 3, 4, 5, 6, 1, 7, 0, 0, 0, 0, 0, 0, 0}},
      {"194 chara effect", 194, 0, 29, {1, 6}, 30, {1, 0, 6}},
      {"202 summon", 202, 0, 14, {1, 2}, 14, {}},
      {"726 arrange", 726, 0, 37, {11, 14, 0, 0, 0}, 38, {11, 21, 0, 0, 0}},
      {"725 arrange", 725, 0, 37, {3}, 38, {11, 0, 0, 0, 0}},
      {"759 flow op", 759, 0, 16, {1, 2, 3, 4}, 16, {1, 2, 3, 0}},
      {"766 turn", 766, 0, 9, {4}, 9, {10}},
      {"766 turn 3", 766, 0, 9, {3}, 9, {3}},
      {"777 nothing", 777, 0, 9, {4}, 9, {4}},
  };
  for (const CmdUpgradeCase& k : cases) {
    cFlowCmd in = MakeCmd(k.category, k.kind, k.params);
    // Written by an older program: its kinds were not checked by ours.
    ScopedDataVersion old(k.version);
    cRecordWriter out;
    in.cRecord::Save(out);
    cFlowCmd got;
    ASSERT_TRUE(ReadBody(got, out.Data(), k.version)) << k.what;
    EXPECT_EQ(got.m_byKind, k.wantKind) << k.what;
    EXPECT_EQ(std::vector<int32_t>(got.m_vecParam.begin(), got.m_vecParam.end()), k.wantParams) << k.what;
  }
  EXPECT_TRUE(report.NewLines().empty());
}

TEST_F(FlowRecordsTest, CommandPartUpgrades) {
  // Shot graphic +1 below 220, at most 119.
  for (int g : {5, 118, 119}) {
    cFlowCmd c = MakeCmd(0, 11);
    CreateEdShot(c.m_pEdShot);
    c.m_pEdShot->m_nGraphic = int16_t(g);
    cFlowCmd got;
    ASSERT_TRUE(ReadBody(got, BodyBytes(c, 219), 219));
    EXPECT_EQ(got.m_pEdShot->m_nGraphic, std::min(g + 1, 119));
  }
  // Charge move below 514: angle and its step 0, mirror on.
  cFlowCmd charge = MakeCmd(0, 5);
  CreateEdMove(charge.m_pEdMove);
  charge.m_pEdMove->m_sAngle = 30;
  charge.m_pEdMove->m_sAnglePerClone = 4;
  charge.m_pEdMove->m_bMirrorAngle = 0;
  cFlowCmd got;
  ASSERT_TRUE(ReadBody(got, BodyBytes(charge, 513), 513));
  EXPECT_EQ(got.m_pEdMove->m_sAngle, 0);
  EXPECT_EQ(got.m_pEdMove->m_sAnglePerClone, 0);
  EXPECT_EQ(got.m_pEdMove->m_bMirrorAngle, 1);
  // Warp modes 2 and up moved behind the four target modes below 767.
  for (int mode : {0, 1, 2, 3}) {
    cFlowCmd warp = MakeCmd(1, 5);
    CreateEdMove(warp.m_pEdMove);
    warp.m_pEdMove->m_byMode = BYTE(mode);
    cFlowCmd w;
    ASSERT_TRUE(ReadBody(w, BodyBytes(warp, 766), 766));
    EXPECT_EQ(w.m_pEdMove->m_byMode, mode >= 2 ? mode + 3 : mode);
  }
}

TEST_F(FlowRecordsTest, ConditionListPartFromVersion764) {
  cFlowCmd op = MakeCmd(0, 16, {1, 0, 0, 0});
  CreateCondList(op.m_pCondList);
  op.m_pCondList->m_bUse = 1;
  op.m_pCondList->m_byMode = 1;
  op.m_pCondList->m_vecCond.resize(2);

  // 763: no flag at all; the loaded command gets an unused list.
  std::vector<uint8_t> at763 = BodyBytes(op, 763);
  EXPECT_EQ(at763.size(), 44u - 4u + 16u);
  cFlowCmd a;
  ASSERT_TRUE(ReadBody(a, at763, 763));
  ASSERT_TRUE(a.m_pCondList);
  EXPECT_EQ(a.m_pCondList->m_bUse, 0);
  EXPECT_TRUE(a.m_pCondList->m_vecCond.empty());

  // 765: the flag and the two bytes, no conditions yet.
  cFlowCmd b;
  ASSERT_TRUE(ReadBody(b, BodyBytes(op, 765), 765));
  ASSERT_TRUE(b.m_pCondList);
  EXPECT_EQ(b.m_pCondList->m_bUse, 1);
  EXPECT_EQ(b.m_pCondList->m_byMode, 1);
  EXPECT_TRUE(b.m_pCondList->m_vecCond.empty());

  // 766: the conditions too.
  cFlowCmd c;
  ASSERT_TRUE(ReadBody(c, BodyBytes(op, 766), 766));
  ASSERT_TRUE(c.m_pCondList);
  EXPECT_EQ(c.m_pCondList->m_vecCond.size(), 2u);

  // Save always writes the flag.
  cFlowCmd none = MakeCmd(0, 1);
  EXPECT_EQ(BodyBytes(none).size(), 44u);
}

TEST_F(FlowRecordsTest, OlderVersionFileWrittenAndReadBack) {
  cFlowCmd op = MakeCmd(0, 16, {2, 0, 0, 0});
  std::string path = dir / "cmd.dat";
  {
    ScopedDataVersion old(763);
    ASSERT_TRUE(op.SaveToFile(path.c_str()));
  }
  std::vector<uint8_t> bytes = ReadOsFile(path);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes[0] | (bytes[1] << 8), 763);
  cFlowCmd back;
  ASSERT_TRUE(back.LoadFromFile(path.c_str()));
  ASSERT_TRUE(back.m_pCondList);
  EXPECT_EQ(back.m_pCondList->m_bUse, 0);
  EXPECT_EQ(back.m_vecParam[0], 2);
}

// --- malformed commands ------------------------------------------------------------

TEST_F(FlowRecordsTest, UnknownKindsBecomeEmptyCommandsWithOneReportLine) {
  struct Case {
    int category, kind;
    int wantCategory;
  } cases[] = {{0, 40, 0}, {0, 127, 0}, {0, 255, 0}, {1, 25, 1}, {1, 255, 1}, {2, 3, 0}, {255, 0, 0}};
  for (const Case& k : cases) {
    cFlowCmd c = MakeCmd(k.category, k.kind, {1, 2, 3});
    cRecordWriter out;
    c.cRecord::Save(out);
    cFlowCmd got;
    ASSERT_TRUE(ReadBody(got, out.Data())) << k.kind;
    EXPECT_EQ(got.m_byCategory, k.wantCategory) << k.category << "/" << k.kind;
    EXPECT_EQ(got.m_byKind, 0) << k.kind;
    EXPECT_TRUE(got.m_vecParam.empty()) << k.kind;
    EXPECT_EQ(report.NewLines().size(), 1u) << k.category << "/" << k.kind;
    // Old files go through the upgrades first; a bad kind never wraps into a good one.
    cRecordWriter oldOut;
    {
      ScopedDataVersion old(700);
      c.cRecord::Save(oldOut);
    }
    cFlowCmd oldGot;
    ASSERT_TRUE(ReadBody(oldGot, oldOut.Data(), 700));
    EXPECT_EQ(oldGot.m_byKind, 0);
    EXPECT_EQ(report.NewLines().size(), 1u);
  }
}

TEST_F(FlowRecordsTest, CommandsThatDoNotFitTheirListAreEmptied) {
  cFlow f;
  f.m_vecCmd = {MakeCmd(0, 19), MakeCmd(1, 10, {0, 1}), MakeCmd(2, 50)};
  cRecordWriter out;
  f.cRecord::Save(out);
  cFlow got;
  ASSERT_TRUE(ReadBody(got, out.Data()));
  ASSERT_EQ(got.m_vecCmd.size(), 3u);
  EXPECT_EQ(got.m_vecCmd[0].m_byKind, 19);
  EXPECT_EQ(got.m_vecCmd[0].m_vecParam.size(), 18u);
  for (int i : {1, 2}) {
    EXPECT_EQ(got.m_vecCmd[size_t(i)].m_byCategory, 0);
    EXPECT_EQ(got.m_vecCmd[size_t(i)].m_byKind, 0);
    EXPECT_TRUE(got.m_vecCmd[size_t(i)].m_vecParam.empty());
  }
  EXPECT_EQ(report.NewLines().size(), 2u);

  // An item template's list holds item commands only.
  cCheckedVector<cFlowCmd> list = {MakeCmd(1, 4), MakeCmd(0, 11), MakeCmd(0, 0)};
  cRecordWriter listOut;
  listOut.List("", list);
  cRecordReader in(listOut.Data(), "test");
  cCheckedVector<cFlowCmd> items;
  ASSERT_TRUE(LoadCmdList(items, in, kCmdCategoryItem));
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].m_byKind, 4);
  EXPECT_EQ(items[1].m_byCategory, 1);
  EXPECT_EQ(items[1].m_byKind, 0);
  EXPECT_EQ(items[2].m_byCategory, 1);
  EXPECT_EQ(report.NewLines().size(), 1u);  // the empty command moves quietly
}

TEST_F(FlowRecordsTest, HugeCountsFailTheLoadWithoutCrashing) {
  auto head = [] {
    ByteBuilder b;
    b.I32(8).U8(0).U8(9).I16(0).I16(0).U8(0).I16(0).U8(1).I16(0).I32(1).Str("");
    return b;
  };
  std::vector<ByteBuilder> bad;
  bad.push_back(head().U32(0).U32(0).U32(0).I32(0).U32(0xFFFFFFFF));          // parameters
  bad.push_back(head().U32(0).U32(0).U32(0).U32(0xFFFFFFFF).I32(0));          // nested flows
  bad.push_back(head().U32(0xFFFFFFFF).U32(0).U32(0).I32(0).I32(0));          // "present" move, cut short
  bad.push_back(head().U32(0).U32(0).U32(0).I32(0).I32(0x40000000).I32(1));  // more than the bytes left
  bad.push_back(head().U32(0).U32(0).U32(1).I32(2).U8(1).U8(0).U32(0xFFFFFFFF));  // conditions
  for (size_t i = 0; i < bad.size(); ++i) {
    cFlowCmd c = MakeCmd(0, 9, {3});
    EXPECT_FALSE(ReadBody(c, bad[i].Bytes())) << i;
  }
  cFlow f;
  ByteBuilder flow;
  flow.I32(10).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8(3).U8(0).I32(1).Str("");
  flow.U32(0xFFFFFFFF).I32(0).I32(0);
  EXPECT_FALSE(ReadBody(f, flow.Bytes()));
}

// --- validation ------------------------------------------------------------------

TEST_F(FlowRecordsTest, ValidateClampsDatabaseReferences) {
  g_Database.m_vecAnime.assign(3, cAnimeData());
  g_Database.m_vecSound.assign(4, cSoundData());
  g_Database.m_vecAnimeSet.assign(2, cAnimeSetData());
  g_Database.m_vecEffect.assign(2, cEffectData());
  g_Database.m_vecBgm.assign(5, cBgmData());

  struct Case {
    const char* what;
    cFlowCmd cmd;
    std::vector<int32_t> want;
  } cases[] = {
      {"anime set", MakeCmd(0, 27, {2}), {0}},
      {"anime set in range", MakeCmd(0, 27, {1}), {1}},
      {"anime set negative", MakeCmd(1, 12, {-1}), {0}},
      {"anime", MakeCmd(0, 28, {3}), {1}},
      {"anime item", MakeCmd(1, 13, {-4}), {1}},
      {"effect", MakeCmd(0, 29, {2, 9, 9, 9, 9, 9, 9, 9}), {1, 9, 9, 9, 9, 9, 9, 9}},
      {"bgm kept", MakeCmd(0, 36, {4, 0}), {4, 0}},
      {"bgm", MakeCmd(1, 21, {5, 0}), {1, 0}},
      {"sound", MakeCmd(0, 35, {4}), {1}},
      {"too many", MakeCmd(0, 19, std::vector<int32_t>(25, 2)), std::vector<int32_t>(18, 2)},
      {"too few", MakeCmd(0, 10, {1}), {1, 0, 0, 0, 0}},
      {"none", MakeCmd(0, 2, {1, 2}), {}},
  };
  for (Case& k : cases) {
    k.cmd.Validate();
    EXPECT_EQ(std::vector<int32_t>(k.cmd.m_vecParam.begin(), k.cmd.m_vecParam.end()), k.want) << k.what;
  }

  struct Ref {
    int anime, sound;
    int wantAnime, wantSound;
  } refs[] = {{2, 3, 2, 3}, {3, 4, 0, 0}, {-1, -5, 0, 0}, {0, 0, 0, 0}};
  for (const Ref& r : refs) {
    cFlowCmd c = MakeCmd(0, 1);
    c.m_sAnime = int16_t(r.anime);
    c.m_sSound = int16_t(r.sound);
    c.Validate();
    EXPECT_EQ(c.m_sAnime, r.wantAnime);
    EXPECT_EQ(c.m_sSound, r.wantSound);
  }
}

TEST_F(FlowRecordsTest, SwordDurationIsItsSwordTypesFrameTime) {
  g_Database.m_vecSwordType.assign(2, cSwordTypeData());
  g_Database.m_vecSwordType[0].m_vecFrame.assign(2, cSwordFrameData());
  g_Database.m_vecSwordType[0].m_vecFrame[0].m_nTime = 3;
  g_Database.m_vecSwordType[0].m_vecFrame[1].m_nTime = 4;
  g_Database.m_vecSwordType[1].m_vecFrame.assign(3, cSwordFrameData());
  for (cSwordFrameData& fr : g_Database.m_vecSwordType[1].m_vecFrame) fr.m_nTime = 5000;

  struct Case {
    int type, wantType, wantTime;
  } cases[] = {{0, 0, 7}, {1, 1, 9999}, {2, 0, 7}, {200, 0, 7}};
  for (const Case& k : cases) {
    cFlowCmd c = MakeCmd(0, 12);
    c.m_sTime = 1234;
    CreateEdShot(c.m_pEdShot);
    c.m_pEdShot->m_byTrajectory = BYTE(k.type);
    cFlowCmd got;
    ASSERT_TRUE(ReadBody(got, BodyBytes(c)));
    EXPECT_EQ(got.m_pEdShot->m_byTrajectory, k.wantType) << k.type;
    EXPECT_EQ(got.m_sTime, k.wantTime) << k.type;
  }
}

TEST_F(FlowRecordsTest, KindsThatNeedAPartGetADefaultOne) {
  struct Case {
    int category, kind;
    bool move, shot, cond;
  } cases[] = {
      {0, 2, true, false, false},  {0, 7, true, false, false},  {0, 20, true, false, false},
      {1, 5, true, false, false},  {0, 11, false, true, false}, {0, 12, false, true, false},
      {0, 15, false, true, false}, {0, 16, false, false, true}, {1, 1, false, false, false},
      {0, 1, false, false, false}, {0, 9, false, false, false},
  };
  for (const Case& k : cases) {
    cFlowCmd c = MakeCmd(k.category, k.kind);
    cRecordWriter out;
    c.cRecord::Save(out);
    cFlowCmd got;
    ASSERT_TRUE(ReadBody(got, out.Data())) << k.kind;
    EXPECT_EQ(bool(got.m_pEdMove), k.move) << k.category << "/" << k.kind;
    EXPECT_EQ(bool(got.m_pEdShot), k.shot) << k.category << "/" << k.kind;
    EXPECT_EQ(bool(got.m_pCondList), k.cond) << k.category << "/" << k.kind;
  }
  cFlowCmd move = MakeCmd(0, 3);
  move.Validate();
  ASSERT_TRUE(move.m_pEdMove);
  EXPECT_EQ(move.m_pEdMove->m_sSpeed, 10);
}

TEST_F(FlowRecordsTest, PaletteReferencesAreClamped) {
  cPaletteListSizes sizes;
  sizes.anBlock[0] = 4;
  sizes.anBlock[1] = 2;
  sizes.anChara[0] = 5;
  sizes.anChara[1] = 1;
  sizes.anItem[0] = 3;
  sizes.anItem[1] = 6;

  struct ShotCase {
    int kind, source, item;
    int wantSource, wantItem;
  } shots[] = {
      {11, 1, 2, 1, 2}, {11, 1, 3, 0, 0}, {12, 2, 5, 2, 5}, {12, 2, 6, 0, 0},
      {11, 2, -1, 0, 0}, {11, 0, 99, 0, 99}, {13, 1, 99, 1, 99},
  };
  for (const ShotCase& k : shots) {
    cFlowCmd c = MakeCmd(0, k.kind);
    CreateEdShot(c.m_pEdShot);
    c.m_pEdShot->m_byHitItemSource = BYTE(k.source);
    c.m_pEdShot->m_nHitItem = int16_t(k.item);
    c.ValidatePaletteRefs(sizes);
    EXPECT_EQ(c.m_pEdShot->m_byHitItemSource, k.wantSource) << k.kind << " " << k.item;
    EXPECT_EQ(c.m_pEdShot->m_nHitItem, k.wantItem) << k.kind << " " << k.item;
  }

  struct SummonCase {
    int kind, palette, index, want;
  } summons[] = {
      {13, 0, 3, 3}, {13, 0, 4, 1}, {13, 1, 2, 1}, {14, 0, 4, 4}, {14, 1, 1, 1},
      {14, 1, 0, 0}, {15, 0, 3, 1}, {15, 1, 5, 5}, {15, 1, -2, 1},
  };
  for (const SummonCase& k : summons) {
    cFlowCmd c = MakeCmd(0, k.kind);
    CreateEdShot(c.m_pEdShot);
    c.m_pEdShot->m_byPalette = BYTE(k.palette);
    c.m_pEdShot->m_nTemplate = int16_t(k.index);
    c.ValidatePaletteRefs(sizes);
    EXPECT_EQ(c.m_pEdShot->m_nTemplate, k.want) << k.kind << " " << k.palette << " " << k.index;
  }

  struct GetCase {
    int category, kind, palette, index, want;
  } gets[] = {{0, 25, 0, 2, 2}, {0, 25, 0, 3, 1}, {1, 10, 1, 5, 5}, {1, 10, 1, 6, 1}, {1, 10, 0, -1, 1},
              {0, 24, 0, 9, 9}};
  for (const GetCase& k : gets) {
    cFlowCmd c = MakeCmd(k.category, k.kind, {k.palette, k.index});
    c.ValidatePaletteRefs(sizes);
    EXPECT_EQ(c.m_vecParam[1], k.want) << k.category << "/" << k.kind << " " << k.index;
  }

  // Nested flows are checked too.
  cFlowCmd outer = MakeCmd(1, 1);
  outer.m_vecFlow.resize(1);
  outer.m_vecFlow[0].m_vecCmd.push_back(MakeCmd(0, 25, {1, 7}));
  outer.ValidatePaletteRefs(sizes);
  EXPECT_EQ(outer.m_vecFlow[0].m_vecCmd[0].m_vecParam[1], 1);
}

// --- test-play flows ---------------------------------------------------------------

TEST_F(FlowRecordsTest, TestPlayFlowsAreRemovedUnlessKept) {
  cFlowCmd c = MakeCmd(1, 1, {0, 0});
  for (int mark : {1, 0, 1, 1, 0, 1}) {
    cFlow f;
    f.m_bTestPlayOnly = BYTE(mark);
    f.m_byGroup = BYTE(c.m_vecFlow.size());
    c.m_vecFlow.push_back(f);
  }
  std::vector<uint8_t> body = BodyBytes(c);

  struct Case {
    int testPlay, keep;
    std::vector<int> groups;
  } cases[] = {{0, 0, {1, 4}}, {1, 0, {0, 1, 2, 3, 4, 5}}, {0, 1, {0, 1, 2, 3, 4, 5}}};
  for (const Case& k : cases) {
    g_bTestPlay = k.testPlay;
    g_bKeepTestPlayFlows = k.keep;
    cFlowCmd got;
    ASSERT_TRUE(ReadBody(got, body));
    std::vector<int> groups;
    for (const cFlow& f : got.m_vecFlow) groups.push_back(f.m_byGroup);
    EXPECT_EQ(groups, k.groups) << k.testPlay << k.keep;
  }

  std::vector<cFlow> flows(3);
  flows[0].m_bTestPlayOnly = 1;
  flows[1].m_bTestPlayOnly = 1;
  RemoveTestPlayFlows(flows);
  EXPECT_EQ(flows.size(), 1u);
}

// --- copies ------------------------------------------------------------------------

TEST_F(FlowRecordsTest, CopiesOwnTheirParts) {
  cFlowCmd a = MakeCmd(0, 16, {1, 2, 3, 4});
  CreateEdMove(a.m_pEdMove);
  CreateEdShot(a.m_pEdShot);
  CreateCondList(a.m_pCondList);
  a.m_pCondList->m_vecCond.resize(3);
  a.m_pCondList->m_vecCond[2].m_nConst = 8;
  a.m_vecFlow.resize(1);
  a.m_vecFlow[0].m_vecCmd.push_back(a);  // a nested copy with its own parts

  cFlowCmd b = a;
  EXPECT_NE(b.m_pEdMove.get(), a.m_pEdMove.get());
  EXPECT_NE(b.m_pEdShot.get(), a.m_pEdShot.get());
  EXPECT_NE(b.m_pCondList.get(), a.m_pCondList.get());
  ASSERT_EQ(b.m_pCondList->m_vecCond.size(), 3u);
  EXPECT_EQ(b.m_pCondList->m_vecCond[2].m_nConst, 8);
  b.m_pEdMove->m_sSpeed = 77;
  b.m_pEdShot->m_nAttack = 5;
  b.m_pCondList->m_vecCond[2].m_nConst = 9;
  b.m_vecFlow[0].m_vecCmd[0].m_pEdShot->m_nAttack = 6;
  EXPECT_EQ(a.m_pEdMove->m_sSpeed, 10);
  EXPECT_EQ(a.m_pEdShot->m_nAttack, 0);
  EXPECT_EQ(a.m_pCondList->m_vecCond[2].m_nConst, 8);
  EXPECT_EQ(a.m_vecFlow[0].m_vecCmd[0].m_pEdShot->m_nAttack, 0);

  // Assigning a command without parts takes the target's away.
  cFlowCmd plain = MakeCmd(0, 1);
  b = plain;
  EXPECT_FALSE(b.m_pEdMove);
  EXPECT_FALSE(b.m_pEdShot);
  EXPECT_FALSE(b.m_pCondList);
  // And back: new objects again, equal in value.
  b = a;
  EXPECT_NE(b.m_pEdShot.get(), a.m_pEdShot.get());
  EXPECT_EQ(BodyBytes(b), BodyBytes(a));
  b = b;  // a copy onto itself keeps its parts
  ASSERT_TRUE(b.m_pEdMove);

  // Copies of whole flows and flow lists do the same.
  std::vector<cFlow> flows(1);
  flows[0].m_vecCmd.push_back(a);
  std::vector<cFlow> copy;
  CopyRecordVector(copy, flows);
  copy[0].m_vecCmd[0].m_pEdMove->m_byMode = 1;
  EXPECT_EQ(flows[0].m_vecCmd[0].m_pEdMove->m_byMode, 0);
}

TEST_F(FlowRecordsTest, InitEmptiesEverything) {
  cFlowCmd c = MakeCmd(0, 16, {1});
  CreateCondList(c.m_pCondList);
  c.m_bSoundOnScreen = 0;
  c.m_strText = "x";
  c.m_vecFlow.resize(2);
  c.Init();
  EXPECT_FALSE(c.m_pCondList);
  EXPECT_EQ(c.m_byKind, 0);
  EXPECT_EQ(c.m_bSoundOnScreen, 1);
  EXPECT_TRUE(c.m_strText.empty());
  EXPECT_TRUE(c.m_vecFlow.empty());
  EXPECT_TRUE(c.m_vecParam.empty());
}

}  // namespace
