// A scratch folder for one test, removed with everything in it when the test ends.
#ifndef TESTS_IO_TEMP_DIR_H
#define TESTS_IO_TEMP_DIR_H

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace hostapp_test {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavren-io-XXXXXX").string();
    if (char* made = ::mkdtemp(&pattern[0])) path_ = made;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

  // Writes text (bytes as given) to name in the folder and returns the full path.
  std::string Write(const std::string& name, const std::string& text) const {
    std::string p = File(name);
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }

  // The names of the files in the folder, sorted.
  std::vector<std::string> List() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

}  // namespace hostapp_test

#endif  // TESTS_IO_TEMP_DIR_H
