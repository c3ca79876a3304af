// The values of a fresh project's System file and the vocabulary of its
// texts. System text N is entry N of cSystemData::m_vecText:
//   0 "%s%d" label of the challenge stage select, 1 unused, 2 world-map score,
//   3 high score, 4 total score, 5-9 ranking kind labels, 10-11 stage
//   confirm, 12-13 save confirm, 14-15 autosave choice, 16 autosave message,
//   17-18 back-to-title confirm, 19-22 pause menu, 23-24 retry query,
//   25 ranking genre hint, 26 test-play hint, 27 command-line stage hint,
//   28 ranking entry hint.
// The boxed menus of texts are sized by cSystemData::GetSystemMenuLeft and
// GetSystemMenuWidth and drawn by DrawSystemMenu of the text renderer.
#pragma once

// System texts shown as menus, by first entry.
enum : int {
  kTextStageConfirm = 10,     // centred on x 304
  kTextSaveConfirm = 12,      // the others on x 320
  kTextAutosaveChoice = 14,
  kTextAutosaveMessage = 16,
  kTextTitleConfirm = 17,
  kTextPauseMenu = 19,
  kTextRetryQuery = 23,
};

extern const char* const g_szDefaultSystemText[29];  // the 29 default texts
