#pragma once
/// Commands of the box's microcontroller (MCU_PACKET): connection notice and handshake,
/// firmware versions, password and remark, device text, reboot, factory default, the
/// power-off delay and the ignition (ACC) delay; and the decoder of their replies.
///
/// Setters return nothing (the outcome arrives as a posted reply or a link field);
/// queries send at once and return true when a report came back within their wait. A
/// setter with an `immediate` argument follows the link's send rule (send and wait, or
/// queue); one without it always sends at once.

#include <cstdint>
#include <string_view>

#include "devicelink/device_link.h"
#include "devicelink/reply_decoders.h"

namespace qb {

/// Tells the box that the PC is connected (state 1) or leaving (state 0). Sent at once;
/// returns when the report is written, without waiting for the box.
void PC_Connect(DeviceLink& link, std::uint8_t state);

/// Asks the box for its handshake and waits up to kWaitDefaultMs. True when a report
/// arrived; its decoding sets the link's model and application-mode flag (see
/// McuReplyDecoders). False on a silent box or a closed link.
bool Hand_Connect(DeviceLink& link);

/// Queries the DSP flash version (reply: FlashVersionRecord). Waits kWaitShortQueryMs.
bool Get_Flash_Version(DeviceLink& link);

/// Queries the boot-loader version, which the decoder stores in the link
/// (DeviceLink::BootloaderVersion). Waits kWaitShortQueryMs.
bool Get_Bootloader_Version(DeviceLink& link);

/// The password command's payload: two length bytes and both texts.
inline constexpr std::size_t kPasswordCommandBytes = 40;

/// Stores a password and a remark in the box, as the raw bytes given. A pair that does not
/// fit kPasswordCommandBytes is refused (logged, false), never cut. Always sent at once,
/// waiting kWaitDefaultMs.
bool SetPWD(DeviceLink& link, std::string_view password, std::string_view remark);

/// Queries the password and remark (reply: PasswordRecord). Waits kWaitDefaultMs.
bool Get_PWD(DeviceLink& link);

/// Asks for the box's device text (reply: TextRecord). Unlike the other queries it may be
/// queued: with `immediate` false it follows the send rule like a setter.
void Get_MCU_Text(DeviceLink& link, bool immediate);

/// Restarts the box. Sent at once, waiting kWaitDefaultMs.
void MCU_Reboot_Ctrl(DeviceLink& link);

/// Restores the box's factory settings. Sent at once, waiting kWaitFactoryDefaultMs
/// because the box rebuilds its settings before it answers; run it off the UI thread.
void MCU_Factory_Default(DeviceLink& link);

/// Sets how long the box stays on after power is removed, in milliseconds.
void Set_Power_Off_Time(DeviceLink& link, std::uint16_t ms, bool immediate);

/// Queries the power-off delay (reply: the value in ms as lParam). Waits kWaitShortQueryMs.
bool Get_Delay_Power_Off_Time(DeviceLink& link);

/// Sets the ignition (ACC) delay, one signed byte: values outside -128..127 are clamped.
void Set_Acc(DeviceLink& link, int delay, bool immediate);

/// Queries the ignition delay (reply: the signed value as lParam). Waits kWaitDefaultMs.
bool Get_Acc(DeviceLink& link);

/// Decoders of MCU_PACKET replies, all posting to MainWindowHandle:
/// - handshake (OP_UPDATE): first byte 0xF0 = the box runs only its loader: clears the
///   application-mode flag and posts WM_DEVICE_ABNORMAL (0, 0), model untouched; any other
///   first byte needs model, master and slave version behind it: sets the flag and the
///   model and posts WM_MCU_REPLY with a HandshakeRecord. A shorter report is dropped,
///   since zero versions would read as outdated firmware.
/// - flash version (4 bytes), boot-loader version (stored in the link, nothing posted),
///   password, device text, power-off delay (u16 BE as lParam), ACC (signed lParam);
/// - MCU INIT, which the box sends on its own, is only logged.
/// Fixed-size replies missing bytes are dropped; password and text are clipped to what
/// both the record and the frame hold. Upgrade acknowledgements are not in this table.
DecoderTable McuReplyDecoders();

}  // namespace qb
