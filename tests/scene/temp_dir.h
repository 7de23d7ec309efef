// A scratch folder per test, removed with everything in it afterwards.
#ifndef TESTS_SCENE_TEMP_DIR_H
#define TESTS_SCENE_TEMP_DIR_H

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

class TempDir {
 public:
  TempDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("tavren_scene_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // in: rel, a path inside the folder; bytes. out: the file's full path.
  std::string Write(const std::string& rel, const std::string& bytes) const {
    std::filesystem::path p = path_ / rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  std::string Path() const { return path_.string(); }
  std::string File(const std::string& rel) const { return (path_ / rel).string(); }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
};

#endif  // TESTS_SCENE_TEMP_DIR_H
