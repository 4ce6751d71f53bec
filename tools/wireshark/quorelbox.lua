-- Quorelbox: the ZX7140K's USB link in Wireshark and tshark.
--
-- Decodes the frames the program and the box exchange in 64-byte HID interrupt reports:
-- sync 0xAA 0x55, LEN, packet type, command id, operation, payload, checksum. It finds them
-- by their header (with or without a leading report id 0), so it reads the program's own
-- traces (quorelbox --trace, quorelbox-cli --trace), Linux usbmon captures of a real box
-- and USBPcap captures from Windows alike, whatever program talked to the box.
--
--   tshark -X lua_script:tools/wireshark/quorelbox.lua -r trace.pcap -T fields -e quorelbox.cmd
--
-- or copy it into Wireshark's Lua plugin folder (Help > About > Folders; the Debian package
-- installs it into the global one). Filter with "quorelbox", "quorelbox.cmd == \"EQ_Ctrl\"".
--
-- Numbers are shown as they cross the cable: channels and bands count from 0 (the window
-- counts from 1), scene 0 is the live settings, gains in dB, delays in ms, frequencies in Hz.
-- A frame cut at the end of one input report is put together with the start of the next.

local proto = Proto("quorelbox", "Quorelbox ZX7140K link")

-- BEGIN GENERATED TABLES
-- Made by wireshark-lua-tables from devicelink/wire_codes.h and devicelink/operation_names.h;
-- a test fails when they differ. Change them there and run
--   wireshark-lua-tables --write tools/wireshark/quorelbox.lua
local packet_types = {
  [1] = "DSP_PACKET",
  [2] = "FLASH_PACKET",
  [3] = "MCU_PACKET",
  [7] = "KTV_PACKET",
}
local operations = {
  [0xBB] = "OP_SET",
  [0x66] = "OP_GET",
  [0xDD] = "OP_UPDATE",
  [0xEE] = "OP_ACK",
}
local ack_status = {
  [0x0A] = "ACK_READY",
  [0x60] = "NOT_READY",
}
local filter_selectors = {
  [1] = "high-pass",
  [2] = "low-pass",
}
local filter_families = {
  [1] = "Butterworth",
  [2] = "Linkwitz-Riley",
  [3] = "Bessel",
}
local sources = {
  [0] = "opt",
  [1] = "coax",
  [2] = "bt",
  [3] = "aux",
  [4] = "low",
  [5] = "hi",
  [6] = "dmp",
  [7] = "udp",
  [8] = "scp",
}
local source_switch_base = 0x51
-- [packet type * 256 + command id] = the frame's name by operation (FrameName)
local commands = {
  [0x0100] = { set = "DSP_SOURCE_CONFIG", get = "Get_Source_Config", reply = "DSP_SOURCE_CONFIG" },
  [0x0101] = { set = "Source_Switch_Ctrl", get = "Get_Source", reply = "DSP_SOURCE_SWITCH" },
  [0x0102] = { set = "Main_Volume_Ctrl", get = "Get_Main_Volume", reply = "DSP_VOLUME" },
  [0x0103] = { set = "Subwoofer_Volume_Ctrl", get = "Get_Subwoofer_Volume", reply = "DSP_SUBWOOFER_VOLUME" },
  [0x0104] = { set = "Mute_Ctrl", get = "Get_Mute", reply = "DSP_MUTE" },
  [0x0105] = { set = "Filter_Ctrl", get = "Get_Filter", reply = "DSP_FILTER_GET" },
  [0x0106] = { set = "EQ_Ctrl", get = "Get_EQ", reply = "DSP_EQ_CH" },
  [0x0107] = { set = "Delay_Ctrl", get = "Get_Delay", reply = "DSP_DELAY_CH" },
  [0x0108] = { set = "Trim_Ctrl", get = "Get_Trim", reply = "DSP_TRIM_CH" },
  [0x0109] = { set = "Mute_Ch_Ctrl", get = "Get_Mute_Ch", reply = "DSP_MUTE_CH" },
  [0x010A] = { set = "Phase_Ctrl", get = "Get_Phase", reply = "DSP_PHASE_CH" },
  [0x010B] = { set = "Mix_Ch_Ctrl", get = "Get_Mix_Ch", reply = "DSP_MIX_CH" },
  [0x010C] = { set = "Remap_Ch_Ctrl", get = "Get_Remap_Ch", reply = "DSP_CH_REMAP" },
  [0x010D] = { set = "CH_Type_Ctrl", get = "Get_CH_Type", reply = "DSP_CH_TYPE" },
  [0x010E] = { set = "CH_Link_Ctrl", get = "Get_CH_Link", reply = "DSP_CH_LINK" },
  [0x010F] = { set = "CH_Lock_Ctrl", get = "Get_CH_Lock", reply = "DSP_CH_LOCK" },
  [0x0110] = { set = "DSP_Bypass_Ctrl", get = "Get_All_Bypass", reply = "DSP_BYPASS" },
  [0x0111] = { set = "PEQ_Reset_Ctrl", get = "Get_PEQ_Reset", reply = "DSP_EQ_RESET" },
  [0x0112] = { set = "PEQ_Bypass_Ctrl", get = "Get_PEQ_Bypass", reply = "DSP_EQ_BYPASS" },
  [0x0113] = { set = "IRC_Ctrl", get = "IRC_Get", reply = "DSP_IRC_CTRL" },
  [0x0114] = { set = "DSP_IRC_DISTANCE", get = "IRC_Get_Distance", reply = "DSP_IRC_DISTANCE" },
  [0x0115] = { set = "IRC_CH_TRIM", get = "IRC_Get_Trim", reply = "IRC_CH_TRIM" },
  [0x0116] = { set = "DSP_IRC_EQ", get = "IRC_Get_EQ", reply = "DSP_IRC_EQ" },
  [0x0117] = { set = "DSP_IRC_SPK_SIZE", get = "IRC_Get_Spk_Size", reply = "DSP_IRC_SPK_SIZE" },
  [0x0118] = { set = "DSP_IRC_SPK_PHASE", get = "IRC_Get_Spk_Phase", reply = "DSP_IRC_SPK_PHASE" },
  [0x0119] = { set = "DSP_IRC_SPK_LEVEL", get = "IRC_Get_Spk_Level", reply = "DSP_IRC_SPK_LEVEL" },
  [0x011A] = { set = "DSP_IRC_SPECTRUM", get = "IRC_Get_Spectrum", reply = "DSP_IRC_SPECTRUM" },
  [0x011B] = { set = "DSP_IRC_NOISE_LEVEL", get = "IRC_Get_Noise_Level", reply = "DSP_IRC_NOISE_LEVEL" },
  [0x011C] = { set = "DSP_IRC_RTA", get = "IRC_Get_RTA", reply = "DSP_IRC_RTA" },
  [0x011D] = { set = "IRC_Set_Test_Mic", get = "DSP_IRC_TEST_MIC", reply = "DSP_IRC_TEST_MIC" },
  [0x011E] = { set = "IRC_Sel_Test_Module", get = "DSP_IRC_TEST_MODULE", reply = "DSP_IRC_TEST_MODULE" },
  [0x0120] = { set = "Input_Trim_Ctrl", get = "Get_Input_Trim", reply = "DSP_INPUT_TRIM_CH" },
  [0x0121] = { set = "Mute_Input_Ch_Ctrl", get = "Get_Mute_Input_Ch", reply = "DSP_INPUT_CH_MUTE" },
  [0x0122] = { set = "Input_Phase_Ctrl", get = "Get_Phase_Input_Ch", reply = "INPUT_CH_PHASE" },
  [0x0123] = { set = "Input_EQ_Ctrl", get = "Get_Input_EQ", reply = "DSP_INPUT_EQ_CH" },
  [0x0124] = { set = "Input_Mix_Trim_Ctrl", get = "Get_Input_Mix_CH_Trim", reply = "DSP_INPUT_MIX_CH_TRIM" },
  [0x0126] = { set = "Input_Ch_Threshold_Ctrl", get = "Get_Input_Threshold", reply = "DSP_INPUT_THRESHOLD" },
  [0x0127] = { set = "INPUT_NOISE", get = "Get_Input_Noise", reply = "INPUT_NOISE" },
  [0x0128] = { set = "Input_Mix_Trim_Ctrl2", get = "DSP_INPUT_MIX_CH_TRIM2", reply = "DSP_INPUT_MIX_CH_TRIM2" },
  [0x0130] = { set = "CH_Trim_Link_Ctrl", get = "Get_CH_Trim_Link", reply = "DSP_CH_TRIM_LINK" },
  [0x0131] = { set = "CH_Delay_Link_Ctrl", get = "Get_CH_Delay_Link", reply = "DSP_CH_DELAY_LINK" },
  [0x0132] = { set = "Sel_Remote_CH_Ctrl", get = "Get_Remote_CH", reply = "DSP_REMOTE_CH" },
  [0x0133] = { set = "One_Byte_Setting_Ctrl", get = "DSP_ONE_BYTE_SETTING", reply = "DSP_ONE_BYTE_SETTING" },
  [0x0134] = { set = "Solo_Ctrl", get = "Get_Ch_Solo", reply = "DSP_CH_SOLO" },
  [0x0135] = { set = "Speaker_Config_Ctrl", get = "Get_Speaker_Config", reply = "DSP_SPK_CH_CONFIG" },
  [0x0136] = { set = "Mix_Type_Ctrl", get = "Get_Mix_Type", reply = "MIX_TYPE" },
  [0x0137] = { set = "HPF_Q_Fact_Ctrl", get = "Get_HPF_Q_Fact_Mode", reply = "DSP_HPF_Q_FACT_MODE" },
  [0x0138] = { set = "LPF_Q_Fact_Ctrl", get = "Get_LPF_Q_Fact_Mode", reply = "DSP_LPF_Q_FACT_MODE" },
  [0x0139] = { set = "Factory_Preset_Ctrl", get = "Get_Factory_Preset", reply = "DSP_FACTORY_PRESET" },
  [0x013A] = { set = "Setup_Mode_Ctrl", get = "Get_Setup_Mode", reply = "DSP_SETUP_MODE" },
  [0x013B] = { set = "Auto_Effect_Ctrl", get = "Get_AUTO_ON", reply = "DSP_AUTO_EFFECTION_ON_OFF_CONTROL" },
  [0x013C] = { set = "Two_Byte_Setting_Ctrl", get = "DSP_TWO_BYTE_SETTING", reply = "DSP_TWO_BYTE_SETTING" },
  [0x013D] = { set = "CS_Auto_Ctrl", get = "DSP_CS_AUTO", reply = "DSP_CS_AUTO" },
  [0x013E] = { set = "Compressor_Ctrl", get = "Get_Compressor", reply = "DSP_COMPRESSOR_GET" },
  [0x013F] = { set = "Amp_Mute_Ctrl", get = "Get_Amp_Mute", reply = "DSP_AMP_MUTE" },
  [0x0140] = { set = "DSP_INPUT_CH_DISTORT", get = "Get_InDistort", reply = "DSP_INPUT_CH_DISTORT" },
  [0x0141] = { set = "DSP_OUTPUT_CH_DISTORT", get = "Get_OutDistort", reply = "DSP_OUTPUT_CH_DISTORT" },
  [0x0142] = { set = "Set_MemData", get = "Get_MemData", reply = "DSP_MEM_DATA" },
  [0x0143] = { set = "Spk_Dist_Ctrl", get = "Get_Spk_Dist", reply = "DSP_SPK_DIST" },
  [0x0144] = { set = "Mix_Source_Switch_Ctrl", get = "Get_Mix_Source", reply = "DSP_MIX_SOURCE_SWITCH" },
  [0x0183] = { set = "Mix_Type2_Ctrl", get = "Get_Mix_Type2", reply = "MIX_TYPE2" },
  [0x0203] = { set = "FLASH_UPG_START", get = "FLASH_UPG_START", reply = "FLASH_UPG_START" },
  [0x0204] = { set = "FLASH_UPG_DATA", get = "FLASH_UPG_DATA", reply = "FLASH_UPG_DATA" },
  [0x0205] = { set = "FLASH_UPG_FINISH", get = "FLASH_UPG_FINISH", reply = "FLASH_UPG_FINISH" },
  [0x0208] = { set = "SaveScene", get = "FLASH_SCENE_SAVE", reply = "FLASH_SCENE_SAVE" },
  [0x0209] = { set = "ReadScene", get = "FLASH_SCENE_LOAD", reply = "FLASH_SCENE_LOAD" },
  [0x020A] = { set = "DeleteScene", get = "FLASH_SCENE_DELETE", reply = "FLASH_SCENE_DELETE" },
  [0x020B] = { set = "SetSceneName", get = "Get_Scene_Name", reply = "FLASH_SCENE_NAME" },
  [0x020C] = { set = "SetSceneProfile", get = "GetSceneProfile", reply = "FLASH_SCENE_DATA" },
  [0x020D] = { set = "FLASH_SCENE_QUERY", get = "Get_Scene_Query", reply = "FLASH_SCENE_QUERY" },
  [0x020E] = { set = "FLASH_SCENE_ID", get = "Get_Scene_ID", reply = "FLASH_SCENE_ID" },
  [0x020F] = { set = "FLASH_SCENE_VALID", get = "Get_Scene_Valid", reply = "FLASH_SCENE_VALID" },
  [0x0301] = { set = "MCU_ENTER_UPG_MODE", get = "MCU_ENTER_UPG_MODE", reply = "MCU_ENTER_UPG_MODE" },
  [0x0302] = { set = "MCU_UPG_START", get = "MCU_UPG_START", reply = "MCU_UPG_START" },
  [0x0303] = { set = "MCU_UPG_DATA", get = "MCU_UPG_DATA", reply = "MCU_UPG_DATA" },
  [0x0304] = { set = "MCU_UPG_FINISH", get = "MCU_UPG_FINISH", reply = "MCU_UPG_FINISH" },
  [0x0308] = { set = "Hand_Connect", get = "MCU_HANDSHAKE", reply = "MCU_HANDSHAKE" },
  [0x030B] = { set = "MCU_GET_DSPFLASH_VER", get = "Get_Flash_Version", reply = "MCU_GET_DSPFLASH_VER" },
  [0x030C] = { set = "MCU_GET_BOOTLOADER_VER", get = "Get_Bootloader_Version", reply = "MCU_GET_BOOTLOADER_VER" },
  [0x030D] = { set = "SetPWD", get = "Get_PWD", reply = "MCU_PASSWORD" },
  [0x031F] = { set = "PC_Connect", get = "MCU_PC_CONNECT", reply = "MCU_PC_CONNECT" },
  [0x0341] = { set = "MCU_TEXT", get = "Get_MCU_Text", reply = "MCU_TEXT" },
  [0x0360] = { set = "MCU INIT", get = "MCU INIT", reply = "MCU INIT" },
  [0x038F] = { set = "MCU_Reboot_Ctrl", get = "MCU_REBOOT", reply = "MCU_REBOOT" },
  [0x0390] = { set = "MCU_Factory_Default", get = "MCU_FACTORY_DEFAULT", reply = "MCU_FACTORY_DEFAULT" },
  [0x0391] = { set = "Set_Power_Off_Time", get = "Get_Delay_Power_Off_Time", reply = "MCU_POWER_OFF_DELAY" },
  [0x0392] = { set = "Set_Acc", get = "Get_Acc", reply = "MCU_ACC" },
  [0x03A0] = { set = "BL_UPG_ENTER", get = "BL_UPG_ENTER", reply = "BL_UPG_ENTER" },
  [0x03A1] = { set = "BL_UPG_START", get = "BL_UPG_START", reply = "BL_UPG_START" },
  [0x03A2] = { set = "BL_UPG_DATA", get = "BL_UPG_DATA", reply = "BL_UPG_DATA" },
  [0x03A3] = { set = "BL_UPG_FINISH", get = "BL_UPG_FINISH", reply = "BL_UPG_FINISH" },
  [0x0701] = { set = "KTV_Mic_Vol_Ctrl", get = "Get_KTV_Mic_Vol", reply = "MIC VOL" },
  [0x0702] = { set = "KTV_Music_Vol_Ctrl", get = "Get_KTV_Music_Vol", reply = "MUSIC_VOL" },
  [0x0703] = { set = "KTV_Howling_Ctrl", get = "Get_KTV_Howling", reply = "HOWLING" },
  [0x0704] = { set = "KTV_Echo_Level_Ctrl", get = "Get_KTV_Echo_Level", reply = "ECHO LEVEL" },
  [0x0705] = { set = "KTV_Echo_Delay_Ctrl", get = "Get_KTV_Echo_Delay", reply = "ECHO_DELAY" },
  [0x0706] = { set = "KTV_Reverb_Level_Ctrl", get = "Get_KTV_Reverb_Level", reply = "REVERB_LEVEL" },
  [0x0707] = { set = "KTV_Reverb_Time_Ctrl", get = "Get_KTV_Reverb_Time", reply = "REVERB_TIME" },
  [0x0708] = { set = "KTV_Voice_Changer_Ctrl", get = "Get_KTV_Voice_Changer", reply = "VOICE_CHANGER" },
  [0x0709] = { set = "KTV_Bass_Gain_Ctrl", get = "Get_KTV_Bass_Gain", reply = "KTV_BASS_GAIN" },
  [0x070A] = { set = "KTV_Treble_Gain_Ctrl", get = "Get_KTV_Treble_Gain", reply = "KTV_TREBLE_GAIN" },
}
-- END GENERATED TABLES

local OP_SET, OP_GET, OP_UPDATE, OP_ACK = 0xBB, 0x66, 0xDD, 0xEE
local DSP, FLASH, MCU = 1, 2, 3
local SYNC1, SYNC2 = 0xAA, 0x55
-- The box's input reports are 64 bytes; only a full one can end in a frame that the next
-- report completes.
local INPUT_REPORT = 64
-- LEN counts the packet type, command id, operation and payload; a frame is LEN + 4
-- bytes, at most 65, so LEN is 3 to 61.
local MIN_LEN, MAX_LEN = 3, 61
local UPGRADE_ONLY = 0xF0  -- handshake status of a box that sits in its loader

local on_off = { [0] = "off", [1] = "on" }
local phases = { [0] = "normal", [1] = "inverted" }

local f = {
  report_id = ProtoField.uint8("quorelbox.report_id", "Report id", base.DEC),
  sync = ProtoField.uint16("quorelbox.sync", "Sync", base.HEX),
  len = ProtoField.uint8("quorelbox.len", "Length", base.DEC, nil, nil,
                         "packet type, command id, operation and payload bytes"),
  type = ProtoField.uint8("quorelbox.type", "Packet type", base.DEC, packet_types),
  id = ProtoField.uint8("quorelbox.id", "Command id", base.DEC),
  cmd = ProtoField.string("quorelbox.cmd", "Command", base.ASCII,
                          "the setter (OP_SET), query (OP_GET) or reply the frame is"),
  op = ProtoField.uint8("quorelbox.op", "Operation", base.HEX, operations),
  payload = ProtoField.bytes("quorelbox.payload", "Payload"),
  checksum = ProtoField.uint8("quorelbox.checksum", "Checksum", base.HEX),
  ack = ProtoField.uint8("quorelbox.ack", "Status", base.HEX, ack_status),
  continued_in = ProtoField.framenum("quorelbox.continued_in", "Frame continues in", base.NONE),
  continued_from = ProtoField.framenum("quorelbox.continued_from", "Frame begun in", base.NONE),

  scene = ProtoField.uint8("quorelbox.scene", "Scene", base.DEC, nil, nil, "0: the live settings"),
  source = ProtoField.uint8("quorelbox.source", "Source", base.DEC, sources),
  first = ProtoField.uint8("quorelbox.first", "First channel", base.DEC),
  last = ProtoField.uint8("quorelbox.last", "Last channel", base.DEC),
  channel = ProtoField.uint8("quorelbox.channel", "Channel", base.DEC),

  eq_band = ProtoField.uint8("quorelbox.eq.band", "Band", base.DEC),
  eq_first = ProtoField.uint8("quorelbox.eq.first", "First band", base.DEC),
  eq_last = ProtoField.uint8("quorelbox.eq.last", "Last band", base.DEC),
  eq_freq = ProtoField.uint16("quorelbox.eq.freq", "Frequency (Hz)", base.DEC),
  eq_q = ProtoField.double("quorelbox.eq.q", "Q"),
  eq_gain = ProtoField.double("quorelbox.eq.gain", "Gain (dB)"),
  eq_bypass = ProtoField.uint8("quorelbox.eq.bypass", "Equaliser bypass", base.DEC, on_off),

  xover_sel = ProtoField.uint8("quorelbox.xover.sel", "Filter", base.DEC, filter_selectors),
  xover_family = ProtoField.uint8("quorelbox.xover.family", "Family", base.DEC, filter_families),
  xover_freq = ProtoField.uint16("quorelbox.xover.freq", "Corner frequency (Hz)", base.DEC),
  xover_slope = ProtoField.uint8("quorelbox.xover.slope", "Slope (order)", base.DEC, nil, nil,
                                 "0: the filter is off"),

  volume = ProtoField.int8("quorelbox.volume", "Volume", base.DEC),
  trim = ProtoField.double("quorelbox.trim", "Trim (dB)"),
  mute = ProtoField.uint8("quorelbox.mute", "Mute", base.DEC, on_off),
  phase = ProtoField.uint8("quorelbox.phase", "Phase", base.DEC, phases),
  delay = ProtoField.double("quorelbox.delay", "Delay (ms)"),
  routing = ProtoField.uint16("quorelbox.routing", "Inputs routed", base.HEX, nil, nil,
                              "bit k set: input k + 1 feeds the output"),
  role = ProtoField.uint8("quorelbox.role", "Role", base.DEC),
  switch_code = ProtoField.uint8("quorelbox.switch_code", "Source switch code", base.HEX),
  link = ProtoField.uint8("quorelbox.link", "Link", base.DEC),
  lock = ProtoField.uint8("quorelbox.lock", "Lock", base.DEC),

  scene_to = ProtoField.uint8("quorelbox.scene.to", "To scene", base.DEC),
  scene_now = ProtoField.uint8("quorelbox.scene.immediately", "Immediately", base.DEC),
  scene_name = ProtoField.string("quorelbox.scene.name", "Scene name"),
  scene_valid = ProtoField.uint16("quorelbox.scene.valid", "Scenes holding settings", base.HEX, nil, nil,
                                  "bit n set: scene n + 1"),
  scene_start = ProtoField.uint16("quorelbox.scene.start", "Start", base.DEC),
  scene_data_len = ProtoField.uint8("quorelbox.scene.data_len", "Data length", base.DEC),

  handshake = ProtoField.uint8("quorelbox.handshake", "Handshake status", base.HEX),
  model = ProtoField.uint8("quorelbox.model", "Model", base.DEC),
  firmware = ProtoField.string("quorelbox.firmware", "Firmware"),
  connect = ProtoField.uint8("quorelbox.connect", "PC connected", base.DEC),
}
proto.fields = f

local e = {
  bad_checksum = ProtoExpert.new("quorelbox.checksum.bad", "Bad checksum", expert.group.CHECKSUM,
                                 expert.severity.ERROR),
  split = ProtoExpert.new("quorelbox.split", "Frame split over two reports", expert.group.REASSEMBLE,
                          expert.severity.NOTE),
  unfinished = ProtoExpert.new("quorelbox.unfinished", "Frame cut off: no report completes it",
                               expert.group.MALFORMED, expert.severity.WARN),
  short = ProtoExpert.new("quorelbox.short", "Payload shorter than its command needs", expert.group.MALFORMED,
                          expert.severity.WARN),
  unknown = ProtoExpert.new("quorelbox.unknown", "Command not in the catalogue", expert.group.UNDECODED,
                            expert.severity.NOTE),
}
proto.experts = e

-- ---------------------------------------------------------------------------------------
-- Value encodings. Each computes in whole units of the last digit and divides once, so a
-- value shows as written (2.5, not 2.4999999999999996).

local function signed8(b) return b >= 128 and b - 256 or b end
local function eq_gain(a, b) return (a * 10 + b - 180) / 10 end        -- A + B/10 - 18
local function eq_q_sent(a, b) return (a * 10 + b) / 10 end            -- the PC sends tenths
local function eq_q_reported(a, b) return (a * 100 + b) / 100 end      -- the box reports hundredths
local function delay_ms(a, thousandths) return (a * 1000 + thousandths) / 1000 end
local function fine_trim_sent(a, b) return (signed8(a) * 100 + signed8(b)) / 100 end
local function fine_trim_reported(a, b) return -(a * 100 + b) / 100 end

local function command_name(ptype, id, op)
  local entry = commands[ptype * 256 + id]
  if not entry then return nil end
  if op == OP_SET then return entry.set end
  if op == OP_GET then return entry.get end
  return entry.reply
end

-- ---------------------------------------------------------------------------------------
-- Payload decoding. A context holds the frame's tvb, its tree item, where the payload
-- starts and how long it is, and the operation.

-- The range of `width` payload bytes at `at`, or nil (and one note) when the payload ends first.
local function bytes(ctx, at, width)
  if at + width > ctx.n then
    if not ctx.short_noted then
      ctx.tree:add_proto_expert_info(e.short)
      ctx.short_noted = true
    end
    return nil
  end
  return ctx.tvb(ctx.p + at, width)
end

local function add(ctx, field, at, width, value, parent)
  local range = bytes(ctx, at, width)
  if not range then return nil end
  local tree = parent or ctx.tree
  if value ~= nil then return tree:add(field, range, value), range end
  return tree:add(field, range), range
end

local function add_channel(tree, field, range, number)
  local item = tree:add(field, range, number)
  item:append_text(string.format(" (output %d in the window)", number + 1))
  return item
end

local function add_scene(ctx, at, field)
  local item, range = add(ctx, field or f.scene, at, 1)
  if item and range:uint() == 0 then item:append_text(" (live settings)") end
  return item
end

-- Scene, source, first and last channel: the head of most channel commands. Returns the
-- first and last channel.
local function channel_head(ctx)
  add_scene(ctx, 0)
  add(ctx, f.source, 1, 1)
  local _, first = add(ctx, f.first, 2, 1)
  local _, last = add(ctx, f.last, 3, 1)
  if not first or not last then return nil end
  return first:uint(), last:uint()
end

-- One value per channel after the head: `width` bytes each, shown by `each(tree, range)`
-- under an item naming the channel.
local function per_channel(ctx, width, each)
  local first, last = channel_head(ctx)
  if not first or ctx.op == OP_GET or last < first then return end
  for k = 0, last - first do
    local range = bytes(ctx, 4 + k * width, width)
    if not range then return end
    local item = add_channel(ctx.tree, f.channel, range, first + k)
    item:set_generated()
    each(item, range)
  end
end

-- Width of each channel's value when it is `a` or `b` bytes (the box's configuration
-- decides, the frame's length tells).
local function value_width(ctx, a, b)
  local first = ctx.n >= 4 and ctx.tvb(ctx.p + 2, 1):uint() or 0
  local last = ctx.n >= 4 and ctx.tvb(ctx.p + 3, 1):uint() or 0
  local count = last - first + 1
  if count > 0 and ctx.n - 4 == b * count then return b end
  return a
end

local function byte_value(field)
  return function(ctx) per_channel(ctx, 1, function(tree, range) tree:add(field, range) end) end
end

local function single(field)
  return function(ctx)
    if ctx.op ~= OP_GET then add(ctx, field, 0, 1) end
  end
end

local function add_filter(tree, tvb, at, selector, selector_range)
  local sel = tree:add(f.xover_sel, selector_range, selector)
  if selector_range:len() ~= 1 then sel:set_generated() end
  tree:add(f.xover_family, tvb(at, 1))
  tree:add(f.xover_freq, tvb(at + 1, 2))
  local slope = tree:add(f.xover_slope, tvb(at + 3, 1))
  if tvb(at + 3, 1):uint() == 0 then slope:append_text(" (off)") end
end

local function add_band(ctx, tree, at, reported)
  local range = bytes(ctx, at, 6)
  if not range then return end
  local tvb = ctx.tvb
  local p = ctx.p + at
  tree:add(f.eq_freq, tvb(p, 2))
  local qa, qb = tvb(p + 2, 1):uint(), tvb(p + 3, 1):uint()
  tree:add(f.eq_q, tvb(p + 2, 2), reported and eq_q_reported(qa, qb) or eq_q_sent(qa, qb))
  tree:add(f.eq_gain, tvb(p + 4, 2), eq_gain(tvb(p + 4, 1):uint(), tvb(p + 5, 1):uint()))
end

local function mask_text(mask)
  local inputs = {}
  for k = 0, 15 do
    if bit32.band(mask, bit32.lshift(1, k)) ~= 0 then inputs[#inputs + 1] = tostring(k + 1) end
  end
  return #inputs == 0 and " (no input)" or " (input " .. table.concat(inputs, ", ") .. ")"
end

-- Scene names are 16 bytes in the box's code page; bytes beyond ASCII are shown as \xNN.
local function name_text(range)
  local raw = range:raw()
  local cut = raw:find("\0", 1, true)
  if cut then raw = raw:sub(1, cut - 1) end
  return (raw:gsub("[^\32-\126]", function(c) return string.format("\\x%02x", c:byte()) end))
end

local handlers = {}
local function handle(ptype, id, fn) handlers[ptype * 256 + id] = fn end

handle(DSP, 1, function(ctx)  -- source switch: 0x51 + source
  if ctx.op == OP_GET then return end
  local item, range = add(ctx, f.switch_code, 0, 1)
  if item then
    local source = range:uint() - source_switch_base
    item:append_text(" (" .. (sources[source] or "unknown source") .. ")")
  end
end)
handle(DSP, 2, function(ctx)  -- main volume, a signed byte
  if ctx.op == OP_GET then return end
  local range = bytes(ctx, 0, 1)
  if range then ctx.tree:add(f.volume, range, signed8(range:uint())) end
end)
handle(DSP, 3, handlers[DSP * 256 + 2])  -- subwoofer volume, likewise
handle(DSP, 4, single(f.mute))
handle(DSP, 63, single(f.mute))            -- amplifier mute

handle(DSP, 5, function(ctx)  -- crossover
  if ctx.op == OP_SET then
    add_scene(ctx, 0)
    add(ctx, f.source, 1, 1)
    local ch = bytes(ctx, 2, 1)
    if ch then add_channel(ctx.tree, f.channel, ch, ch:uint()) end
    local selector = bytes(ctx, 3, 1)
    if selector and bytes(ctx, 4, 4) then add_filter(ctx.tree, ctx.tvb, ctx.p + 4, selector:uint(), selector) end
    return
  end
  per_channel(ctx, 8, function(tree, range)
    local tvb, at = ctx.tvb, range:offset()
    add_filter(tree:add(proto, tvb(at, 4), "High-pass"), tvb, at, 1, tvb(at, 4))
    add_filter(tree:add(proto, tvb(at + 4, 4), "Low-pass"), tvb, at + 4, 2, tvb(at + 4, 4))
  end)
end)

handle(DSP, 6, function(ctx)  -- equaliser band
  add_scene(ctx, 0)
  add(ctx, f.source, 1, 1)
  local ch = bytes(ctx, 2, 1)
  if ch then add_channel(ctx.tree, f.channel, ch, ch:uint()) end
  if ctx.op == OP_SET then
    local band = bytes(ctx, 3, 1)
    if band then
      ctx.tree:add(f.eq_band, band):append_text(string.format(" (band %d in the window)", band:uint() + 1))
    end
    add_band(ctx, ctx.tree, 4, false)
    return
  end
  local _, first = add(ctx, f.eq_first, 3, 1)
  local _, last = add(ctx, f.eq_last, 4, 1)
  if ctx.op ~= OP_UPDATE or not first or not last then return end
  for k = 0, last:uint() - first:uint() do
    local range = bytes(ctx, 5 + k * 6, 6)
    if not range then return end
    local number = first:uint() + k
    local item = ctx.tree:add(f.eq_band, range, number)
    item:set_generated()
    item:append_text(string.format(" (band %d in the window)", number + 1))
    add_band(ctx, item, 5 + k * 6, true)
  end
end)

handle(DSP, 7, function(ctx)  -- delay: whole ms, then thousandths (16 bits)
  per_channel(ctx, 3, function(tree, range)
    tree:add(f.delay, range, delay_ms(range(0, 1):uint(), range(1, 2):uint()))
  end)
end)

handle(DSP, 8, function(ctx)  -- output trim (the outputs' volume): 1 byte, or 2 with fine trim
  local width = value_width(ctx, 1, 2)
  per_channel(ctx, width, function(tree, range)
    local a = range(0, 1):uint()
    local value = signed8(a)
    if width == 2 then
      local b = range(1, 1):uint()
      value = ctx.op == OP_SET and fine_trim_sent(a, b) or fine_trim_reported(a, b)
    end
    tree:add(f.trim, range, value)
  end)
end)

handle(DSP, 9, byte_value(f.mute))
handle(DSP, 10, byte_value(f.phase))
handle(DSP, 13, byte_value(f.role))
handle(DSP, 18, byte_value(f.eq_bypass))

handle(DSP, 11, function(ctx)  -- routing: a mask of inputs per output, 1 byte or 2 (more than 8 inputs)
  per_channel(ctx, value_width(ctx, 1, 2), function(tree, range)
    tree:add(f.routing, range, range:uint()):append_text(mask_text(range:uint()))
  end)
end)

handle(DSP, 14, function(ctx)  -- channel link
  add_scene(ctx, 0)
  if ctx.op ~= OP_GET then add(ctx, f.link, 1, 1) end
end)
handle(DSP, 15, function(ctx)  -- channel lock
  add_scene(ctx, 0)
  if ctx.op ~= OP_GET then add(ctx, f.lock, 1, 1) end
end)

-- Queries whose payload is the channel head alone.
for _, id in ipairs({ 12, 16, 17, 32, 33, 34, 52, 55, 56, 62, 64, 65, 67 }) do
  handle(DSP, id, function(ctx) if ctx.op == OP_GET then channel_head(ctx) end end)
end

handle(FLASH, 8, function(ctx)  -- scene save
  add_scene(ctx, 0)
  if ctx.op == OP_SET then add(ctx, f.scene_now, 1, 1) end
end)
handle(FLASH, 9, function(ctx)  -- scene load
  add_scene(ctx, 0)
  add(ctx, f.scene_to, 1, 1)
end)
handle(FLASH, 10, function(ctx) add_scene(ctx, 0) end)  -- scene delete
handle(FLASH, 11, function(ctx)  -- scene name
  add_scene(ctx, 0)
  if ctx.op == OP_SET then
    local _, len = add(ctx, f.scene_data_len, 1, 1)
    local name = len and bytes(ctx, 2, len:uint())
    if name then ctx.tree:add(f.scene_name, name, name_text(name)) end
  elseif ctx.op == OP_UPDATE then
    local name = bytes(ctx, 1, 16)
    if name then ctx.tree:add(f.scene_name, name, name_text(name)) end
  end
end)
handle(FLASH, 12, function(ctx)  -- scene data block
  add_scene(ctx, 0)
  add(ctx, f.scene_start, 1, 2)
  local _, len = add(ctx, f.scene_data_len, 3, 1)
  if ctx.op == OP_SET and len and len:uint() > 0 then add(ctx, f.payload, 4, len:uint()) end
end)
handle(FLASH, 14, function(ctx) if ctx.op == OP_UPDATE then add_scene(ctx, 0) end end)
handle(FLASH, 15, function(ctx) if ctx.op == OP_UPDATE then add(ctx, f.scene_valid, 0, 2) end end)

handle(MCU, 8, function(ctx)  -- handshake
  if ctx.op ~= OP_UPDATE then return end
  local item, status = add(ctx, f.handshake, 0, 1)
  if item and status:uint() == UPGRADE_ONLY then item:append_text(" (the box sits in its loader)") end
  add(ctx, f.model, 1, 1)
  local versions = bytes(ctx, 2, 2)
  if versions then
    ctx.tree:add(f.firmware, versions, string.format("%d.%d", versions(0, 1):uint(), versions(1, 1):uint()))
  end
end)
handle(MCU, 31, function(ctx) add(ctx, f.connect, 0, 1) end)  -- PC_Connect

-- Acknowledgements carry a status byte and, for scenes, the scene.
local function acknowledgement(ctx)
  add(ctx, f.ack, 0, 1)
  if ctx.ptype == FLASH and (ctx.id == 8 or ctx.id == 10) and ctx.n >= 2 then add_scene(ctx, 1) end
end

-- ---------------------------------------------------------------------------------------
-- One frame, whole in `tvb` from `off`.

local function dissect_frame(tvb, off, tree, report_id)
  local len = tvb(off + 2, 1):uint()
  local total = len + 4
  local item = tree:add(proto, tvb(off - (report_id and 1 or 0), total + (report_id and 1 or 0)))
  if report_id then item:add(f.report_id, tvb(off - 1, 1)) end
  item:add(f.sync, tvb(off, 2))
  item:add(f.len, tvb(off + 2, 1))
  item:add(f.type, tvb(off + 3, 1))
  item:add(f.id, tvb(off + 4, 1))
  local ptype, id, op = tvb(off + 3, 1):uint(), tvb(off + 4, 1):uint(), tvb(off + 5, 1):uint()
  local name = command_name(ptype, id, op)
  local cmd = item:add(f.cmd, tvb(off + 4, 1), name or string.format("unknown (%d, %d)", ptype, id))
  if not name then cmd:add_proto_expert_info(e.unknown) end
  item:add(f.op, tvb(off + 5, 1))
  item:append_text(", " .. (name or "unknown command"))

  local ctx = { tvb = tvb, tree = item, p = off + 6, n = len - 3, op = op, ptype = ptype, id = id }
  local handler = handlers[ptype * 256 + id]
  if op == OP_ACK then
    acknowledgement(ctx)
  elseif handler then
    handler(ctx)
  elseif ctx.n > 0 then
    item:add(f.payload, tvb(ctx.p, ctx.n))
  end

  local sum = 0
  for i = off + 2, off + total - 2 do sum = sum + tvb(i, 1):uint() end
  local expected = (256 - sum % 256) % 256
  local got = tvb(off + total - 1, 1):uint()
  local check = item:add(f.checksum, tvb(off + total - 1, 1))
  if got == expected then
    check:append_text(" [correct]")
  else
    check:append_text(string.format(" [incorrect, should be 0x%02x]", expected))
    check:add_proto_expert_info(e.bad_checksum, string.format("Bad checksum: 0x%02x, should be 0x%02x", got, expected))
  end
  return name or "unknown", op
end

-- ---------------------------------------------------------------------------------------
-- Finding frames in a report. The plan of each report is made once, on the first pass,
-- and kept: a frame cut at the end of one report needs the next report of the same
-- direction, which only the first pass sees in order.

local known_types = { [1] = true, [2] = true, [3] = true, [7] = true }
local known_ops = { [OP_SET] = true, [OP_GET] = true, [OP_UPDATE] = true, [OP_ACK] = true }

-- Whether the bytes of a frame start that are present (`at(i)`, i from 0, `avail` of
-- them) can begin a frame of this link.
local function plausible(at, avail)
  if avail >= 1 and at(0) ~= SYNC1 then return false end
  if avail >= 2 and at(1) ~= SYNC2 then return false end
  if avail >= 3 and (at(2) < MIN_LEN or at(2) > MAX_LEN) then return false end
  if avail >= 4 and not known_types[at(3)] then return false end
  if avail >= 6 and not known_ops[at(5)] then return false end
  return true
end

local plans = {}    -- report number -> plan, or false when the report is not ours
local pending = {}  -- direction -> the start of a frame cut at the end of a report

function proto.init()
  plans = {}
  pending = {}
end

-- How many bytes of `ba` complete the frame begun in `prefix`, or nil when they do not.
local function completion(prefix, ba)
  local plen = prefix:len()
  local avail = plen + ba:len()
  local function at(i)
    if i < plen then return prefix:get_index(i) end
    return ba:get_index(i - plen)
  end
  if avail < 6 or not plausible(at, math.min(avail, 6)) then return nil end
  local need = at(2) + 4 - plen
  if need <= 0 or need > ba:len() then return nil end
  return need
end

local function find_sync(ba, from)
  for i = from, ba:len() - 1 do
    if ba:get_index(i) == SYNC1 and (i + 1 == ba:len() or ba:get_index(i + 1) == SYNC2) then return i end
  end
  return nil
end

local function make_plan(ba, key, number)
  local n = ba:len()
  local plan = { frames = {} }
  local pos = 0
  local prefix = pending[key]
  pending[key] = nil
  if prefix then
    local need = completion(prefix.bytes, ba)
    if need then
      plan.continuation = { from = prefix.number, bytes = prefix.bytes .. ba:subset(0, need), used = need }
      if plans[prefix.number] then plans[prefix.number].partial.continued_in = number end
      pos = need
    end
  end
  local scan = plan.continuation ~= nil
  if not scan then
    if n >= 3 and ba:get_index(0) == 0 and ba:get_index(1) == SYNC1 and ba:get_index(2) == SYNC2 then
      plan.report_id = true
      pos = 1
    elseif n == INPUT_REPORT and ba:get_index(0) == 0 then
      -- Zero padding before a frame that fills the end of the report and goes on in the
      -- next: how a reply that does not fit what is left of a report is sent.
      local z = 0
      while z < n and ba:get_index(z) == 0 do z = z + 1 end
      pos = z
    end
  end
  while pos < n do
    local at = pos
    if scan then
      at = find_sync(ba, pos)
      if not at then break end
    end
    local avail = n - at
    local function byte(i) return ba:get_index(at + i) end
    if not plausible(byte, math.min(avail, 6)) then break end
    if avail >= 3 and at + byte(2) + 4 <= n then
      plan.frames[#plan.frames + 1] = { offset = at }
      pos = at + byte(2) + 4
    elseif n ~= INPUT_REPORT then
      break
    else
      plan.partial = { offset = at }
      pending[key] = { bytes = ba:subset(at, n - at), number = number }
      break
    end
    scan = true
  end
  if #plan.frames == 0 and not plan.partial and not plan.continuation then return false end
  return plan
end

local function dissect_report(tvb, pinfo, tree)
  local n = tvb:len()
  if n < 1 then return 0 end
  local plan = plans[pinfo.number]
  if plan == nil then
    if pinfo.visited then return 0 end
    plan = make_plan(tvb:bytes(), tostring(pinfo.src) .. ">" .. tostring(pinfo.dst), pinfo.number)
    plans[pinfo.number] = plan
  end
  if not plan then return 0 end

  pinfo.cols.protocol = "Quorelbox"
  local names = {}
  local function note(name, op)
    names[#names + 1] = op == OP_ACK and name .. " ack" or name
  end
  if plan.continuation then
    local c = plan.continuation
    local whole = c.bytes:tvb("Reassembled frame")
    local rest = tree:add(proto, tvb(0, c.used), "Rest of a frame begun in an earlier report")
    rest:add(f.continued_from, tvb(0, c.used), c.from)
    rest:add_proto_expert_info(e.split)
    note(dissect_frame(whole, 0, tree, false))
  end
  for i, frame in ipairs(plan.frames) do
    note(dissect_frame(tvb, frame.offset, tree, plan.report_id and i == 1))
  end
  if plan.partial then
    local at = plan.partial.offset
    local item = tree:add(proto, tvb(at, n - at), "Frame continued in the next report")
    if plan.partial.continued_in then
      item:add(f.continued_in, tvb(at, n - at), plan.partial.continued_in)
      item:add_proto_expert_info(e.split)
    elseif pinfo.visited then
      item:add_proto_expert_info(e.unfinished)
    else
      item:add_proto_expert_info(e.split)
    end
    -- Name what the present bytes tell, so every report of a split frame is named.
    if n - at >= 6 then
      local ptype, id, op = tvb(at + 3, 1):uint(), tvb(at + 4, 1):uint(), tvb(at + 5, 1):uint()
      item:add(f.type, tvb(at + 3, 1))
      local name = command_name(ptype, id, op) or string.format("unknown (%d, %d)", ptype, id)
      item:add(f.cmd, tvb(at + 4, 1), name)
      item:add(f.op, tvb(at + 5, 1))
      note(name .. " (begins)", op)
    else
      note("frame begins")
    end
  end
  pinfo.cols.info = table.concat(names, ", ")
  return n
end

local function heuristic(tvb, pinfo, tree)
  return dissect_report(tvb, pinfo, tree) > 0
end

proto.dissector = dissect_report
-- Found by content on any interrupt transfer (a capture that began after the box was
-- plugged in knows no ids) and by the box's ids when the capture saw it enumerate.
proto:register_heuristic("usb.interrupt", heuristic)
DissectorTable.get("usb.product"):add(0x04835750, proto)
