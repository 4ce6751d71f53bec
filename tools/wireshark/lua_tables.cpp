#include "tools/wireshark/lua_tables.h"

#include <cstdio>
#include <utility>

#include "devicelink/operation_names.h"
#include "devicelink/wire_codes.h"

namespace qb::wireshark {
namespace {

using Named = std::pair<unsigned, const char*>;

constexpr Named kPacketTypes[] = {
    {DSP_PACKET, "DSP_PACKET"}, {FLASH_PACKET, "FLASH_PACKET"}, {MCU_PACKET, "MCU_PACKET"}, {KTV_PACKET, "KTV_PACKET"},
};
constexpr Named kOperations[] = {
    {OP_SET, "OP_SET"}, {OP_GET, "OP_GET"}, {OP_UPDATE, "OP_UPDATE"}, {OP_ACK, "OP_ACK"},
};
static_assert(ACK_NOT_READY == NOT_READY, "one value for both names of the box's refusal");
constexpr Named kAckStatus[] = {{ACK_READY, "ACK_READY"}, {NOT_READY, "NOT_READY"}};
constexpr Named kFilterSelectors[] = {
    {FILTER_SELECT_HIGH_PASS, "high-pass"}, {FILTER_SELECT_LOW_PASS, "low-pass"},
};
constexpr Named kFilterFamilies[] = {
    {FILTER_TYPE_BUTTERWORTH, "Butterworth"},
    {FILTER_TYPE_LINKWITZ_RILEY, "Linkwitz-Riley"},
    {FILTER_TYPE_BESSEL, "Bessel"},
};
constexpr Named kSources[] = {
    {SOURCE_OPT, "opt"}, {SOURCE_COAX, "coax"}, {SOURCE_BT, "bt"}, {SOURCE_AUX, "aux"}, {SOURCE_LOW, "low"},
    {SOURCE_HI, "hi"},   {SOURCE_DMP, "dmp"},   {SOURCE_UDP, "udp"}, {SOURCE_SCP, "scp"},
};
static_assert(std::size(kSources) == kInputSourceCount);

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::string Quoted(const char* text) { return text == nullptr ? "nil" : "\"" + std::string(text) + "\""; }

template <std::size_t N>
void Table(std::string& out, const char* name, const Named (&entries)[N], int hexDigits = 0) {
  out += "local " + std::string(name) + " = {\n";
  for (const auto& [value, text] : entries) {
    out += "  [" + (hexDigits > 0 ? Hex(value, hexDigits) : std::to_string(value)) + "] = " + Quoted(text) + ",\n";
  }
  out += "}\n";
}

}  // namespace

std::string LuaTables() {
  std::string out =
      "-- Made by wireshark-lua-tables from devicelink/wire_codes.h and devicelink/operation_names.h;\n"
      "-- a test fails when they differ. Change them there and run\n"
      "--   wireshark-lua-tables --write tools/wireshark/quorelbox.lua\n";
  Table(out, "packet_types", kPacketTypes);
  Table(out, "operations", kOperations, 2);
  Table(out, "ack_status", kAckStatus, 2);
  Table(out, "filter_selectors", kFilterSelectors);
  Table(out, "filter_families", kFilterFamilies);
  Table(out, "sources", kSources);
  out += "local source_switch_base = " + Hex(kSourceSwitchCodeBase, 2) + "\n";
  out += "-- [packet type * 256 + command id] = the frame's name by operation (FrameName)\n";
  out += "local commands = {\n";
  for (const CommandName& command : kCommandNames) {
    const auto name = [&command](std::uint8_t op) { return Quoted(FrameName(command.packetType, command.id, op)); };
    out += "  [" + Hex(command.packetType * 256u + command.id, 4) + "] = { set = " + name(OP_SET) +
           ", get = " + name(OP_GET) + ", reply = " + name(OP_UPDATE) + " },\n";
  }
  out += "}\n";
  return out;
}

std::optional<std::string> TablesIn(std::string_view script) {
  const std::size_t begin = script.find(kTablesBegin);
  if (begin == std::string_view::npos) return std::nullopt;
  const std::size_t from = begin + kTablesBegin.size();
  const std::size_t end = script.find(kTablesEnd, from);
  if (end == std::string_view::npos) return std::nullopt;
  return std::string(script.substr(from, end - from));
}

std::optional<std::string> WithTables(std::string_view script, std::string_view tables) {
  const std::size_t begin = script.find(kTablesBegin);
  if (begin == std::string_view::npos) return std::nullopt;
  const std::size_t from = begin + kTablesBegin.size();
  const std::size_t end = script.find(kTablesEnd, from);
  if (end == std::string_view::npos) return std::nullopt;
  return std::string(script.substr(0, from)) + std::string(tables) + std::string(script.substr(end));
}

}  // namespace qb::wireshark
