#include "export/QoExport.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "color/QoAspect.h"

TQoExportRepeat QoExportRepeat(int aspectIndex) {
  const TQoAspectEntry& entry = QoAspectEntry(aspectIndex);
  TQoExportRepeat repeat;
  // The nearest whole factor: 1.873 gives 2, 1.138 gives 1, 3:14 gives 5.
  const auto nearest = [](double ratio) {
    return std::max(1, static_cast<int>(std::lround(ratio)));
  };
  if (entry.H >= entry.V) {
    repeat.RepeatX = nearest(static_cast<double>(entry.H) / entry.V);
  } else {
    repeat.RepeatY = nearest(static_cast<double>(entry.V) / entry.H);
  }
  repeat.PixelAspect = static_cast<double>(entry.H) * repeat.RepeatY /
                       (static_cast<double>(entry.V) * repeat.RepeatX);
  return repeat;
}

TQoExportRepeat QoNativeRepeat(int aspectIndex) {
  const TQoAspectEntry& entry = QoAspectEntry(aspectIndex);
  return TQoExportRepeat{1, 1, static_cast<double>(entry.H) / entry.V};
}

std::unique_ptr<TQoBitmap> QoEnlarge(std::unique_ptr<TQoBitmap> bmp, TQoExportRepeat repeat) {
  if (!bmp || (repeat.RepeatX == 1 && repeat.RepeatY == 1)) return bmp;
  try {
    std::unique_ptr<TQoBitmap> large =
        bmp->CreateEmpty(bmp->Width * repeat.RepeatX, bmp->Height * repeat.RepeatY);
    // Row by row: each source row widened once, its scan line then copied to the rows
    // it repeats into.
    std::vector<uint32_t> source(static_cast<std::size_t>(bmp->Width));
    std::vector<uint32_t> wide(static_cast<std::size_t>(large->Width));
    const std::size_t lineBytes = static_cast<std::size_t>(large->Stride);
    for (int32_t y = 0; y < bmp->Height; ++y) {
      bmp->GetRow(y, source.data());
      for (int32_t x = 0; x < bmp->Width; ++x) {
        std::fill_n(wide.begin() + static_cast<std::ptrdiff_t>(x) * repeat.RepeatX, repeat.RepeatX,
                    source[static_cast<std::size_t>(x)]);
      }
      const int32_t top = y * repeat.RepeatY;
      large->SetRow(top, wide.data(), large->Width);
      for (int dy = 1; dy < repeat.RepeatY; ++dy) {
        std::memcpy(large->GetScanLine(top + dy), large->GetScanLine(top), lineBytes);
      }
    }
    return large;
  } catch (const EQoError&) {
    return bmp;  // too large to enlarge: export the picture as decoded
  }
}

std::unique_ptr<TQoBitmap> ExportPicture(TQoSourceEngine& engine, int aspectIndex) {
  std::unique_ptr<TQoBitmap> bmp = engine.Decode();
  if (!bmp) qo::RaiseInternalError();
  return QoEnlarge(std::move(bmp), QoExportRepeat(aspectIndex));
}

std::vector<uint8_t> QoEncodeForExtension(const TQoBitmap& bmp, const std::string& extension,
                                          const TQoPngOptions& png) {
  if (extension == ".bmp") return QoEncodeBmp(bmp);
  if (extension == ".png") return QoEncodePng(bmp, png);
  if (extension == ".gif") return QoEncodeGif(bmp);
  throw EQoError("No picture writer for \"" + extension + "\"");
}

std::vector<uint8_t> QoEncodePackedDib(const TQoBitmap& bmp) {
  constexpr std::ptrdiff_t kFileHeaderSize = 14;
  std::vector<uint8_t> dib = QoEncodeBmp(bmp);
  dib.erase(dib.begin(), dib.begin() + kFileHeaderSize);
  return dib;
}

void QoWriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  namespace fs = std::filesystem;
  // The name is UTF-8; on Windows a narrow name would be taken as the ANSI code page.
  const fs::path file(std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
  std::error_code ignored;
  // A link is followed, so that the file it names is the one replaced.
  const fs::path target = fs::is_symlink(file, ignored) ? fs::canonical(file, ignored) : file;
  auto fail = [&](const std::string& reason, const fs::path& leftover) {
    if (!leftover.empty()) fs::remove(leftover, ignored);
    throw EQoError("Cannot write \"" + path + "\": " + reason);
  };
  auto write = [&](const fs::path& to) {
    errno = 0;
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (out) {
      out.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
    }
    if (out) out.close();
    return out ? std::string() : std::string(errno ? std::strerror(errno) : "write failed");
  };
  // A device or pipe is written as it is: there is nothing to rename over.
  if (fs::exists(target, ignored) && !fs::is_regular_file(target, ignored)) {
    if (const std::string error = write(target); !error.empty()) fail(error, {});
    return;
  }
  // Otherwise the bytes go to a temporary file beside the target and are renamed into
  // place, so a write that fails (a full disc, a killed process) leaves the earlier file
  // as it was and no partial file behind.
  // Its name is unique to this process and call: several jobs may write beside each other.
  static const unsigned process = std::random_device()();
  static std::atomic<unsigned> counter{0};
  fs::path temporary = target;
  temporary += ".part" + std::to_string(process) + "-" + std::to_string(counter++);
  if (const std::string error = write(temporary); !error.empty()) fail(error, temporary);
  std::error_code renamed;
  fs::rename(temporary, target, renamed);
  if (renamed) fail(renamed.message(), temporary);
}
