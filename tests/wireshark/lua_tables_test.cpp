// The dissector carries the tables devicelink has now, and the tool that puts them there
// replaces the block between the markers and nothing else.
#include "tools/wireshark/lua_tables.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace qb::wireshark {
namespace {

TEST(LuaTablesTest, TheDissectorHoldsTheLinksTables) {
  std::ifstream in(QB_DISSECTOR);
  std::stringstream script;
  script << in.rdbuf();
  ASSERT_TRUE(in) << QB_DISSECTOR;
  const auto tables = TablesIn(script.str());
  ASSERT_TRUE(tables) << "marker lines missing";
  EXPECT_EQ(*tables, LuaTables()) << "run: wireshark-lua-tables --write tools/wireshark/quorelbox.lua";
  EXPECT_NE(tables->find("[0x0106] = { set = \"EQ_Ctrl\", get = \"Get_EQ\", reply = \"DSP_EQ_CH\" }"),
            std::string::npos);
}

TEST(LuaTablesTest, WritingReplacesOnlyTheBlockBetweenTheMarkers) {
  const std::string script = "local a = 1\n-- BEGIN GENERATED TABLES\nold\n-- END GENERATED TABLES\nlocal b = 2\n";
  const auto updated = WithTables(script, "new\n");
  ASSERT_TRUE(updated);
  EXPECT_EQ(*updated, "local a = 1\n-- BEGIN GENERATED TABLES\nnew\n-- END GENERATED TABLES\nlocal b = 2\n");
  EXPECT_EQ(TablesIn(*updated), "new\n");
  EXPECT_FALSE(WithTables("local a = 1\n-- BEGIN GENERATED TABLES\n", "x"));
  EXPECT_FALSE(TablesIn("no markers"));
}

}  // namespace
}  // namespace qb::wireshark
