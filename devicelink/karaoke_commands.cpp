#include "devicelink/karaoke_commands.h"

#include <array>

#include "devicelink/link_timing.h"
#include "devicelink/value_encoding.h"
#include "devicelink/wire_codes.h"
#include "shell/log.h"

namespace qb {
namespace {

void SetByte(DeviceLink& link, std::uint8_t id, std::uint8_t value, bool immediate) {
  link.SubmitCommand(KTV_PACKET, id, OP_SET, {value}, immediate, kWaitDefaultMs);
}

bool QueryKtv(DeviceLink& link, std::uint8_t id) {
  return link.Query(KTV_PACKET, id, {}, kWaitDefaultMs);
}

void PostKtv(DeviceLink& link, std::uint8_t id, std::intptr_t value) {
  link.PostReply(ReplySlot::MainWindowHandle, ReplyMessage{WM_KTV_REPLY, id, value, nullptr});
}

/// Index of the byte the one-byte reports' log lines label as the value (after scene and
/// source), and of the echo delay's.
constexpr std::size_t kLoggedValueIndex = 2;
constexpr std::size_t kLoggedEchoDelayIndex = 3;

/// The log line of a one-byte report, when the payload holds the bytes it names.
void LogByteReport(std::uint8_t id, ByteView p) {
  if (p.size() <= kLoggedValueIndex) return;
  const unsigned op = OP_UPDATE;
  const int scene = p[0];
  const int src = p[1];
  const int v = p[kLoggedValueIndex];
  switch (id) {
    case KTV_MIC_VOL:
      LogPrintA("KTV MIC VOL OP=0x%x, scene=%d, src = %d, mic vol=%d\n", op, scene, src, v);
      break;
    case KTV_MUSIC_VOL:
      LogPrintA("KTV MUSIC_VOL OP=0x%x, scene=%d, src = %d, music vol=%d\n", op, scene, src, v);
      break;
    case KTV_HOWLING:
      LogPrintA("KTV HOWLING OP=0x%x, scene=%d, src = %d, howling=%d\n", op, scene, src, v);
      break;
    case KTV_ECHO_LEVEL:
      LogPrintA("KTV ECHO LEVEL OP=0x%x, scene=%d, src = %d, level=%d\n", op, scene, src, v);
      break;
    case KTV_REVERB_LEVEL:
      LogPrintA("KTV REVERB_LEVEL OP=0x%x, scene=%d, src = %d, REVERB_LEVEL=%d\n", op, scene, src,
                v);
      break;
    case KTV_REVERB_TIME:
      LogPrintA("KTV REVERB_TIME OP=0x%x, scene=%d, src = %d, time=%d\n", op, scene, src, v);
      break;
    case KTV_VOICE_CHANGER:
      LogPrintA("KTV VOICE_CHANGER OP=0x%x, scene=%d, src = %d, voice=%d\n", op, scene, src, v);
      break;
    default:
      break;
  }
}

void DecodeByteValue(DeviceLink& link, const ReplyFrame& frame) {
  if (frame.OpType() != OP_UPDATE) return;
  const ByteView p = frame.Payload();
  if (p.empty()) return;
  LogByteReport(frame.CommandId(), p);
  PostKtv(link, frame.CommandId(), p[0]);
}

void DecodeEchoDelay(DeviceLink& link, const ReplyFrame& frame) {
  if (frame.OpType() != OP_UPDATE) return;
  const ByteView p = frame.Payload();
  const std::optional<std::uint16_t> delay = DecodeU16BE(p);
  if (!delay) return;
  if (p.size() > kLoggedEchoDelayIndex) {
    LogPrintA("KTV ECHO_DELAY OP=0x%x, scene=%d, src = %d, delay=%d\n", unsigned{OP_UPDATE}, p[0],
              p[1], p[kLoggedEchoDelayIndex]);
  }
  PostKtv(link, KTV_ECHO_DELAY, *delay);
}

void DecodeSignedGain(DeviceLink& link, const ReplyFrame& frame) {
  if (frame.OpType() != OP_UPDATE || frame.Payload().empty()) return;
  const int gain = DecodeSignedByte(frame.Payload()[0]);
  if (frame.CommandId() == KTV_BASS_GAIN) {
    LogPrintA("KTV_BASS_GAIN  low freq gain=%d\n", gain);
  } else {
    LogPrintA("KTV_TREBLE_GAIN treble gain=%d\n", gain);
  }
  PostKtv(link, frame.CommandId(), gain);
}

constexpr std::array kKaraokeDecoders = {
    CommandDecoderEntry{KTV_PACKET, KTV_MIC_VOL, &DecodeByteValue},
    CommandDecoderEntry{KTV_PACKET, KTV_MUSIC_VOL, &DecodeByteValue},
    CommandDecoderEntry{KTV_PACKET, KTV_HOWLING, &DecodeByteValue},
    CommandDecoderEntry{KTV_PACKET, KTV_ECHO_LEVEL, &DecodeByteValue},
    CommandDecoderEntry{KTV_PACKET, KTV_ECHO_DELAY, &DecodeEchoDelay},
    CommandDecoderEntry{KTV_PACKET, KTV_REVERB_LEVEL, &DecodeByteValue},
    CommandDecoderEntry{KTV_PACKET, KTV_REVERB_TIME, &DecodeByteValue},
    CommandDecoderEntry{KTV_PACKET, KTV_VOICE_CHANGER, &DecodeByteValue},
    CommandDecoderEntry{KTV_PACKET, KTV_BASS_GAIN, &DecodeSignedGain},
    CommandDecoderEntry{KTV_PACKET, KTV_TREBLE_GAIN, &DecodeSignedGain},
};

}  // namespace

void KTV_Mic_Vol_Ctrl(DeviceLink& link, std::uint8_t volume, bool immediate) {
  SetByte(link, KTV_MIC_VOL, volume, immediate);
}
void KTV_Music_Vol_Ctrl(DeviceLink& link, std::uint8_t volume, bool immediate) {
  SetByte(link, KTV_MUSIC_VOL, volume, immediate);
}
void KTV_Howling_Ctrl(DeviceLink& link, std::uint8_t howling, bool immediate) {
  SetByte(link, KTV_HOWLING, howling, immediate);
}
void KTV_Echo_Level_Ctrl(DeviceLink& link, std::uint8_t level, bool immediate) {
  SetByte(link, KTV_ECHO_LEVEL, level, immediate);
}
void KTV_Echo_Delay_Ctrl(DeviceLink& link, std::uint16_t delay, bool immediate) {
  const auto bytes = EncodeU16BE(delay);
  link.SubmitCommand(KTV_PACKET, KTV_ECHO_DELAY, OP_SET, Payload(bytes.begin(), bytes.end()),
                     immediate, kWaitDefaultMs);
}
void KTV_Reverb_Level_Ctrl(DeviceLink& link, std::uint8_t level, bool immediate) {
  SetByte(link, KTV_REVERB_LEVEL, level, immediate);
}
void KTV_Reverb_Time_Ctrl(DeviceLink& link, std::uint8_t time, bool immediate) {
  SetByte(link, KTV_REVERB_TIME, time, immediate);
}
void KTV_Voice_Changer_Ctrl(DeviceLink& link, std::uint8_t voice, bool immediate) {
  SetByte(link, KTV_VOICE_CHANGER, voice, immediate);
}
void KTV_Bass_Gain_Ctrl(DeviceLink& link, int gainDb, bool immediate) {
  SetByte(link, KTV_BASS_GAIN, EncodeSignedByte(gainDb), immediate);
}
void KTV_Treble_Gain_Ctrl(DeviceLink& link, int gainDb, bool immediate) {
  SetByte(link, KTV_TREBLE_GAIN, EncodeSignedByte(gainDb), immediate);
}

bool Get_KTV_Mic_Vol(DeviceLink& link) { return QueryKtv(link, KTV_MIC_VOL); }
bool Get_KTV_Music_Vol(DeviceLink& link) { return QueryKtv(link, KTV_MUSIC_VOL); }
bool Get_KTV_Howling(DeviceLink& link) { return QueryKtv(link, KTV_HOWLING); }
bool Get_KTV_Echo_Level(DeviceLink& link) { return QueryKtv(link, KTV_ECHO_LEVEL); }
bool Get_KTV_Echo_Delay(DeviceLink& link) { return QueryKtv(link, KTV_ECHO_DELAY); }
bool Get_KTV_Reverb_Level(DeviceLink& link) { return QueryKtv(link, KTV_REVERB_LEVEL); }
bool Get_KTV_Reverb_Time(DeviceLink& link) { return QueryKtv(link, KTV_REVERB_TIME); }
bool Get_KTV_Voice_Changer(DeviceLink& link) { return QueryKtv(link, KTV_VOICE_CHANGER); }
bool Get_KTV_Bass_Gain(DeviceLink& link) { return QueryKtv(link, KTV_BASS_GAIN); }
bool Get_KTV_Treble_Gain(DeviceLink& link) { return QueryKtv(link, KTV_TREBLE_GAIN); }

DecoderTable KaraokeReplyDecoders() { return kKaraokeDecoders; }

}  // namespace qb
