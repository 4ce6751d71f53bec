#include "simulator/simulated_box.h"

#include "simulator/box_state_file.h"

namespace qb::sim {
namespace {

std::optional<std::uint8_t> ParseByte(std::string_view text) {
  if (text.empty() || text.size() > 3) return std::nullopt;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > 255) return std::nullopt;
  return static_cast<std::uint8_t>(value);
}

}  // namespace

bool ParseSimulatedFirmware(std::string_view text, SimulatedBoxIdentity& identity) {
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos) return false;
  const auto master = ParseByte(text.substr(0, dot));
  const auto slave = ParseByte(text.substr(dot + 1));
  if (!master || !slave) return false;
  identity.masterVersion = master;
  identity.slaveVersion = slave;
  return true;
}

bool ParseSimulatedModel(std::string_view text, SimulatedBoxIdentity& identity) {
  const auto model = ParseByte(text);
  if (!model) return false;
  identity.model = model;
  return true;
}

bool OpenSimulatedBox(const std::string& statePath, SimulatedBox& box, std::string* error,
                      const SimulatedBoxIdentity& identity) {
  BoxState state;
  const LoadResult loaded = statePath.empty() ? LoadResult::Missing : LoadBoxState(statePath, state, error);
  if (loaded == LoadResult::Damaged) return false;
  VirtualBoxConfig config;
  if (identity.model) config.model = *identity.model;
  if (identity.masterVersion) config.masterVersion = *identity.masterVersion;
  if (identity.slaveVersion) config.slaveVersion = *identity.slaveVersion;
  config.applicationMode = !identity.loader;
  box.backend = MakeVirtualBoxBackend(config);
  box.statePath = statePath;
  if (loaded == LoadResult::Loaded) box.backend->Box()->Modify([&state](BoxState& live) { live = std::move(state); });
  return true;
}

bool SaveSimulatedBox(const SimulatedBox& box, std::string* error) {
  if (box.statePath.empty() || !box.backend) return true;
  return SaveBoxState(box.backend->Box()->State(), box.statePath, error);
}

}  // namespace qb::sim
