#include "objects/game_object.h"

cGameObject::cGameObject(const cGameObject& other) { CopyFields(other); }
cGameObject::~cGameObject() = default;
void cGameObject::Copy(const cGameObject& source) { CopyFields(source); }
void cGameObject::SetScale(int, int) {}
void cGameObject::CopyFields(const cGameObject&) {}
