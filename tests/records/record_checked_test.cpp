#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "records/checked.h"
#include "records/record_test_types.h"
#include "services/log.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

class CheckedContainer : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::RegisterMainThread();
    DrainCloses();
  }
  // Number of WM_CLOSE posts waiting in the main thread's queue (removed).
  int DrainCloses() {
    int n = 0;
    MSG m;
    while (plat::PeekMessage(&m, true))
      if (m.message == WM_CLOSE) ++n;
    return n;
  }
  TempFolder dir;
  ReportLogCapture report{dir.path()};
};

TEST_F(CheckedContainer, BadVectorIndexLogsClosesAndLeavesTheDataAlone) {
  cCheckedVector<int> ints{10, 11, 12, 13, 14};
  cCheckedVector<BYTE> bytes(5, 7);
  struct Case {
    std::function<void()> access;
    const char* line;
  } cases[] = {
      {[&] {
         int& e = ints.At(-1);
         EXPECT_EQ(e, 10);  // reads see element 0
         e = 99;            // writes go to a scratch element
       },
       "err V[-1] ( 5 , 4 )"},
      {[&] { EXPECT_EQ(bytes.At(5), 7); }, "err V[5] ( 5 , 1 )"},
      {[&] { EXPECT_EQ(ints.At(1 << 30), 10); }, "err V[1073741824] ( 5 , 4 )"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    c.access();
    EXPECT_EQ(report.NewLines(), std::vector<std::string>{c.line});
    EXPECT_EQ(DrainCloses(), 1);
  }
  EXPECT_EQ(ints, (cCheckedVector<int>{10, 11, 12, 13, 14}));
  // The debug log gets the same line when it is switched on.
  std::string ecLog = dir / "EC_Game.txt";
  InitECLog(1, ecLog.c_str());
  ints.At(7);
  InitECLog(0, "");
  std::ifstream f(ecLog);
  std::string line;
  std::getline(f, line);
  EXPECT_EQ(line, "err V[7] ( 5 , 4 )");
  EXPECT_EQ(report.NewLines().size(), 1u);
  EXPECT_EQ(DrainCloses(), 1);
  EXPECT_EQ(ints.At(4), 14);
  EXPECT_TRUE(report.NewLines().empty());
  EXPECT_EQ(DrainCloses(), 0);
}

TEST_F(CheckedContainer, EmptyVectorGivesAZeroedElementInsteadOfCrashing) {
  cCheckedVector<int> none;
  EXPECT_EQ(none.Size(), 0);
  EXPECT_EQ(none.At(0), 0);
  none.At(0) = 5;
  EXPECT_EQ(none.At(0), 0);  // each failure starts from a zeroed element
  EXPECT_TRUE(none.empty());
  cCheckedVector<cTestItem> records;
  cTestItem& item = records.At(3);
  item.m_strLabel = "scratch";
  EXPECT_TRUE(records.empty());
  std::vector<std::string> lines = report.NewLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "err V[0] ( 0 , 4 )");
  EXPECT_EQ(lines[3], "err V[3] ( 0 , " + std::to_string(sizeof(cTestItem)) + " )");
  EXPECT_EQ(DrainCloses(), 4);
}

TEST_F(CheckedContainer, FillSetsEveryElement) {
  cCheckedVector<int> v(4, 1);
  v.Fill(-3);
  EXPECT_EQ(v, (cCheckedVector<int>(4, -3)));
  EXPECT_TRUE(report.NewLines().empty());
}

TEST_F(CheckedContainer, BadListIndexUsesOneSharedFallback) {
  int a = 1, b = 2, c = 3;
  cCheckedList<int*> list{&a, &b, &c};
  EXPECT_EQ(list.At(2), &c);
  int*& first = list.At(3);
  EXPECT_EQ(first, nullptr);
  first = &a;  // writes into the fallback persist
  int*& second = list.At(-1);
  EXPECT_EQ(&second, &first);
  EXPECT_EQ(second, &a);
  EXPECT_EQ(list.size(), 3u);
  cCheckedList<int*> empty;
  EXPECT_EQ(&empty.At(0), &first);
  std::string size = std::to_string(sizeof(int*));
  EXPECT_EQ(report.NewLines(), (std::vector<std::string>{"err L[3] ( 3 , " + size + " )",
                                                         "err L[-1] ( 3 , " + size + " )",
                                                         "err L[0] ( 0 , " + size + " )"}));
  EXPECT_EQ(DrainCloses(), 3);
}

TEST_F(CheckedContainer, ListPositionsInsertAndEraseWithoutLogging) {
  struct Case {
    int pos;
    std::vector<int> after;
  } inserts[] = {
      {0, {9, 1, 2, 3}}, {1, {1, 9, 2, 3}}, {2, {1, 2, 9, 3}}, {3, {1, 2, 3, 9}}, {7, {1, 2, 3, 9}}, {-1, {1, 2, 3, 9}},
  };
  for (const Case& c : inserts) {
    cCheckedList<int> l{1, 2, 3};
    l.InsertAt(c.pos, 9);
    EXPECT_EQ(std::vector<int>(l.begin(), l.end()), c.after) << c.pos;
  }
  cCheckedList<int> l{1, 2, 3};
  EXPECT_EQ(l.EraseAt(3), l.end());
  EXPECT_EQ(l.EraseAt(-1), l.end());
  EXPECT_EQ(*l.EraseAt(1), 3);
  EXPECT_EQ(std::vector<int>(l.begin(), l.end()), (std::vector<int>{1, 3}));
  EXPECT_TRUE(report.NewLines().empty());
  EXPECT_EQ(DrainCloses(), 0);
}

TEST_F(CheckedContainer, RecordVectorsCopyByValue) {
  std::vector<cTestItem> src(3), dst(5);
  for (int i = 0; i < 3; ++i) src[size_t(i)].m_strLabel = "s" + std::to_string(i);
  CopyRecordVector(dst, src);
  ASSERT_EQ(dst.size(), 3u);
  dst[1].m_strLabel = "changed";
  EXPECT_EQ(src[1].m_strLabel, "s1");
  std::vector<cTestItem> fresh;
  CopyRecordVector(fresh, src);
  EXPECT_EQ(fresh[2].m_strLabel, "s2");
  DestroyRecordVector(fresh);
  EXPECT_TRUE(fresh.empty());
  EXPECT_EQ(fresh.capacity(), 0u);
}

}  // namespace
