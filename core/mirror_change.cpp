#include "core/mirror_change.h"

#include <algorithm>

namespace qb {

Change& Change::Add(std::uint32_t aspect, int output) {
  aspects |= aspect;
  if (output == -2) outputs = kAllOutputs;
  else if (output >= 0 && output < 8) outputs = static_cast<std::uint8_t>(outputs | (1u << output));
  return *this;
}

Change& Change::AddBand(int output, int bandIndex) {
  Add(kAspectBands, output);
  band = bandIndex;
  return *this;
}

void Change::Merge(const Change& other) {
  aspects |= other.aspects;
  outputs = static_cast<std::uint8_t>(outputs | other.outputs);
  if (other.band >= 0) band = other.band;
}

void ChangeHub::Subscribe(MirrorObserver* observer) {
  if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
    m_observers.push_back(observer);
}

void ChangeHub::Unsubscribe(MirrorObserver* observer) {
  m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

void ChangeHub::Publish(const Change& change) {
  if (change.Empty()) return;
  if (m_batchDepth > 0) {
    m_pending.Merge(change);
    return;
  }
  Deliver(change);
}

void ChangeHub::Deliver(const Change& change) {
  // A view may open a dialog while redrawing, whose own loop delivers further notices and
  // (un)subscribes windows: walk a copy and skip whoever left meanwhile.
  const std::vector<MirrorObserver*> observers = m_observers;
  for (MirrorObserver* observer : observers) {
    if (std::find(m_observers.begin(), m_observers.end(), observer) != m_observers.end())
      observer->MirrorChanged(change);
  }
}

ChangeHub::Batch::~Batch() {
  if (--m_hub.m_batchDepth > 0) return;
  const Change pending = m_hub.m_pending;
  m_hub.m_pending = Change{};
  if (!pending.Empty()) m_hub.Deliver(pending);
}

}  // namespace qb
