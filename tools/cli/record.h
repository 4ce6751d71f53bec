#pragma once
/// What a command of quorelbox-cli hands back: a record, a small tree of named values that
/// the two writers (record_writers.h) print without knowing which command made it. A value
/// is nothing, a yes/no, a number, a text, a block of text, a list or a record of named
/// fields. Besides what it is, a value may say how the text writer spells it ("-12.0 dB",
/// "on"), and a field may carry a label for the text writer and be left out of one writer;
/// that is all the presentation a record holds.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qb::cli {

struct Field;

class Value {
 public:
  enum class Kind { Null, Bool, Number, Text, Block, List, Record };

  Value() = default;  ///< nothing: JSON null
  Value(bool flag);
  Value(int number);
  Value(unsigned number);
  Value(double number);
  Value(std::string text);
  Value(const char* text);
  Value(std::string_view text);
  /// A block of text that the text writer writes as it is, line breaks and all.
  static Value Block(std::string text);

  /// The text writer shows a scalar as `spelling` instead of its plain form.
  Value Spelled(std::string spelling) &&;

  Kind kind() const { return m_kind; }
  bool IsScalar() const { return m_kind != Kind::List && m_kind != Kind::Record && m_kind != Kind::Block; }
  bool Flag() const { return m_flag; }
  double Number() const { return m_number; }
  const std::string& Text() const { return m_text; }
  /// How the text writer shows a scalar: its spelling, else "none", "yes"/"no", the
  /// number as JSON writes it, or the text.
  std::string Spelling() const;
  const std::vector<Value>& Items() const { return m_items; }
  const std::vector<Field>& Fields() const { return m_fields; }

 private:
  friend class List;
  friend class Record;

  Kind m_kind = Kind::Null;
  bool m_flag = false;
  double m_number = 0.0;
  std::string m_text;
  bool m_spelled = false;
  std::string m_spelling;
  std::vector<Value> m_items;
  std::vector<Field> m_fields;
};

/// Which writers show a field.
enum class Shown { Both, JsonOnly, TextOnly };

struct Field {
  std::string key;    ///< the JSON member name
  std::string label;  ///< what the text writer calls it; empty: the value stands alone
  Shown shown = Shown::Both;
  Value value;

  Field& Label(std::string text);
  Field& JsonOnly();
  Field& TextOnly();
  bool InText() const { return shown != Shown::JsonOnly; }
  bool InJson() const { return shown != Shown::TextOnly; }
};

/// A record being built, field by field in the order both writers keep.
class Record {
 public:
  /// Adds a field; its text label is `key` in words ("mainVolume" becomes "main volume").
  /// The reference is for Label/JsonOnly/TextOnly and is valid until the next Add.
  Field& Add(std::string key, Value value);
  /// Appends the fields of `other`, in its order.
  void Append(Record other);
  operator Value() &&;

 private:
  std::vector<Field> m_fields;
};

/// A list being built.
class List {
 public:
  void Add(Value item) { m_items.push_back(std::move(item)); }
  bool Empty() const { return m_items.empty(); }
  operator Value() &&;

 private:
  std::vector<Value> m_items;
};

// --- spellings the commands share -----------------------------------------------------------

/// `on` as the box's switches read: "on" or "off".
Value OnOff(bool on);
/// A number shown with `decimals` decimals and, when given, a unit: Measure(-12, 1, "dB")
/// is -12 in JSON and "-12.0 dB" in text.
Value Measure(double number, int decimals, std::string_view unit = {});
/// A 32-bit word, in text as 0x and eight hexadecimal digits.
Value Word(std::uint32_t word);

}  // namespace qb::cli
