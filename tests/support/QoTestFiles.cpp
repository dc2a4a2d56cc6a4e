#include "support/QoTestFiles.h"

#include <atomic>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace {

fs::path Utf8Path(const std::string& text) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

std::string Utf8String(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

}  // namespace

TQoTempFolder::TQoTempFolder() {
  static std::atomic<unsigned> counter{0};
  std::random_device device;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate =
        base / ("orvalon-test-" + std::to_string(device()) + "-" + std::to_string(counter++));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TQoTempFolder::~TQoTempFolder() {
  std::error_code error;
  fs::remove_all(path_, error);
}

std::string TQoTempFolder::PathOf(const std::string& name) const {
  return Utf8String(path_ / Utf8Path(name));
}

std::string TQoTempFolder::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
  const fs::path file = path_ / Utf8Path(name);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + Utf8String(file));
  return Utf8String(file);
}

std::string TQoTempFolder::Write(const std::string& name, const std::string& text) const {
  return Write(name, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string TQoTempFolder::WriteZeros(const std::string& name, std::uintmax_t size) const {
  const std::string file = Write(name, std::vector<uint8_t>());
  fs::resize_file(Utf8Path(file), size);
  return file;
}

bool TQoTempFolder::Remove(const std::string& name) const {
  std::error_code error;
  return fs::remove(path_ / Utf8Path(name), error);
}
