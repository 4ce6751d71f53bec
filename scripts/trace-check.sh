#!/usr/bin/env bash
# Checks the trace and its dissector end to end: scripts/trace-check.sh [BUILD_DIR]
# A quorelbox-cli session against the virtual box sets known values with --trace, tshark
# (Debian's package, installed here when missing) decodes the trace with
# tools/wireshark/quorelbox.lua, and every report must be named and every decoded value
# must be the one sent. The captures in tools/wireshark/testdata, made as Linux usbmon and
# Windows USBPcap record another program talking to a box, must decode the same way.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
dissector=tools/wireshark/quorelbox.lua
testdata=tools/wireshark/testdata

if ! command -v tshark >/dev/null; then
  if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
  echo "trace-check: installing tshark"
  # tshark asks whether users outside the wireshark group may capture; the default (no)
  # is what a build machine wants.
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends tshark >/dev/null
fi

if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$dir" --target quorelbox-cli --parallel "$(nproc)" >/dev/null
cli=$dir/tools/cli/quorelbox-cli

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Each capture is decoded once into a table: a line per frame, a tab between fields, commas
# between the values of a field that occurs more than once (several channels or bands,
# two frames in one report).
columns=(frame.number usb.data_len _ws.expert.message quorelbox.cmd quorelbox.op quorelbox.source
         quorelbox.channel quorelbox.eq.band quorelbox.eq.first quorelbox.eq.last quorelbox.eq.freq
         quorelbox.eq.q quorelbox.eq.gain quorelbox.xover.sel quorelbox.xover.family quorelbox.xover.freq
         quorelbox.xover.slope quorelbox.trim quorelbox.mute quorelbox.phase quorelbox.delay
         quorelbox.routing quorelbox.volume quorelbox.scene quorelbox.scene.name quorelbox.switch_code
         quorelbox.continued_from)
decode() {
  local args=()
  for column in "${columns[@]}"; do args+=(-e "$column"); done
  tshark -X "lua_script:$dissector" -r "$1" -T fields -E header=y "${args[@]}" 2>/dev/null >"$2"
}

# rows TABLE CONDITION FIELD... : the FIELDs (short names: cmd for quorelbox.cmd) of the
# frames where the awk CONDITION holds; v("cmd") is a field's text, n("eq.first") its
# number. One line per frame, fields separated by spaces.
rows() {
  local table=$1 condition=$2
  shift 2
  awk -F'\t' -v wanted="$*" '
    function v(name) { return $(col[name]) }
    function n(name) { return v(name) + 0 }
    NR == 1 {
      for (i = 1; i <= NF; ++i) { name = $i; sub(/^quorelbox\./, "", name); col[name] = i }
      count = split(wanted, want, " ")
      next
    }
    '"$condition"' {
      line = ""
      for (k = 1; k <= count; ++k) line = line (k > 1 ? " " : "") v(want[k])
      print line
    }' "$table"
}

# expect WHAT EXPECTED DECODED
expect() {
  if [ "$2" == "$3" ]; then
    echo "  ok    $1: $3"
  else
    echo "  FAIL  $1: expected '$2', decoded '$3'"
    failures=$((failures + 1))
  fi
}

# Every report that carries data is named, none as unknown.
every_report_named() {
  local table=$1 name=$2
  local all named
  all=$(rows "$table" 'n("usb.data_len") > 0' frame.number | wc -l)
  named=$(rows "$table" 'n("usb.data_len") > 0 && v("cmd") != "" && v("cmd") !~ /unknown/' frame.number | wc -l)
  expect "reports named in $name" "$all" "$named"
  [ "$all" -gt 0 ] || { echo "  FAIL  $name holds no report"; failures=$((failures + 1)); }
}

# --- a session of this program ---------------------------------------------------------
trace=$work/session.pcap
state=$work/box.json
run() { "$cli" --simulate-state "$state" --trace "$trace" "$@" >/dev/null; }
echo "trace-check: a quorelbox-cli session against the virtual box"
started=$SECONDS
run status
run set band 2 5 freq 1000 q 2.5 gain -3.5
run set crossover 3 hp freq 80 slope 4 type butterworth
run set output 4 volume -12
run set output 5 mute on
run set output 6 phase inverted
run set output 7 delay 2.345
run set output 1 input 1 off
run set output 1 input 3 on
run set main volume 20
run scene save 3 Test
run get
run set source coax
echo "  $(tshark -r "$trace" 2>/dev/null | wc -l) reports in $((SECONDS - started))s"

table=$work/session.txt
decode "$trace" "$table"
every_report_named "$table" session.pcap
last() { rows "$table" "v(\"cmd\") == \"$1\"" "${@:2}" | tail -n 1; }
# Outputs and bands count from 1 on the command line and from 0 on the wire.
expect "EQ_Ctrl channel band freq Q gain" "1 4 1000 2.5 -3.5" "$(last EQ_Ctrl channel eq.band eq.freq eq.q eq.gain)"
expect "Filter_Ctrl channel selector family freq slope" "2 1 1 80 4" \
  "$(last Filter_Ctrl channel xover.sel xover.family xover.freq xover.slope)"
# The box takes an output's volume as an attenuation: -12 dB goes out as a trim of 12.
expect "Trim_Ctrl channel trim" "3 12" "$(last Trim_Ctrl channel trim)"
expect "Mute_Ch_Ctrl channel mute" "4 1" "$(last Mute_Ch_Ctrl channel mute)"
expect "Phase_Ctrl channel phase" "5 1" "$(last Phase_Ctrl channel phase)"
expect "Delay_Ctrl channel delay" "6 2.345" "$(last Delay_Ctrl channel delay)"
expect "Mix_Ch_Ctrl source channel inputs" "5 0 0x0004" "$(last Mix_Ch_Ctrl source channel routing)"
# Main volume position 20 of 40 is an attenuation of 12 on the wire.
expect "Main_Volume_Ctrl volume" "12" "$(last Main_Volume_Ctrl volume)"
expect "SaveScene scene" "3" "$(last SaveScene scene)"
expect "SetSceneName scene name" "3 Test" "$(last SetSceneName scene scene.name)"
expect "Source_Switch_Ctrl code" "0x52" "$(last Source_Switch_Ctrl switch_code)"
# The box's answers to 'get': band 5 of output 2 (the box reports Q in hundredths) and the
# delay of output 7.
band=$(rows "$table" 'v("cmd") == "DSP_EQ_CH" && v("op") == "0xdd" && v("channel") == "1" && n("eq.first") <= 4 && n("eq.last") >= 4' \
  eq.first eq.freq eq.q eq.gain | tail -n 1 |
  awk '{ k = 4 - $1 + 1; split($2, f, ","); split($3, q, ","); split($4, g, ","); print f[k], q[k], g[k] }')
expect "DSP_EQ_CH band 4 of channel 1 read back" "1000 2.5 -3.5" "$band"
delay=$(rows "$table" 'v("cmd") == "DSP_DELAY_CH" && v("op") == "0xdd"' channel delay | tail -n 1 |
  awk '{ n = split($1, c, ","); split($2, d, ","); for (i = 1; i <= n; ++i) if (c[i] == 6) print d[i] }')
expect "DSP_DELAY_CH channel 6 read back" "2.345" "$delay"

# --- captures of another program ---------------------------------------------------------
for capture in "$testdata/usbmon_other_program.pcap" "$testdata/usbpcap_windows.pcap"; do
  name=$(basename "$capture")
  echo "trace-check: $name"
  table=$work/$name.txt
  decode "$capture" "$table"
  every_report_named "$table" "$name"
  at() { rows "$table" "v(\"cmd\") == \"$1\"" "${@:2}" | head -n 1; }
  expect "EQ_Ctrl channel band freq Q gain" "1 4 1000 2.5 -3.5" "$(at EQ_Ctrl channel eq.band eq.freq eq.q eq.gain)"
  expect "Filter_Ctrl channel selector family freq slope" "2 2 1 80 4" \
    "$(at Filter_Ctrl channel xover.sel xover.family xover.freq xover.slope)"
  expect "Trim_Ctrl Mute_Ch_Ctrl Phase_Ctrl Delay_Ctrl" "3 12 4 1 5 1 6 2.345" \
    "$(at Trim_Ctrl channel trim) $(at Mute_Ch_Ctrl channel mute) $(at Phase_Ctrl channel phase) $(at Delay_Ctrl channel delay)"
  expect "Mix_Ch_Ctrl source channel inputs" "5 0 0x0005" "$(at Mix_Ch_Ctrl source channel routing)"
  expect "SetSceneName and the name read back" "Home Home" "$(at SetSceneName scene.name) $(at FLASH_SCENE_NAME scene.name)"
  expect "DSP_EQ_CH bands reported (Q in hundredths)" "4,5 2.5,2.5 -3.5,-3.5" \
    "$(rows "$table" 'v("cmd") == "DSP_EQ_CH" && v("op") == "0xdd"' eq.band eq.q eq.gain)"
  expect "frame split over two reports, put together" "0,1,2,3 80,20000,80,20000,80,20000,80,20000" \
    "$(rows "$table" 'v("continued_from") != ""' channel xover.freq)"
  expect "two frames in one report" "DSP_MUTE_CH,DSP_PHASE_CH" "$(rows "$table" 'v("cmd") ~ /DSP_PHASE_CH/' cmd)"
  expect "bad checksum flagged" "DSP_VOLUME" "$(rows "$table" 'v("_ws.expert.message") ~ /Bad checksum/' cmd)"
done

if [ "$failures" -gt 0 ]; then
  echo "trace-check: $failures check(s) failed" >&2
  exit 1
fi
echo "trace-check: every report named, every value as sent"
