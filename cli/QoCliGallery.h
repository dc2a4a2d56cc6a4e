#pragma once
// The gallery page: one plain HTML file that lists pictures with their thumbnails and
// what Orvalon found in them; it needs no scripts and works from the file system.

#include <cstdint>
#include <string>
#include <vector>

struct TQoGalleryEntry {
  std::string File;       // the input as given
  int64_t FileSize = -1;  // bytes; -1 when unknown
  std::string Format;     // the best engine's display name
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t ColorDepth = 0;
  std::string Palette;  // the palette type's label, empty when the engine offers none
  int PaletteColors = 0;
  std::string Aspect;     // the pixel aspect's label
  std::string Picture;    // relative to the page, '/'-separated; empty when not written
  std::string Thumbnail;  // likewise
  std::string Problem;    // why a file has no picture
};

// Text with &, <, >, " and ' escaped for HTML.
std::string QoHtmlEscape(const std::string& text);
// A relative path as a URL: every byte outside the unreserved characters and '/'
// percent-encoded, so names with spaces, '#' or '?' still link to their files.
std::string QoUrlPath(const std::string& path);
// The whole page, the entries in their order; note, when given, is a line under the title.
std::string QoGalleryHtml(const std::vector<TQoGalleryEntry>& entries,
                          const std::string& note = std::string());
