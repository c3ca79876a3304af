// tarvamo4-dump FILE: loads a record file with the program's own loader and
// prints it as JSON on stdout. A file that does not load is reported on
// stderr and the exit code is non-zero.
#include <cstdio>
#include <string>

#include "platform/text.h"
#include "records/record.h"
#include "records/record_dump.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tarvamo4-dump FILE\n");
    std::fprintf(stderr, "known files:");
    for (const RecordFileType& t : RecordFileTypes()) std::fprintf(stderr, " %s", t.fileName);
    std::fprintf(stderr, "\n");
    return 2;
  }
  // Read the way the player reads after start-up.
  g_dwDataVersion = kRecordDataVersion;
  g_bDeleteCR = 1;

  std::string stored = plat::Utf8ToCp932(argv[1]);
  const RecordFileType* type = FindRecordFileType(stored);
  if (!type) {
    std::fprintf(stderr, "tarvamo4-dump: %s: not a record file this tool knows\n", argv[1]);
    return 2;
  }
  std::string json;
  if (!type->dump(stored, &json)) {
    std::string why = LastRecordLoadFailure();
    if (why.empty()) why = "cannot open " + stored;
    std::fprintf(stderr, "tarvamo4-dump: %s\n", plat::Cp932ToUtf8(why).c_str());
    return 1;
  }
  std::printf("%s\n", json.c_str());
  return 0;
}
