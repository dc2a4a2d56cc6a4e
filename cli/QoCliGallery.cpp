#include "cli/QoCliGallery.h"

#include <filesystem>

std::string QoHtmlEscape(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string QoUrlPath(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url;
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                       (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                       byte == '~' || byte == '/';
    if (plain) {
      url += c;
    } else {
      url += '%';
      url += kHex[byte >> 4];
      url += kHex[byte & 15];
    }
  }
  return url;
}

std::string QoGalleryHtml(const std::vector<TQoGalleryEntry>& entries, const std::string& note) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>Orvalon gallery</title>\n<style>\n"
      "body { font-family: sans-serif; margin: 1em 2em; background: #f4f4f4; }\n"
      "table { border-collapse: collapse; }\n"
      "td, th { padding: 6px 10px; border-bottom: 1px solid #ccc; text-align: left;"
      " vertical-align: middle; }\n"
      "td.thumb { text-align: center; background: #222; }\n"
      "img { image-rendering: pixelated; }\n"
      ".problem { color: #a00; }\n"
      "</style>\n</head>\n<body>\n<h1>Orvalon gallery</h1>\n";
  if (!note.empty()) html += "<p>" + QoHtmlEscape(note) + "</p>\n";
  html += "<p>" + std::to_string(entries.size()) + (entries.size() == 1 ? " file" : " files") +
          "; each thumbnail links to the whole picture.</p>\n";
  html +=
      "<table>\n<tr><th>Picture</th><th>File</th><th>Format</th><th>Size</th>"
      "<th>Palette</th><th>Pixel aspect</th></tr>\n";
  for (const TQoGalleryEntry& entry : entries) {
    const std::string name = std::filesystem::path(entry.File).filename().string();
    html += "<tr><td class=\"thumb\">";
    if (!entry.Thumbnail.empty() && !entry.Picture.empty()) {
      html += "<a href=\"" + QoHtmlEscape(QoUrlPath(entry.Picture)) + "\"><img src=\"" +
              QoHtmlEscape(QoUrlPath(entry.Thumbnail)) + "\" alt=\"" + QoHtmlEscape(name) +
              "\"></a>";
    }
    html += "</td><td>" + QoHtmlEscape(name);
    if (entry.FileSize >= 0)
      html += "<br><small>" + std::to_string(entry.FileSize) + " bytes</small>";
    html += "</td>";
    if (!entry.Problem.empty()) {
      html += "<td colspan=\"4\" class=\"problem\">" + QoHtmlEscape(entry.Format) +
              (entry.Format.empty() ? "" : ": ") + QoHtmlEscape(entry.Problem) + "</td>";
    } else {
      html += "<td>" + QoHtmlEscape(entry.Format) + "</td><td>" + std::to_string(entry.Width) +
              " &times; " + std::to_string(entry.Height) + ", " + std::to_string(entry.ColorDepth) +
              (entry.ColorDepth == 1 ? " bit" : " bits") + "</td><td>" +
              (entry.Palette.empty() ? std::string("fixed") : QoHtmlEscape(entry.Palette)) +
              (entry.PaletteColors > 0 ? ", " + std::to_string(entry.PaletteColors) + " colours"
                                       : std::string()) +
              "</td><td>" + QoHtmlEscape(entry.Aspect) + "</td>";
    }
    html += "</tr>\n";
  }
  html += "</table>\n</body>\n</html>\n";
  return html;
}
