#pragma once
// Temporary files and folders for tests, removed again when the test ends.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A fresh, empty folder below the system's temporary folder; removed with everything in
// it when the object goes.
class TQoTempFolder {
 public:
  TQoTempFolder();
  ~TQoTempFolder();
  TQoTempFolder(const TQoTempFolder&) = delete;
  TQoTempFolder& operator=(const TQoTempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The full path of name inside the folder, as a UTF-8 string.
  std::string PathOf(const std::string& name) const;

  // Writes a file (replacing any of that name) and returns its full path.
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;
  std::string Write(const std::string& name, const std::string& text) const;
  // A file of size bytes, all zero, without building it in memory first.
  std::string WriteZeros(const std::string& name, std::uintmax_t size) const;
  // Removes a file of the folder; true when it was there.
  bool Remove(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// One temporary file in a folder of its own.
class TQoTempFile {
 public:
  TQoTempFile(const std::string& name, const std::vector<uint8_t>& bytes)
      : path_(folder_.Write(name, bytes)) {}

  const std::string& Path() const { return path_; }
  const TQoTempFolder& Folder() const { return folder_; }

 private:
  TQoTempFolder folder_;
  std::string path_;
};
