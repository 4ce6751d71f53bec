#pragma once
/// The setters of the box's DSP parameters: one function per DSP_PACKET command that
/// changes a value. Each builds the command's payload, logs what it sends and hands it to
/// DeviceLink::SubmitCommand with OP_SET.
///
/// Common rules:
/// - `immediate` true sends now and waits up to kWaitDefaultMs for one report; false queues
///   the command while the link's queue is enabled and drops it silently while it is not.
/// - `scene` is 0 for the live settings or 1..10 for a stored scene; `source` is an
///   InputSource (0 for commands about output channels as a whole).
/// - Channel and band ranges are `first`..`last`, both inclusive; value k of an array
///   belongs to channel first + k. When last < first the payload ends after its header.
/// - A command never carries more than the caller's arrays hold nor more than one report
///   takes (kMaxPayload bytes). A range or count beyond either is cut to what fits, the
///   range's last channel (or the count byte) is rewritten to match what is carried, and a
///   log line says so; when not even one value of a non-empty range is available, nothing
///   is sent. Nothing is ever read past the end of an array.
/// - Setters report nothing back: the outcome arrives as a reply, decoded elsewhere.

#include <cstddef>
#include <cstdint>
#include <span>

namespace qb {

class DeviceLink;

/// Size of the surround decoder settings block carried by CS_Auto_Ctrl.
inline constexpr std::size_t kCsAutoBlockBytes = 52;
/// Input_EQ_Ctrl bands that fit one report: 5 header bytes + 6 bytes per band.
inline constexpr std::size_t kMaxInputEqBands = 8;

// ---------------------------------------------------------------------------------------
// Channel ranges, one value byte per channel. Payload: scene, source, first, last, values.

/// Mutes (1) or unmutes (0) output channels.
void Mute_Ch_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                  std::uint8_t last, std::span<const std::uint8_t> mutes, bool immediate);
/// Inverts (1) or restores (0) the phase of output channels.
void Phase_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                std::uint8_t last, std::span<const std::uint8_t> phases, bool immediate);
/// Sets the role code (channel type) of output channels.
void CH_Type_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                  std::uint8_t last, std::span<const std::uint8_t> types, bool immediate);
/// Bypasses (1) or enables (0) the equaliser of output channels.
void PEQ_Bypass_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                     std::uint8_t last, std::span<const std::uint8_t> bypasses, bool immediate);
/// Sets the trim bytes of input channels; the bytes are passed through unchanged.
void Input_Trim_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                     std::uint8_t last, std::span<const std::uint8_t> gains, bool immediate);
/// Mutes (1) or unmutes (0) input channels of `source`.
void Mute_Input_Ch_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                        std::uint8_t first, std::uint8_t last, std::span<const std::uint8_t> mutes,
                        bool immediate);
/// Inverts (1) or restores (0) the phase of input channels of `source`.
void Input_Phase_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                      std::uint8_t last, std::span<const std::uint8_t> phases, bool immediate);
/// Solos (1) or releases (0) output channels.
void Solo_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
               std::uint8_t last, std::span<const std::uint8_t> solos, bool immediate);
/// Sets the high-pass Q-factor mode of output channels (passed through).
void HPF_Q_Fact_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                     std::uint8_t last, std::span<const std::uint8_t> modes, bool immediate);
/// Sets the low-pass Q-factor mode of output channels (passed through).
void LPF_Q_Fact_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                     std::uint8_t last, std::span<const std::uint8_t> modes, bool immediate);

// ---------------------------------------------------------------------------------------
// Channel ranges with wider values (same header).

/// Delays in ms, 3 bytes per channel (whole ms, then thousandths big-endian).
void Delay_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                std::uint8_t last, std::span<const float> delaysMs, bool immediate);
/// Output trims in dB: 1 byte per channel, or 2 when the link's configuration has fine
/// trim on.
void Trim_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
               std::uint8_t last, std::span<const float> trimsDb, bool immediate);
/// Input routing masks of output channels for input `source` (bit k = input k feeds the
/// output): the low 8 bits while the configured input count is below 9, otherwise 16 bits
/// big-endian.
void Mix_Ch_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                 std::uint8_t last, std::span<const std::uint32_t> masks, bool immediate);
/// Speaker distances in hundredths of the distance unit, 16 bits big-endian per channel.
void Spk_Dist_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                   std::uint8_t last, std::span<const std::uint16_t> distances, bool immediate);

// ---------------------------------------------------------------------------------------
// Single values.

/// Switches the input: `code` is 0x51 + InputSource.
void Source_Switch_Ctrl(DeviceLink& link, std::uint8_t code, bool immediate);
/// Main volume: int(value), clamped to a signed byte.
void Main_Volume_Ctrl(DeviceLink& link, float value, bool immediate);
/// Subwoofer volume: one signed byte (clamped to -128..127).
void Subwoofer_Volume_Ctrl(DeviceLink& link, int value, bool immediate);
/// Mutes (1) or unmutes (0) the whole box.
void Mute_Ctrl(DeviceLink& link, std::uint8_t value, bool immediate);
/// Input noise threshold: one signed byte (clamped to -128..127).
void Input_Ch_Threshold_Ctrl(DeviceLink& link, int threshold, bool immediate);
/// Command 51: one byte whose meaning is the box's; passed through.
void One_Byte_Setting_Ctrl(DeviceLink& link, std::uint8_t value, bool immediate);
/// Speaker configuration byte, passed through.
void Speaker_Config_Ctrl(DeviceLink& link, std::uint8_t value, bool immediate);
/// Mutes (1) or unmutes (0) the amplifier.
void Amp_Mute_Ctrl(DeviceLink& link, std::uint8_t value, bool immediate);
/// Selects the source the mix applies to.
void Mix_Source_Switch_Ctrl(DeviceLink& link, std::uint8_t source, bool immediate);
/// Locks or unlocks the channels of `scene`.
void CH_Lock_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t lock, bool immediate);
/// Turns effect processing of `scene` on (1) or off (0).
void Auto_Effect_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t on, bool immediate);
/// Command 60: a scene and one byte whose meaning is the box's; passed through.
void Two_Byte_Setting_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t value,
                           bool immediate);
/// Remote channel selection, 16 bits big-endian.
void Sel_Remote_CH_Ctrl(DeviceLink& link, std::uint16_t value, bool immediate);
/// Mix type of `source` (command 54), passed through.
void Mix_Type_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t type,
                   bool immediate);
/// Second mix type of `source` (command 131), passed through.
void Mix_Type2_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t type,
                    bool immediate);
/// DSP bypass. The payload is scene, source, bypass: `channel` only appears in the log.
void DSP_Bypass_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                     std::uint8_t channel, std::uint8_t bypass, bool immediate);

// ---------------------------------------------------------------------------------------
// Always sent at once, waiting kWaitPresetMs.

/// Selects a factory preset.
void Factory_Preset_Ctrl(DeviceLink& link, std::uint8_t mode);
/// Selects a setup mode.
void Setup_Mode_Ctrl(DeviceLink& link, std::uint8_t mode);

// ---------------------------------------------------------------------------------------
// Structured commands.

/// One filter of one output channel: `selector` 1 high-pass / 2 low-pass, `freq` the corner
/// in Hz (clamped to 0..65535), `slope` the order (0 = off), `type` the family. Payload:
/// scene, source, ch, selector, type, freq (big-endian), slope.
void Filter_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t ch,
                 std::uint8_t selector, int freq, std::uint8_t slope, std::uint8_t type,
                 bool immediate);
/// One equaliser band (0-based) of one output channel: scene, source, ch, band, frequency
/// (big-endian), Q (2 bytes), gain (2 bytes).
void EQ_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t ch,
             std::uint8_t band, int freq, float q, float gain, bool immediate);
/// Bands firstBand..lastBand of one input channel, 6 bytes each as in EQ_Ctrl; band k takes
/// freqs[k], qs[k] and gains[k]. At most kMaxInputEqBands bands and no more than the
/// shortest array are sent.
void Input_EQ_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t ch,
                   std::uint8_t firstBand, std::uint8_t lastBand, std::span<const int> freqs,
                   std::span<const float> qs, std::span<const float> gains, bool immediate);
/// Mix trims of one input channel into outputs firstOut..lastOut, one byte each.
void Input_Mix_Trim_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                         std::uint8_t inCh, std::uint8_t firstOut, std::uint8_t lastOut,
                         std::span<const std::uint8_t> trims, bool immediate);
/// Mix trims of inputs firstIn..lastIn into one output channel, one byte each. Payload:
/// scene, source, firstIn, lastIn, outCh, trims.
void Input_Mix_Trim_Ctrl2(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                          std::uint8_t firstIn, std::uint8_t lastIn, std::uint8_t outCh,
                          std::span<const std::uint8_t> trims, bool immediate);
/// Maps `count` input channels (inputs[0..count)) onto output `outCh`.
void Remap_Ch_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t outCh,
                   std::span<const std::uint8_t> inputs, std::size_t count, bool immediate);
/// Resets the equaliser of `count` output channels (channels[0..count)).
void PEQ_Reset_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::size_t count,
                    std::span<const std::uint8_t> channels, bool immediate);

/// Links (`linked` 1) or unlinks (0) `count` channel pairs: pairs[2k] is the channel the
/// settings come from, pairs[2k + 1] the one they go to. Payload: scene, linked, count,
/// pairs. CH_Link_Ctrl links all settings, the other two only trims or only delays.
void CH_Link_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t linked, std::size_t count,
                  std::span<const std::uint8_t> pairs, bool immediate);
void CH_Trim_Link_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t linked, std::size_t count,
                       std::span<const std::uint8_t> pairs, bool immediate);
void CH_Delay_Link_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t linked,
                        std::size_t count, std::span<const std::uint8_t> pairs, bool immediate);

/// Compressor of one output channel (`bypass` 1 = off). Payload: scene, source, ch, bypass,
/// threshold, ratio, knee (2 bytes each), attack, release (16 bits big-endian each, clamped
/// to 0..65535). Not logged.
void Compressor_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t ch,
                     std::uint8_t bypass, float threshold, float ratio, int attack, int release,
                     float knee, bool immediate);

/// Surround decoder settings, copied unchanged. Always queued: dropped while the queue is
/// disabled; there is no immediate form. Not logged.
void CS_Auto_Ctrl(DeviceLink& link, std::span<const std::uint8_t, kCsAutoBlockBytes> block);

}  // namespace qb
