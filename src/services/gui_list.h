// A list box drawn with a dialog's static rows: the list keeps its entries
// and the selection, and writes the rows that fit into consecutive static
// controls of the dialog (ids firstRowId ... firstRowId + rows - 1), the
// selected one marked. Up and Down move the selection, Page Up and Page
// Down a page; each move notifies the dialog with a selection-change
// command (code 1 on firstRowId).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "services/gui_controls.h"

class cListBox : public cControl {
 public:
  cListBox() { m_nType = kCtrlList; }
  void Attach(cDialog* dialog, uint16_t firstRowId, int rows);

  void SetItems(std::vector<std::string> itemsCp932);
  const std::vector<std::string>& Items() const { return m_Items; }
  int Selection() const { return m_nSel; }
  void SetSelection(int index);
  int TopIndex() const { return m_nTop; }

  void RefreshList() override;
  void OnKey(int key, LPARAM, bool ctrlHeld) override;

  // Marks the selected row.
  static constexpr const char* kMark = "> ";
  static constexpr const char* kPad = "  ";

 private:
  void Move(int step);

  std::vector<std::string> m_Items;
  int m_nSel = -1;
  int m_nTop = 0;
  int m_nRows = 0;
};
