#pragma once

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

namespace tarvo::cli {

// Minimal JSON output: objects and arrays written in order, commas placed by
// the writer.
class JsonWriter {
public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  void BeginObject() { Value(); out_ << '{'; first_ = true; }
  void EndObject() { out_ << '}'; first_ = false; }
  void BeginArray() { Value(); out_ << '['; first_ = true; }
  void EndArray() { out_ << ']'; first_ = false; }

  void Key(std::string_view key) {
    if (!first_) out_ << ',';
    first_ = false;
    String(key);
    out_ << ':';
    afterKey_ = true;
  }

  void Write(std::string_view s) { Value(); String(s); }
  void Write(bool b) { Value(); out_ << (b ? "true" : "false"); }
  void Write(int v) { Value(); out_ << v; }
  // Shortest text that reads back to the same value.
  template <class Real>
  void WriteReal(Real v) {
    Value();
    if (!std::isfinite(v)) {
      out_ << "null";
      return;
    }
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    out_.write(buf, res.ptr - buf);
  }
  void Write(float v) { WriteReal(v); }
  void Write(double v) { WriteReal(v); }

private:
  void Value() {
    if (afterKey_) {
      afterKey_ = false;
      return;
    }
    if (!first_) out_ << ',';
    first_ = false;
  }

  void String(std::string_view s) {
    out_ << '"';
    for (unsigned char c : s) {
      switch (c) {
        case '"': out_ << "\\\""; break;
        case '\\': out_ << "\\\\"; break;
        case '\n': out_ << "\\n"; break;
        case '\r': out_ << "\\r"; break;
        case '\t': out_ << "\\t"; break;
        default:
          if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out_ << buf;
          } else if (c >= 0x80) {
            // Single-byte text from instrument files: Latin-1 to UTF-8.
            out_ << static_cast<char>(0xC0 | (c >> 6)) << static_cast<char>(0x80 | (c & 0x3F));
          } else {
            out_ << static_cast<char>(c);
          }
      }
    }
    out_ << '"';
  }

  std::ostream& out_;
  bool first_ = true;
  bool afterKey_ = false;
};

}  // namespace tarvo::cli
