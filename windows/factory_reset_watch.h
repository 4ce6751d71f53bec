#pragma once
/// Follows a factory reset the user chose until the box is back: the box restores its
/// factory settings, restarts (it leaves the bus and comes back) and is read again. Only
/// then has the reset really happened, and the window says so.

#include "core/mirror_change.h"

namespace qb {

class EqualizerManager;

namespace windows {

class FactoryResetWatch final : public MirrorObserver {
 public:
  explicit FactoryResetWatch(EqualizerManager& core);
  ~FactoryResetWatch() override;
  FactoryResetWatch(const FactoryResetWatch&) = delete;
  FactoryResetWatch& operator=(const FactoryResetWatch&) = delete;

  /// The box was told to restore its factory settings.
  void Started();
  /// True once, when the restarted box has been read again since Started.
  bool TakeBoxBack();

  void MirrorChanged(const Change& change) override;

 private:
  enum class Stage { Idle, Sent, BoxLeft, BoxBack };
  EqualizerManager& m_core;
  Stage m_stage = Stage::Idle;
};

}  // namespace windows
}  // namespace qb
