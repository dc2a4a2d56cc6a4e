#include "export/QoExport.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "color/QoAspect.h"

TQoExportRepeat QoExportRepeat(int aspectIndex) {
  const TQoAspectEntry& entry = QoAspectEntry(aspectIndex);
  TQoExportRepeat repeat;
  if (entry.V < entry.H) {
    repeat.RepeatX = entry.H / entry.V;
  } else {
    repeat.RepeatY = entry.V / entry.H;
  }
  return repeat;
}

std::unique_ptr<TQoBitmap> QoEnlarge(std::unique_ptr<TQoBitmap> bmp, TQoExportRepeat repeat) {
  if (!bmp || (repeat.RepeatX == 1 && repeat.RepeatY == 1)) return bmp;
  try {
    std::unique_ptr<TQoBitmap> large =
        bmp->CreateEmpty(bmp->Width * repeat.RepeatX, bmp->Height * repeat.RepeatY);
    for (int32_t y = 0; y < bmp->Height; ++y) {
      for (int32_t x = 0; x < bmp->Width; ++x) {
        const uint32_t value = bmp->GetPixel(x, y);
        for (int dy = 0; dy < repeat.RepeatY; ++dy) {
          for (int dx = 0; dx < repeat.RepeatX; ++dx) {
            large->SetPixel(x * repeat.RepeatX + dx, y * repeat.RepeatY + dy, value);
          }
        }
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

std::vector<uint8_t> QoEncodeForExtension(const TQoBitmap& bmp, const std::string& extension) {
  if (extension == ".bmp") return QoEncodeBmp(bmp);
  if (extension == ".png") return QoEncodePng(bmp);
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
  // The name is UTF-8; on Windows a narrow name would be taken as the ANSI code page.
  const std::filesystem::path file(
      std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (out)
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  if (out) out.close();
  if (!out) {
    const int error = errno;
    throw EQoError("Cannot write \"" + path +
                   "\": " + (error ? std::strerror(error) : "write failed"));
  }
}
