// wireshark-lua-tables: prints the dissector's code tables made from devicelink's, or with
// --write FILE puts them into FILE between its marker lines.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "tools/wireshark/lua_tables.h"

int main(int argc, char** argv) {
  using namespace qb::wireshark;
  const std::string tables = LuaTables();
  if (argc == 1) {
    std::fputs(tables.c_str(), stdout);
    return 0;
  }
  if (argc != 3 || std::string_view(argv[1]) != "--write") {
    std::fputs("Usage: wireshark-lua-tables [--write FILE]\n", stderr);
    return 2;
  }
  std::ifstream in(argv[2], std::ios::binary);
  std::stringstream script;
  script << in.rdbuf();
  if (!in) {
    std::fprintf(stderr, "wireshark-lua-tables: cannot read %s\n", argv[2]);
    return 1;
  }
  const auto updated = WithTables(script.str(), tables);
  if (!updated) {
    std::fprintf(stderr, "wireshark-lua-tables: %s lacks the marker lines\n", argv[2]);
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << *updated;
  if (!out.flush()) {
    std::fprintf(stderr, "wireshark-lua-tables: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
