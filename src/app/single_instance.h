// The guard against a second running player.
#pragma once
#include "platform/instance.h"

// Takes the lock named "ゲーム". When another instance holds it, asks whether
// to close that one and start again. False: the program ends with exit 0
// (the user declined, or the older instance could not be asked to close).
bool TakeSingleInstance(plat::InstanceLock& lock);
