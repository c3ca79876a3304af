// Walks over the running stage's object lists. Objects never move in memory
// while a list or a link holds them (the lists are node-based), so a walk
// may append objects or mark them for removal as it goes: appended objects
// are visited by the same walk, marked ones are skipped, and they are only
// unlinked once no walk over the list is running, the others keeping their
// order.
#pragma once
#include <list>

// Counts the walks running over one list, so that nested walks (a flow that
// summons while the charas are walked, say) leave the removal to the
// outermost one.
struct WALKDEPTH {
  int nDepth = 0;
};

// Erases the elements `removed` holds for, keeping the order of the rest;
// nothing while a walk over the list is running.
template <class T, class Removed>
void SweepRemoved(std::list<T>& list, const WALKDEPTH& depth, Removed removed) {
  if (depth.nDepth > 0) return;
  list.remove_if(removed);
}

// Calls fn on every element not marked for removal, including those
// appended during the walk, then sweeps the marked ones when this was the
// outermost walk.
template <class T, class Removed, class Fn>
void WalkObjects(std::list<T>& list, WALKDEPTH& depth, Removed removed, Fn fn) {
  ++depth.nDepth;
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (removed(*it)) continue;
    fn(*it);
  }
  --depth.nDepth;
  SweepRemoved(list, depth, removed);
}
