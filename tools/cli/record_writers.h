#pragma once
/// The two writers of a record (record.h), the only places that turn a result into output.
/// Neither knows a command: everything they need is in the record.

#include <string>

#include "tools/cli/record.h"

namespace qb::cli {

/// The record as one JSON document, laid out as cJSON prints it, and a line break. Fields
/// shown in text only are left out; spellings are ignored (a number stays a number).
std::string WriteJson(const Value& record);

/// The record as text for a terminal. The rules, applied at every depth:
/// - a record whose fields are all scalars is one line of "label value" pairs two blanks
///   apart ("address 0x00000020  data 0xdeadbeef");
/// - otherwise each field gets its own line: runs of scalars (and of records that fit on
///   a line) as "label  value" with the labels of a run padded alike; a list of numbers or
///   yes/no on one line; anything larger under a line with its label, indented by two;
/// - a list of records that are each one line with the same labels is a table: a header
///   of the labels, columns two blanks apart, a column holding numbers right-aligned;
/// - a list of other records gives each a block headed by its first field ("output 1");
/// - a block of text is written as it is, without a label;
/// - at the top, each group (a run, a table, a block) is set off by an empty line.
/// Fields shown in JSON only are left out; lines carry no trailing blanks.
std::string WriteText(const Value& record);

}  // namespace qb::cli
