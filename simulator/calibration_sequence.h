#pragma once
/// The box's room calibration: started, steered and ended with DSP_IRC_CTRL, followed by
/// the program's status polls, and read out with the spectrum, equaliser and per-channel
/// queries. Every command gets exactly one answer, so a program that waits for one report
/// per command never reads another's.
///
/// The run. A start (action 1, channel mask, equaliser mode) with at least one of the box's
/// outputs measures each chosen output in its room (room_model.h) and computes its
/// correction toward the target its mode names. Each status poll (OP_GET of DSP_IRC_CTRL)
/// answers the next step: the phases 1..6 with a rising progress (3, the location test,
/// only with the delay module; 5, the equaliser compensation, only with the equaliser
/// module), then per output 7 "spectrum ready" and, with the equaliser module, 8
/// "equaliser ready" (byte 1: the output), then 9 with the progress, and at last 10 with
/// progress 100, which later polls repeat. A start without any output of the box fails at
/// once with IRC_FAIL_NO_SPEAKER; an injected failure (CalibrationConfig) answers status 11
/// with its code at the chosen poll and on every later one.
///
/// The result. Apply (action 2) after a completed run writes each measured output's
/// correction into its live equaliser (bands 0..10; the others go flat) and, when the delay
/// module ran, delays that line every speaker up with the farthest; it is acknowledged
/// ACK_READY. Discard (3) forgets the result. Either one without a result waiting is
/// answered ACK_NOT_READY and changes nothing. Stop (0) ends a run; later polls answer 12.
///
/// Not thread-safe on its own: the virtual box calls it under its lock.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "simulator/box_context.h"
#include "simulator/room_model.h"

namespace qb::sim {

/// Test modules of IRC_Sel_Test_Module.
inline constexpr std::uint8_t kModuleEq = 1;
inline constexpr std::uint8_t kModuleDelay = 2;
inline constexpr std::uint8_t kModulePhase = 4;

struct CalibrationConfig {
  /// A failure code (any byte, known or not) the box reports with status 11 from poll
  /// `failAtPoll` (1 = the first poll after the start) on; none: every run completes.
  std::optional<std::uint8_t> failureCode;
  int failAtPoll = 3;
};

/// What the calibration has done, for tests.
struct CalibrationSnapshot {
  bool running = false;
  bool resultWaiting = false;  ///< completed, neither applied nor discarded
  std::uint16_t channels = 0;  ///< outputs of the last start that the box has
  std::uint8_t modules = 0;
  std::uint8_t eqMode = 0;
  int polls = 0;
  int applied = 0;
  int discarded = 0;
};

class CalibrationSequence final : public BoxExtension {
 public:
  bool Handle(const BoxCommand& command, BoxContext& box) override;
  void OnReboot() override;

  void SetConfig(CalibrationConfig config) { m_config = config; }
  CalibrationSnapshot Snapshot() const;
  /// Measured spectrum and correction of output `output` after a run measured it.
  const std::array<double, kSpectrumPoints>* Measured(int output) const;
  const Correction* CorrectionOf(int output) const;

 private:
  struct Step {
    std::uint8_t status = 0;
    std::uint8_t value = 0;  ///< progress, or the output for 7 and 8
  };
  struct Result {
    std::array<double, kSpectrumPoints> measured{};
    Correction correction{};
  };

  void Control(const BoxCommand& command, BoxContext& box);
  void Start(std::uint16_t mask, std::uint8_t eqMode, BoxContext& box);
  void Poll(BoxContext& box);
  void Apply(BoxContext& box);
  void SendStatus(BoxContext& box, std::uint8_t status, std::uint8_t value);
  /// The measured spectrum or the correction of one output, for the band range asked.
  void AnswerBands(const BoxCommand& command, BoxContext& box);
  void AnswerPerChannel(const BoxCommand& command, BoxContext& box);
  bool Measured(std::size_t output) const { return m_results[output].has_value(); }

  CalibrationConfig m_config;
  std::uint8_t m_modules = kModuleEq | kModuleDelay | kModulePhase;
  std::uint8_t m_eqMode = 0;
  std::uint16_t m_channels = 0;
  std::uint8_t m_runModules = 0;
  std::vector<Step> m_steps;
  std::size_t m_next = 0;
  bool m_running = false;
  bool m_resultWaiting = false;
  Step m_last{IRC_RET_TEST_EXIT, 0};
  int m_polls = 0;
  int m_applied = 0;
  int m_discarded = 0;
  std::array<std::optional<Result>, 16> m_results{};
};

}  // namespace qb::sim
