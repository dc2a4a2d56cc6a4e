#pragma once
// A small streaming JSON writer: enough for the tool's one-document output, with
// strings escaped so that any text taken from a file stays valid JSON.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class TQoJsonWriter {
 public:
  explicit TQoJsonWriter(std::ostream& out) : out_(out) {}

  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }

  // The key of the next member of the current object.
  void Key(const std::string& key) {
    Separate();
    WriteString(key);
    out_ << ": ";
    afterKey_ = true;
  }

  void String(const std::string& value) {
    Separate();
    WriteString(value);
  }
  void Number(int64_t value) {
    Separate();
    out_ << value;
  }
  void Bool(bool value) {
    Separate();
    out_ << (value ? "true" : "false");
  }
  void Null() {
    Separate();
    out_ << "null";
  }

  template <class T>
  void Member(const std::string& key, const T& value) {
    Key(key);
    Value(value);
  }

 private:
  void Value(const std::string& v) { String(v); }
  void Value(const char* v) { String(v); }
  void Value(bool v) { Bool(v); }
  void Value(int v) { Number(v); }
  void Value(int64_t v) { Number(v); }
  void Value(uint8_t v) { Number(v); }

  void Open(char bracket) {
    Separate();
    out_ << bracket;
    first_.push_back(true);
  }
  void Close(char bracket) {
    first_.pop_back();
    out_ << bracket;
  }
  void Separate() {
    if (afterKey_) {
      afterKey_ = false;
      return;
    }
    if (!first_.empty()) {
      if (!first_.back()) out_ << ", ";
      first_.back() = false;
    }
  }
  void WriteString(const std::string& text) {
    out_ << '"';
    for (unsigned char c : text) {
      switch (c) {
        case '"':
          out_ << "\\\"";
          break;
        case '\\':
          out_ << "\\\\";
          break;
        case '\n':
          out_ << "\\n";
          break;
        case '\r':
          out_ << "\\r";
          break;
        case '\t':
          out_ << "\\t";
          break;
        default:
          if (c < 0x20) {
            static const char* hex = "0123456789abcdef";
            out_ << "\\u00" << hex[c >> 4] << hex[c & 15];
          } else {
            out_ << c;
          }
      }
    }
    out_ << '"';
  }

  std::ostream& out_;
  std::vector<bool> first_;
  bool afterKey_ = false;
};
