#include "services/gui_list.h"

#include <algorithm>

#include "platform/input.h"
#include "services/gui_dialog.h"

void cListBox::Attach(cDialog* dialog, uint16_t firstRowId, int rows) {
  m_nRows = std::max(rows, 1);
  cControl::Attach(dialog, firstRowId);
  RefreshList();
}

void cListBox::SetItems(std::vector<std::string> itemsCp932) {
  m_Items = std::move(itemsCp932);
  m_nTop = 0;
  m_nSel = m_Items.empty() ? -1 : 0;
  RefreshList();
}

void cListBox::SetSelection(int index) {
  if (m_Items.empty()) return;
  m_nSel = std::clamp(index, 0, static_cast<int>(m_Items.size()) - 1);
  // Keep the selection in view.
  if (m_nSel < m_nTop) m_nTop = m_nSel;
  if (m_nSel >= m_nTop + m_nRows) m_nTop = m_nSel - m_nRows + 1;
  RefreshList();
}

void cListBox::RefreshList() {
  if (!m_pDialog) return;
  for (int r = 0; r < m_nRows; ++r) {
    const int i = m_nTop + r;
    std::string row;
    if (i < static_cast<int>(m_Items.size())) row = std::string(i == m_nSel ? kMark : kPad) + m_Items[i];
    m_pDialog->SetItemText(static_cast<uint16_t>(m_nId + r), row);
  }
}

void cListBox::Move(int step) {
  if (m_Items.empty()) return;
  const int before = m_nSel;
  SetSelection(m_nSel + step);
  if (m_nSel != before && m_pDialog) m_pDialog->SendCommand(m_nId, 1);
}

void cListBox::OnKey(int key, LPARAM, bool) {
  switch (key) {
    case VK_UP: Move(-1); break;
    case VK_DOWN: Move(1); break;
    case VK_PRIOR: Move(-m_nRows); break;
    case VK_NEXT: Move(m_nRows); break;
    default: break;
  }
}
