#include "tools/cli/record.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qb::cli {
namespace {

/// "mainVolume" as "main volume": the text writer's label when a field names none.
std::string LabelFromKey(std::string_view key) {
  std::string words;
  for (const char c : key) {
    if (std::isupper(static_cast<unsigned char>(c))) {
      if (!words.empty()) words += ' ';
      words += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else {
      words += c;
    }
  }
  return words;
}

/// A number as JSON writes it: whole numbers without a point, others in the fewest digits
/// that read back as the same double.
std::string PlainNumber(double number) {
  char text[32];
  if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 1e15) {
    std::snprintf(text, sizeof text, "%.0f", number);
    return text;
  }
  std::snprintf(text, sizeof text, "%.15g", number);
  if (std::strtod(text, nullptr) != number) std::snprintf(text, sizeof text, "%.17g", number);
  return text;
}

}  // namespace

Value::Value(bool flag) : m_kind(Kind::Bool), m_flag(flag) {}
Value::Value(int number) : m_kind(Kind::Number), m_number(number) {}
Value::Value(unsigned number) : m_kind(Kind::Number), m_number(number) {}
Value::Value(double number) : m_kind(Kind::Number), m_number(number) {}
Value::Value(std::string text) : m_kind(Kind::Text), m_text(std::move(text)) {}
Value::Value(const char* text) : Value(std::string(text)) {}
Value::Value(std::string_view text) : Value(std::string(text)) {}

Value Value::Block(std::string text) {
  Value value(std::move(text));
  value.m_kind = Kind::Block;
  return value;
}

Value Value::Spelled(std::string spelling) && {
  m_spelled = true;
  m_spelling = std::move(spelling);
  return std::move(*this);
}

std::string Value::Spelling() const {
  if (m_spelled) return m_spelling;
  switch (m_kind) {
    case Kind::Null: return "none";
    case Kind::Bool: return m_flag ? "yes" : "no";
    case Kind::Number: return PlainNumber(m_number);
    default: return m_text;
  }
}

Field& Field::Label(std::string text) {
  label = std::move(text);
  return *this;
}

Field& Field::JsonOnly() {
  shown = Shown::JsonOnly;
  return *this;
}

Field& Field::TextOnly() {
  shown = Shown::TextOnly;
  return *this;
}

Field& Record::Add(std::string key, Value value) {
  std::string label = LabelFromKey(key);
  m_fields.push_back(Field{std::move(key), std::move(label), Shown::Both, std::move(value)});
  return m_fields.back();
}

void Record::Append(Record other) {
  for (Field& field : other.m_fields) m_fields.push_back(std::move(field));
}

Record::operator Value() && {
  Value value;
  value.m_kind = Value::Kind::Record;
  value.m_fields = std::move(m_fields);
  return value;
}

List::operator Value() && {
  Value value;
  value.m_kind = Value::Kind::List;
  value.m_items = std::move(m_items);
  return value;
}

Value OnOff(bool on) { return Value(on).Spelled(on ? "on" : "off"); }

Value Measure(double number, int decimals, std::string_view unit) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, number);
  std::string spelling = text;
  if (spelling.starts_with("-") && std::strtod(text, nullptr) == 0.0) spelling.erase(0, 1);  // no "-0.0"
  if (!unit.empty()) spelling += " " + std::string(unit);
  return Value(number).Spelled(std::move(spelling));
}

Value Word(std::uint32_t word) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", word);
  return Value(static_cast<double>(word)).Spelled(text);
}

}  // namespace qb::cli
