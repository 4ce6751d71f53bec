#include "simulator/simulated_box.h"

#include "simulator/box_state_file.h"

namespace qb::sim {

bool OpenSimulatedBox(const std::string& statePath, SimulatedBox& box, std::string* error) {
  BoxState state;
  const LoadResult loaded = statePath.empty() ? LoadResult::Missing : LoadBoxState(statePath, state, error);
  if (loaded == LoadResult::Damaged) return false;
  box.backend = MakeVirtualBoxBackend();
  box.statePath = statePath;
  if (loaded == LoadResult::Loaded) box.backend->Box()->Modify([&state](BoxState& live) { live = std::move(state); });
  return true;
}

bool SaveSimulatedBox(const SimulatedBox& box, std::string* error) {
  if (box.statePath.empty() || !box.backend) return true;
  return SaveBoxState(box.backend->Box()->State(), box.statePath, error);
}

}  // namespace qb::sim
