// STAND-IN until the flow runtime: the trigger pass that runs a chara's
// flows of one trigger at once. Until then no flow runs from a trigger.
#include "objects/chara_base.h"

void cCharaBase::RunFlowsByTrigger(int) {}
