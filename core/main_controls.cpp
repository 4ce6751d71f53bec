#include "core/main_controls.h"

#include <algorithm>

#include "core/live_commands.h"
#include "core/output_levels.h"
#include "devicelink/dsp_setters.h"
#include "shell/log.h"

namespace qb {

void MainControls::SetMainVolume(int position) {
  const int held = std::clamp(position, 0, kMainVolumeTopStep);
  m_ctx.Live().mainVolume = held;
  SendMainVolume(m_ctx.Link(), m_ctx.Live());
  m_ctx.Publish(Change{}.Add(kAspectMainVolume));
}

void MainControls::StepMainVolume(bool up) {
  LogPrintA("SetMainVolumeUp %d \n", up ? 1 : 0);
  // Before the box reports, the volume lies below the slider, which shows its bottom.
  const int position = std::clamp(m_ctx.Live().mainVolume, 0, kMainVolumeTopStep);
  if (up ? position >= kMainVolumeTopStep : position <= 0) return;
  SetMainVolume(position + (up ? 1 : -1));
}

void MainControls::SetMainMute(bool muted) {
  m_ctx.Live().mainVolumeMute = muted ? 1 : 0;
  LogPrintA("set main mute to %d\n", muted ? 1 : 0);
  Mute_Ctrl(m_ctx.Link(), muted ? 1 : 0, false);
  m_ctx.Publish(Change{}.Add(kAspectMainMute));
}

void MainControls::SetAmp(bool on) {
  m_ctx.Live().ampOn = on ? 1 : 0;
  Amp_Mute_Ctrl(m_ctx.Link(), on ? 0 : 1, false);
  m_ctx.Publish(Change{}.Add(kAspectAmp));
}

}  // namespace qb
