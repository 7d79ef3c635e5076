#pragma once
// Helpers every test may use: where the corpus and fixtures lie, and a
// scratch folder that is removed when the test ends.
#include <filesystem>
#include <string>
#include <vector>

namespace vqtest {

std::filesystem::path corpusDir();
std::filesystem::path corpusFile(const std::string& name);
std::vector<std::filesystem::path> corpusFiles();  // every *.pdf, sorted
std::filesystem::path fixturesDir();
std::filesystem::path binaryDir();

// Runs a shell command, returns its exit status and fills `output` with its
// standard output.
int runCommand(const std::string& command, std::string* output = nullptr);

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace vqtest
