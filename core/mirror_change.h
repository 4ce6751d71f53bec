#pragma once
/// Change notices: after an edit, a reply or a load has changed the mirror, its observers
/// learn what changed (which aspects, of which outputs, and the band edited) and redraw
/// from the mirror. A notice never carries values; the mirror holds them.
///
/// Threads: notices are published and delivered on the thread that owns the mirror (the UI
/// thread in the program, the main thread of the command-line tool).

#include <cstdint>
#include <vector>

namespace qb {

/// One bit per thing a view may show. Per-output aspects name their outputs in
/// `Change::outputs`.
enum MirrorAspect : std::uint32_t {
  kAspectVolume = 1u << 0,        ///< output volumes (per output)
  kAspectMute = 1u << 1,          ///< output mutes (per output)
  kAspectPhase = 1u << 2,         ///< output phases (per output)
  kAspectDelay = 1u << 3,         ///< output delays (per output)
  kAspectBands = 1u << 4,         ///< equaliser bands (per output; `band` when one)
  kAspectBypass = 1u << 5,        ///< equaliser bypass (per output)
  kAspectCrossover = 1u << 6,     ///< crossover filters (per output)
  kAspectRoles = 1u << 7,         ///< speaker roles (per output)
  kAspectRouting = 1u << 8,       ///< input masks
  kAspectMixLevels = 1u << 9,     ///< mix levels and mix phases
  kAspectSource = 1u << 10,       ///< the input source
  kAspectMainVolume = 1u << 11,
  kAspectMainMute = 1u << 12,
  kAspectAmp = 1u << 13,
  kAspectLinkLock = 1u << 14,     ///< link mode, its pairs and the lock
  kAspectSynchronize = 1u << 15,  ///< the synchronize group
  kAspectCurrentOutput = 1u << 16,
  kAspectEqMode = 1u << 17,       ///< parametric or graphic editing
  kAspectDelayUnit = 1u << 18,
  kAspectShowCurve = 1u << 19,    ///< which outputs' curves are drawn (per output)
  kAspectSceneNames = 1u << 20,
  kAspectConnection = 1u << 21,   ///< connection state
  kAspectDevice = 1u << 22,       ///< model and firmware versions
  kAspectBoxValues = 1u << 23,    ///< values no view edits (karaoke, compressor, noise...)
  /// Everything at once: after a full read or a load.
  kAspectEverything = 0xFFFFFFFFu,
};

/// Outputs named by a change: bit o for output o.
inline constexpr std::uint8_t kAllOutputs = 0xFF;

struct Change {
  std::uint32_t aspects = 0;
  std::uint8_t outputs = 0;
  /// The band an edit touched (to mark it on the curve), -1 for none or several.
  int band = -1;

  /// Adds `aspect`, for `output` when it is one (0..7), for every output when it is -2.
  Change& Add(std::uint32_t aspect, int output = -1);
  Change& AddBand(int output, int band);
  /// Both changes together; the later band edit wins.
  void Merge(const Change& other);

  bool Has(std::uint32_t aspect) const { return (aspects & aspect) != 0; }
  bool HasOutput(int output) const {
    return output >= 0 && output < 8 && ((outputs >> output) & 1u) != 0;
  }
  bool Empty() const { return aspects == 0; }
};

class MirrorObserver {
 public:
  virtual ~MirrorObserver() = default;
  virtual void MirrorChanged(const Change& change) = 0;
};

/// Keeps the observers and hands every change to each of them.
///
/// While a batch is open (an edit that changes several things, a reply applied inside an
/// operation), changes are merged and published once, when the outermost batch closes, so
/// a view redraws once per user action. An observer that subscribes or unsubscribes during
/// a notice is honoured: one removed is not called again, one added waits for the next.
class ChangeHub {
 public:
  void Subscribe(MirrorObserver* observer);
  void Unsubscribe(MirrorObserver* observer);

  /// Delivers `change` now, or merges it into the open batch.
  void Publish(const Change& change);

  /// Opens a batch for its lifetime.
  class Batch {
   public:
    explicit Batch(ChangeHub& hub) : m_hub(hub) { ++m_hub.m_batchDepth; }
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    ChangeHub& m_hub;
  };

 private:
  void Deliver(const Change& change);

  std::vector<MirrorObserver*> m_observers;
  int m_batchDepth = 0;
  Change m_pending;
};

}  // namespace qb
