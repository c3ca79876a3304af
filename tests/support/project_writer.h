// Writes real project folders for tests through the program's own code, and
// gives tests a private scratch folder and a view of the report log.
#pragma once
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with its
// contents on destruction. With enter = true the current directory moves
// into it (and back on destruction), since the program's paths are relative.
class ScratchDir {
 public:
  explicit ScratchDir(const char* tag, bool enter = false);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& Path() const { return m_path; }
  std::string operator/(const std::string& rel) const { return m_path + "/" + rel; }

 private:
  std::string m_path;
  std::string m_oldCwd;
};

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

// Makes the folders created at every start, data\database\ with the ten
// databases, data\CommonPalette.cplt4 and the project-wide files
// (project_writer_system.h) at their defaults, under `root` (an OS path),
// through the program's own Save. Returns false when something could not be
// written.
bool WriteProject(const std::string& root);
