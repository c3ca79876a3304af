#include "objects/chara_base.h"

cCharaBase::cCharaBase() = default;
cCharaBase::cCharaBase(const cCharaBase& other) : cGameObject(other) { m_bUnlinked = 1; }
cCharaBase::~cCharaBase() = default;
void cCharaBase::AdjustYForScale(int, int) {}
void cCharaBase::SetCenter(int, int) {}
void cCharaBase::SetCenterStopMove(int, int, cCmdState*) {}
void cCharaBase::SetCenterX(int) {}
void cCharaBase::SetCenterXStopMove(int, cCmdState*) {}
void cCharaBase::SetCenterY(int) {}
void cCharaBase::SetCenterYStopMove(int, cCmdState*) {}
void cCharaBase::CopyFrom(const cCharaBase&) {}
