// The open-file and save-file dialogs drawn inside the game window: a list
// of the shown folder (".." , folders, then the files the filter selects),
// the file-name edit, a button that steps through the filters, OK and
// Cancel. Up and Down move in the list; a file picked there goes into the
// edit. Enter or OK on a folder picked in the list enters it; otherwise it
// confirms the edit's name through cFileChooser::Choose (a typed folder or
// ".." is entered, a refused name or the overwrite question raises its box).
// Esc cancels.
#pragma once
#include <cstdint>
#include <string>

#include "services/file_chooser.h"
#include "services/gui_dialog.h"
#include "services/gui_list.h"

enum : uint16_t {
  kFileChooserFolderId = 1000,  // static: the folder shown
  kFileChooserRowId = 1100,     // first of the list's static rows
  kFileChooserNameId = 1200,    // edit: the file name
  kFileChooserFilterId = 1300,  // button: the next filter
};
constexpr int kFileChooserRows = 10;

class cFileChooserDialog : public cDialog {
 public:
  cFileChooserDialog(cFileChooser& chooser, const char* title);

  void OnInitDialog(WPARAM w, LPARAM l) override;
  void OnCommand(WPARAM w, LPARAM l) override;

  const cListBox& List() const { return m_List; }

 private:
  void Confirm();
  void ShowFolder();
  void ShowFilter();
  void SetName(const std::string& nameCp932);

  cFileChooser& m_Chooser;
  std::string m_sTitle;
  sDialogResource m_Resource;
  cListBox m_List;
  // The list's selection was the last thing chosen (not a typed name).
  bool m_bListPicked = false;
};

// Runs the drawn chooser: 1 with chooser.Path() chosen, 0 cancelled.
int RunDrawnFileChooser(cFileChooser& chooser, const char* title);
// Makes the file dialogs use the drawn chooser (done once at start-up).
void InstallDrawnFileChooser();
