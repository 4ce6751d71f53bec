// The two writers of quorelbox-cli's records: every command's output goes through them, so
// each layout rule is pinned here once, on records made for the purpose.
#include "tools/cli/record_writers.h"

#include <cjson/cJSON.h>
#include <gtest/gtest.h>

namespace qb::cli {
namespace {

Value Output(int number, double volume, bool mute) {
  Record output;
  output.Add("output", number);
  output.Add("roleCode", 7).JsonOnly();
  output.Add("volumeDb", Measure(volume, 1, "dB")).Label("volume");
  output.Add("mute", OnOff(mute));
  return output;
}

TEST(RecordWritersTest, JsonIsCJsonsLayoutOfTheFieldsInOrderWithValuesNotSpellings) {
  Record record;
  record.Add("ok", true);
  record.Add("word", Word(0xDEADBEEF));
  record.Add("none", Value());
  record.Add("shownOnly", "x").TextOnly();
  List items;
  items.Add(Output(1, -12.5, true));
  record.Add("outputs", std::move(items));
  record.Add("text", Value::Block("a\nb\n"));

  cJSON* expected = cJSON_CreateObject();
  cJSON_AddBoolToObject(expected, "ok", true);
  cJSON_AddNumberToObject(expected, "word", 0xDEADBEEF);
  cJSON_AddNullToObject(expected, "none");
  cJSON* output = cJSON_CreateObject();
  cJSON_AddNumberToObject(output, "output", 1);
  cJSON_AddNumberToObject(output, "roleCode", 7);
  cJSON_AddNumberToObject(output, "volumeDb", -12.5);
  cJSON_AddBoolToObject(output, "mute", true);
  cJSON_AddItemToArray(cJSON_AddArrayToObject(expected, "outputs"), output);
  cJSON_AddStringToObject(expected, "text", "a\nb\n");
  char* printed = cJSON_Print(expected);
  EXPECT_EQ(WriteJson(std::move(record)), std::string(printed) + "\n");
  cJSON_free(printed);
  cJSON_Delete(expected);
}

TEST(RecordWritersTest, ARecordOfScalarsIsOneLineOfPairs) {
  Record record;
  record.Add("ok", true).JsonOnly();
  record.Add("address", Word(0x20));
  record.Add("on", OnOff(true)).Label("");
  record.Add("mainVolume", Value(16).Spelled("16 of 40"));
  record.Add("delay", Measure(-0.0001, 3, "ms"));
  EXPECT_EQ(WriteText(std::move(record)), "address 0x00000020  on  main volume 16 of 40  delay 0.000 ms\n");
}

TEST(RecordWritersTest, RunsArePaddedAlikeLargerFieldsIndentedAndTopGroupsSetApart) {
  Record crossover;
  Record filter;
  filter.Add("freqHz", Measure(80, 0, "Hz")).Label("frequency");
  filter.Add("slope", 2);
  crossover.Add("highPass", std::move(filter)).Label("high-pass");
  List bands;
  bands.Add(1.5);
  bands.Add(-2);
  crossover.Add("gains", std::move(bands));
  List lines;
  lines.Add("line 3: no");
  lines.Add("line 5: no");
  Record record;
  record.Add("source", "hi");
  record.Add("amplifier", OnOff(false));
  record.Add("crossover", std::move(crossover));
  record.Add("skipped", std::move(lines));
  record.Add("empty", List());
  EXPECT_EQ(WriteText(std::move(record)),
            "source     hi\n"
            "amplifier  off\n"
            "\n"
            "crossover\n"
            "  high-pass  frequency 80 Hz  slope 2\n"
            "  gains      1.5 -2\n"
            "\n"
            "skipped\n"
            "  line 3: no\n"
            "  line 5: no\n"
            "\n"
            "empty  none\n");
}

TEST(RecordWritersTest, ListsOfAlikeLineRecordsAreTablesAndOthersBlocks) {
  List outputs;
  outputs.Add(Output(1, 0.0, false));
  outputs.Add(Output(12, -60.0, true));
  List rows;
  for (const char* name : {"Default", ""}) {
    Record row;
    row.Add("name", std::string(name).empty() ? Value("").Spelled("(empty)") : Value(name));
    row.Add("current", Value(*name != '\0').Spelled(*name != '\0' ? "(current)" : "")).Label("");
    rows.Add(std::move(row));
  }
  Record detailed;
  detailed.Add("output", 3);
  detailed.Add("bands", List());
  detailed.Add("crossover", Output(4, 1.0, false));
  List blocks;
  blocks.Add(std::move(detailed));
  Record record;
  record.Add("outputs", std::move(outputs));
  record.Add("scenes", std::move(rows));
  record.Add("detail", std::move(blocks));
  EXPECT_EQ(WriteText(std::move(record)),
            "outputs\n"
            "  output    volume  mute\n"
            "       1    0.0 dB  off\n"
            "      12  -60.0 dB  on\n"
            "\n"
            "scenes\n"
            "  name\n"
            "  Default  (current)\n"
            "  (empty)\n"
            "\n"
            "detail\n"
            "  output 3\n"
            "    bands      none\n"
            "    crossover  output 4  volume 1.0 dB  mute off\n");
}

TEST(RecordWritersTest, ABlockOfTextIsWrittenAsItIs) {
  Record record;
  record.Add("action", "export").JsonOnly();
  record.Add("text", Value::Block("Filter  1: ON  PK\n  indented  \n"));
  EXPECT_EQ(WriteText(std::move(record)), "Filter  1: ON  PK\n  indented  \n");
}

}  // namespace
}  // namespace qb::cli
