#pragma once
// The shape every family uses for formats that differ only in numbers (sizes, offsets,
// load addresses, extensions), and the one way engines give the usual Detect answers.
//
// A family writes one engine class that decodes any row of its table, a constexpr row per
// format, and one line per registered class:
//
//   struct TQoFooFormat { const char* ClassName; std::size_t Size; TQoExtensions Extensions; };
//   class TQoFooScreenEngine : public TQoSourceEngine {
//    public:
//     static uint8_t Detect(TQoLoadSource& source, const TQoFooFormat& row);
//     TQoFooScreenEngine(TQoLoadSource& source, const TQoFooFormat& row);
//   };
//   inline constexpr TQoFooFormat kQoFooPicFormat{"TQoFooPicEngine", 8000, ".pic .pi"};
//   using TQoFooPicEngine = TQoRowEngine<TQoFooScreenEngine, kQoFooPicFormat>;

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/QoLoadSource.h"
#include "engine/QoSourceEngine.h"

// A format's own extensions: lower case, each with its dot, separated by single spaces
// (".sc2 .s02 .grp"). The first is the format's default extension.
class TQoExtensions {
 public:
  constexpr TQoExtensions() = default;
  constexpr TQoExtensions(const char* list)
      : list_(list ? list : "") {}  // NOLINT: rows spell lists as literals

  constexpr bool Empty() const { return list_.empty(); }
  // True when extension (lower case, with its dot) is one of the list.
  constexpr bool Has(std::string_view extension) const {
    if (extension.empty()) return false;
    std::string_view rest = list_;
    while (!rest.empty()) {
      const std::size_t space = rest.find(' ');
      const std::string_view item = rest.substr(0, space);
      if (item == extension) return true;
      if (space == std::string_view::npos) break;
      rest.remove_prefix(space + 1);
    }
    return false;
  }
  constexpr std::string_view First() const { return list_.substr(0, list_.find(' ')); }
  constexpr std::string_view List() const { return list_; }

 private:
  std::string_view list_;
};

// What a format asks of a file before it is rated. Every field left at its default asks
// nothing; rules are written with designated initialisers:
//   QoDetect(source, {.Size = 6912, .Extensions = ".scr"})
//   QoDetect(source, {.MinSize = 34, .Signature = "FORM", .Extensions = ".iff"})
struct TQoDetectRule {
  std::size_t Size = 0;          // the exact size the file must have; 0 asks nothing
  std::size_t MinSize = 0;       // the size the file must at least have
  std::size_t MaxSize = 0;       // the size the file may at most have; 0 asks nothing
  std::string_view Signature{};  // bytes the file must hold at SignatureOffset
  std::size_t SignatureOffset = 0;
  bool Signed = false;         // the caller has checked a signature of its own
  bool SizeFlag = true;        // whether a passed size or structure test is part of the answer
  bool ExtensionOnly = false;  // declined unless the extension is one of Extensions
  TQoExtensions Extensions{};
};

// The flag byte of the load pipeline for rule over source: 0 when a size or signature
// test fails; otherwise kQoDetectSize (unless the rule says not), kQoDetectSignature for a
// signature, and kQoDetectExtension when the file's extension is the format's own.
uint8_t QoDetect(const TQoLoadSource& source, const TQoDetectRule& rule);

// An engine class made of one row of a family's table. Base decodes every row of its
// table; it offers
//   static uint8_t Detect(TQoLoadSource& source, const Row& row);
//   Base(TQoLoadSource& source, const Row& row);   // passes row.ClassName on
// and the row names the registered class in its ClassName.
template <class Base, const auto& Row>
class TQoRowEngine : public Base {
 public:
  static constexpr const char* ClassName = Row.ClassName;
  // The default extension, for describing the class before it sees data, where the row
  // lists the format's extensions.
  static constexpr std::string_view ClassExtension = [] {
    if constexpr (requires { Row.Extensions.First(); }) {
      return Row.Extensions.First();
    } else {
      return std::string_view();
    }
  }();
  static uint8_t Detect(TQoLoadSource& source) { return Base::Detect(source, Row); }
  explicit TQoRowEngine(TQoLoadSource& source) : Base(source, Row) {}
};
