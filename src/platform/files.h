// Whole-file reading and the one atomic writer every save goes through.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat {
// Reads the whole file; false when it cannot be opened or read.
bool ReadWholeFile(std::string_view stored, std::vector<uint8_t>& out);
// Writes a temporary file beside the target, checks every write and the
// close, syncs, then renames it over the target. On failure the old file is
// untouched, the temporary is removed and false is returned. A target the
// user made read-only (no write permission bit) is refused the same way.
bool WriteFileAtomic(std::string_view stored, const void* data, size_t size);
// Removes the temporaries ("NAME.tmp-XXXXXX") that writes cut short (the
// process killed between creating and renaming them) left in a folder.
void RemoveWriteLeftovers(std::string_view folder);
// Appends one line under a lock shared by every thread of the process.
bool AppendToFile(std::string_view stored, std::string_view bytes);
}  // namespace plat
