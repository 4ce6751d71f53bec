#include "windows/factory_reset_watch.h"

#include "core/equalizer_manager.h"

namespace qb::windows {

FactoryResetWatch::FactoryResetWatch(EqualizerManager& core) : m_core(core) { m_core.Changes().Subscribe(this); }

FactoryResetWatch::~FactoryResetWatch() { m_core.Changes().Unsubscribe(this); }

void FactoryResetWatch::Started() { m_stage = Stage::Sent; }

bool FactoryResetWatch::TakeBoxBack() {
  if (m_stage != Stage::BoxBack) return false;
  m_stage = Stage::Idle;
  return true;
}

void FactoryResetWatch::MirrorChanged(const Change& change) {
  if (!change.Has(kAspectConnection)) return;
  const ConnectionState state = m_core.Mirror().session.connection;
  // The restart shows as the box leaving; a box that comes back connected has been read.
  if (m_stage == Stage::Sent && state == ConnectionState::Disconnected) m_stage = Stage::BoxLeft;
  else if (m_stage == Stage::BoxLeft && state == ConnectionState::Connected) m_stage = Stage::BoxBack;
}

}  // namespace qb::windows
