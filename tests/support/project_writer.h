// Writes real project folders for tests through the program's own code, and
// gives tests a view of the report log.
#pragma once
#include <string>
#include <vector>

#include "support/temp_folder.h"

using t4test::TempFolder;

// Points the report log at a file in `dir` and reads its lines back (UTF-8).
class ReportLogCapture {
 public:
  explicit ReportLogCapture(const std::string& dir);
  std::vector<std::string> Lines() const;
  // Lines added since the previous call of NewLines (or construction).
  std::vector<std::string> NewLines();

 private:
  std::string m_path;
  size_t m_seen = 0;
};

// The System.ini of test projects: Direct3D, window mode, automatic depth,
// no dialog.
extern const char* const kTestSystemIni;

// Makes the folders created at every start, data\database\ with the ten
// databases, data\CommonPalette.cplt4, the project-wide files
// (project_writer_system.h) and the built-in bitmap sheets (8-bit,
// sheet_writer.h) at their defaults, the blend table of the default 8-bit
// colour set and kTestSystemIni, under `root` (an OS path), through the
// program's own Save. Returns false when something could not be written.
bool WriteProject(const std::string& root);
