#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "tools/cli/record_writers.h"

namespace qb::cli {
namespace {

constexpr std::size_t kIndent = 2;
constexpr std::string_view kGap = "  ";

void Line(std::string& out, std::size_t indent, std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (!text.empty()) out.append(indent, ' ');
  out += text;
  out += '\n';
}

std::vector<const Field*> Visible(const Value& record) {
  std::vector<const Field*> fields;
  for (const Field& field : record.Fields())
    if (field.InText()) fields.push_back(&field);
  return fields;
}

/// A record whose shown fields are all scalars: it fits on one line.
bool IsLineRecord(const Value& value) {
  if (value.kind() != Value::Kind::Record) return false;
  const std::vector<const Field*> fields = Visible(value);
  return !fields.empty() &&
         std::all_of(fields.begin(), fields.end(), [](const Field* f) { return f->value.IsScalar(); });
}

bool IsNumberList(const Value& value) {
  if (value.kind() != Value::Kind::List) return false;
  return std::all_of(value.Items().begin(), value.Items().end(), [](const Value& item) {
    return item.kind() == Value::Kind::Number || item.kind() == Value::Kind::Bool;
  });
}

/// "label value" pairs two blanks apart.
std::string InlineText(const Value& record) {
  std::string text;
  for (const Field* field : Visible(record)) {
    const std::string spelling = field->value.Spelling();
    std::string pair = field->label;
    if (!pair.empty() && !spelling.empty()) pair += ' ';
    pair += spelling;
    if (pair.empty()) continue;
    if (!text.empty()) text += kGap;
    text += pair;
  }
  return text;
}

/// True for a value written on its label's line.
bool FitsOnALine(const Value& value) {
  return value.IsScalar() || IsLineRecord(value) || IsNumberList(value);
}

std::string LineText(const Value& value) {
  if (IsLineRecord(value)) return InlineText(value);
  if (value.kind() != Value::Kind::List) return value.Spelling();
  if (value.Items().empty()) return "none";
  std::string text;
  for (const Value& item : value.Items()) text += (text.empty() ? "" : " ") + item.Spelling();
  return text;
}

void WriteFields(const Value& record, std::size_t indent, std::string& out);

/// A list of line records with the same labels, as a table; false when it is not one.
bool WriteTable(const Value& list, std::size_t indent, std::string& out) {
  const std::vector<Value>& rows = list.Items();
  if (rows.empty() || !std::all_of(rows.begin(), rows.end(), IsLineRecord)) return false;
  std::vector<std::string> labels;
  for (const Field* field : Visible(rows.front())) labels.push_back(field->label);
  std::vector<std::vector<std::string>> cells;
  std::vector<std::size_t> widths;
  std::vector<bool> numeric(labels.size(), false);
  for (const std::string& label : labels) widths.push_back(label.size());
  for (const Value& row : rows) {
    const std::vector<const Field*> fields = Visible(row);
    if (fields.size() != labels.size()) return false;
    std::vector<std::string>& line = cells.emplace_back();
    for (std::size_t c = 0; c < fields.size(); ++c) {
      if (fields[c]->label != labels[c]) return false;
      line.push_back(fields[c]->value.Spelling());
      widths[c] = std::max(widths[c], line.back().size());
      if (fields[c]->value.kind() == Value::Kind::Number) numeric[c] = true;
    }
  }
  const auto row = [&](const std::vector<std::string>& texts) {
    std::string text;
    for (std::size_t c = 0; c < texts.size(); ++c) {
      if (c > 0) text += kGap;
      const std::string pad(widths[c] - texts[c].size(), ' ');
      text += numeric[c] ? pad + texts[c] : texts[c] + pad;
    }
    Line(out, indent, text);
  };
  row(labels);
  for (const std::vector<std::string>& texts : cells) row(texts);
  return true;
}

/// What goes under a field's label (or stands for a list item): at `indent`.
void WriteBody(const Value& value, std::size_t indent, std::string& out) {
  switch (value.kind()) {
    case Value::Kind::Record: WriteFields(value, indent, out); return;
    case Value::Kind::List:
      if (WriteTable(value, indent, out)) return;
      for (const Value& item : value.Items()) {
        if (FitsOnALine(item)) {
          Line(out, indent, LineText(item));
          continue;
        }
        if (item.kind() != Value::Kind::Record) {
          WriteBody(item, indent, out);
          continue;
        }
        // A record of its own: headed by its first field, the rest beneath.
        const std::vector<const Field*> fields = Visible(item);
        if (fields.empty()) continue;
        Record rest;
        const Field* head = fields.front();
        if (FitsOnALine(head->value)) {
          Line(out, indent, head->label + (head->label.empty() ? "" : " ") + LineText(head->value));
        } else {
          rest.Add(head->key, head->value).Label(head->label);
        }
        for (std::size_t f = 1; f < fields.size(); ++f)
          rest.Add(fields[f]->key, fields[f]->value).Label(fields[f]->label);
        WriteFields(Value(std::move(rest)), indent + kIndent, out);
      }
      return;
    case Value::Kind::Block: out += value.Text(); return;
    default: Line(out, indent, value.Spelling()); return;
  }
}

/// A record's fields, one group after another: runs of line fields with their labels
/// padded alike, and larger fields under their labels. At the top, groups are set apart.
void WriteFields(const Value& record, std::size_t indent, std::string& out) {
  const std::vector<const Field*> fields = Visible(record);
  bool first = true;
  const auto group = [&] {
    if (indent == 0 && !first) out += '\n';
    first = false;
  };
  for (std::size_t f = 0; f < fields.size();) {
    group();
    if (!FitsOnALine(fields[f]->value)) {
      const Field& field = *fields[f++];
      if (field.value.kind() == Value::Kind::Block) {
        out += field.value.Text();
        continue;
      }
      if (!field.label.empty()) Line(out, indent, field.label);
      WriteBody(field.value, field.label.empty() ? indent : indent + kIndent, out);
      continue;
    }
    std::size_t end = f;
    std::size_t width = 0;
    while (end < fields.size() && FitsOnALine(fields[end]->value)) width = std::max(width, fields[end++]->label.size());
    for (; f < end; ++f) {
      const Field& field = *fields[f];
      if (field.label.empty()) {
        Line(out, indent, LineText(field.value));
      } else {
        const std::string pad(width - field.label.size(), ' ');
        Line(out, indent, field.label + pad + std::string(kGap) + LineText(field.value));
      }
    }
  }
}

}  // namespace

std::string WriteText(const Value& record) {
  std::string out;
  if (IsLineRecord(record)) {
    Line(out, 0, InlineText(record));
    return out;
  }
  WriteBody(record, 0, out);
  return out;
}

}  // namespace qb::cli
