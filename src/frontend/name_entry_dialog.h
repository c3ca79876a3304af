// The ranking-name dialog (resource 102): one edit of at most three
// characters (a double-byte character counts one) and OK. The option scene
// opens it for the stored player name, stage play for the name a ranking
// entry registers under; the main window runs it on the window thread for
// message 1025 while the game threads wait.
#pragma once
#include <cstdint>
#include <string>

#include "services/gui_controls.h"
#include "services/gui_dialog.h"

enum : uint16_t {
  kNameDialogId = 102,
  kNameOkId = 1000,
  kNameCancelId = 1001,  // not in the resource; Esc cancels as IDCANCEL
  kNameEditId = 1003,
  kNameLabelId = 1007,
  kNamePictureId = 1075,
};

inline constexpr int kNameMaxChars = 3;

class cNameEntryDialog : public cDialog {
 public:
  // target: the name the dialog edits; null shows the dialog unbound.
  explicit cNameEntryDialog(std::string* target);
  ~cNameEntryDialog() override;

  void OnInitDialog(WPARAM w, LPARAM l) override;
  // OK writes the edit's text (within the limit) into the target and ends
  // with 1; cancel (Esc) ends with 0 and leaves the target as it was.
  void OnCommand(WPARAM w, LPARAM l) override;

 private:
  sDialogResource m_Resource;
  std::string* m_pTarget = nullptr;
  cEdit m_Name;
  cStaticText m_Label;
};

// The dialog being shown (null when none).
extern cNameEntryDialog* g_pNameDialog;

// What the dialog edits now: the player name of Option.dat when the options
// were the last title choice, else the running play scene's ranking name,
// else nothing.
std::string* NameEntryTarget();

// Shows the dialog modally for NameEntryTarget(); 1 when OK was chosen.
int RunNameEntryDialog();
