#include "records/checked.h"

#include <string>

#include "platform/messages.h"
#include "services/log.h"

static void ReportBadIndex(const char* format, int index, int length, int elementSize) {
  std::string text = Format(format, index, length, elementSize);
  ReportError("%s", text.c_str());  // report log and debug log
  plat::PostMessage(plat::MainWindowHandle(), WM_CLOSE, 0, 0);
}

void ReportBadVectorIndex(int index, int length, int elementSize) {
  ReportBadIndex("err V[%d] ( %d , %d )", index, length, elementSize);
}

void ReportBadListIndex(int index, int length, int elementSize) {
  ReportBadIndex("err L[%d] ( %d , %d )", index, length, elementSize);
}
