// Walks that add and remove objects as they go.
#include "objects/object_walk.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Obj {
  char name;
  bool removed = false;
};
bool Removed(const Obj& o) { return o.removed; }

std::string Names(const std::list<Obj>& list) {
  std::string s;
  for (const Obj& o : list) s += o.name;
  return s;
}

TEST(ObjectWalk, RemovalDuringAWalkNeitherSkipsNorRepeatsAnother) {
  std::list<Obj> list{{'a'}, {'b'}, {'c'}, {'d'}, {'e'}};
  const Obj* addressOfD = &*std::next(list.begin(), 3);
  WALKDEPTH depth;
  std::string visited;
  WalkObjects(list, depth, Removed, [&](Obj& o) {
    visited += o.name;
    if (o.name == 'b') {
      o.removed = true;                        // itself
      std::next(list.begin(), 2)->removed = true;  // the next one: skipped
      list.push_back({'f'});                   // appended: visited
    }
    if (o.name == 'd') list.front().removed = true;  // one already visited
  });
  EXPECT_EQ(visited, "abdef");
  EXPECT_EQ(Names(list), "def");
  EXPECT_EQ(&list.front(), addressOfD);  // nobody moved
}

TEST(ObjectWalk, NestedWalksLeaveTheRemovalToTheOutermost) {
  std::list<Obj> list{{'a'}, {'b'}, {'c'}};
  WALKDEPTH depth;
  std::string inner;
  WalkObjects(list, depth, Removed, [&](Obj& o) {
    if (o.name != 'a') return;
    WalkObjects(list, depth, Removed, [&](Obj& p) {
      inner += p.name;
      if (p.name == 'b') p.removed = true;
    });
    EXPECT_EQ(list.size(), 3u);  // still linked while the outer walk runs
  });
  EXPECT_EQ(inner, "abc");
  EXPECT_EQ(Names(list), "ac");
  EXPECT_EQ(depth.nDepth, 0);
}

}  // namespace
