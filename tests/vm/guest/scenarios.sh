# The real-driver scenarios, sourced by /init for the group lists and set-up, and run as
# "sh scenarios.sh NAME" for one scenario, which prints "VM-LOG NAME ..." lines with what it saw
# and then "VM-RESULT NAME PASS|FAIL detail".
B=/opt/vm/bin
S=/opt/vm/scripts
M=/opt/vm/modules
CFG=/sys/kernel/config/usb_gadget
SCENARIO_TIMEOUT=45

# Guest uptime in ms (/proc/uptime has two decimals).
ms() {
  read -r up _ </proc/uptime
  echo $((${up%.*} * 1000 + 1${up#*.} * 10 - 1000))
}

group_scenarios() {
  case $1 in
    # Several identical devices need orvane-flash --all.
    uhid) echo uhid-full uhid-restarts "$($B/orvane-flash --help | grep -q -- --all && echo uhid-all)" ;;
    uhid-faults) echo uhid-leaves uhid-never-back ;;
    hidg) echo hidg-full hidg-leaves ;;
    acm) echo acm-full acm-line-settings acm-vanish ;;
    uart) echo uart-full uart-line-settings uart-baud-refused ;;
    uart-baud) echo uart-baud ;;
  esac
}

load() { for m in "$@"; do insmod "$M/$m.ko" $MODARGS || return 1; MODARGS=; done; }

setup_uhid() { load hid hid-generic uhid; }
setup_uhid_faults() { setup_uhid; }

# Two controllers on dummy_hcd: the ACM gadget on the first, the HID gadget on the second.
mk_gadget() { # name product-id
  local g=$CFG/$1
  mkdir "$g" || return 1
  echo 0x0ACD >"$g/idVendor"
  echo "$2" >"$g/idProduct"
  echo 0x0100 >"$g/bcdDevice"
  mkdir "$g/strings/0x409" "$g/configs/c.1"
  echo "SIM-$1" >"$g/strings/0x409/serialnumber"
  echo Orvane >"$g/strings/0x409/manufacturer"
  echo "Orvane (simulated)" >"$g/strings/0x409/product"
}
setup_gadget() {
  load hid hid-generic usb-common usbcore udc-core || return 1
  MODARGS=num=2 load dummy_hcd || return 1
  load configfs libcomposite u_serial usb_f_acm cdc-acm usbhid usb_f_hid || return 1
  mount -t configfs none /sys/kernel/config || return 1
  mk_gadget ser 0x3711 || return 1
  mkdir $CFG/ser/functions/acm.0 && ln -s $CFG/ser/functions/acm.0 $CFG/ser/configs/c.1/
  echo dummy_udc.0 >$CFG/ser/UDC || return 1
  mk_gadget hid 0x3710 || return 1
  local f=$CFG/hid/functions/hid.usb0
  mkdir $f && echo 0 >$f/protocol && echo 0 >$f/subclass && echo 64 >$f/report_length
  $B/orvane-sim --print-report-descriptor >$f/report_desc || return 1
  ln -s $f $CFG/hid/configs/c.1/
  local t0
  t0=$(ms)
  echo dummy_udc.1 >$CFG/hid/UDC || return 1
  NAME=setup wait_hidraw || return 1
  echo "VM-LOG setup HID gadget bound to hidraw node in $(($(ms) - t0)) ms"
  wait_for /dev/ttyACM0 && wait_for /dev/hidg0
}
setup_hidg() { setup_gadget; }
setup_acm() { setup_gadget; }
setup_uart() { [ -e /dev/ttyS1 ]; }
setup_uart_baud() { setup_uart; }

wait_for() { # path [tries of 10 ms]
  local i=0
  while [ ! -e "$1" ] && [ $i -lt "${2:-500}" ]; do sleep 0.01; i=$((i + 1)); done
  [ -e "$1" ]
}

# ---- one scenario ----
W=/tmp/w
FAILS=""
fail() { FAILS="$FAILS${FAILS:+; }$*"; }

start_sim() { # orvane-sim arguments; waits until it reports where it serves
  rm -f $W/sim.out
  $B/orvane-sim --sim-version V1.03 "$@" >$W/sim.out 2>$W/sim.log &
  SIM=$!
  echo $SIM >>/tmp/pids
  local i=0
  while [ ! -s $W/sim.out ] && [ $i -lt 300 ]; do sleep 0.01; i=$((i + 1)); done
  [ -s $W/sim.out ] || fail "orvane-sim did not start: $(cat $W/sim.log)"
}
stop_sim() { kill "$SIM" 2>/dev/null; wait "$SIM" 2>/dev/null; }

# The hidraw node of a device with our ids, once hid-generic has bound it.
wait_hidraw() { # count
  local i=0 t0
  t0=$(ms)
  while [ "$(grep -l 'HID_ID=0003:00000ACD:00003710' /sys/class/hidraw/*/device/uevent 2>/dev/null |
    wc -l)" -lt "${1:-1}" ] && [ $i -lt 300 ]; do sleep 0.01; i=$((i + 1)); done
  if [ $i -ge 300 ]; then
    fail "no hidraw node for the device"
    return 1
  fi
  echo "VM-LOG $NAME hidraw node(s) after $(($(ms) - t0)) ms"
}

# Runs orvane-flash; each line of its output is stamped with the guest uptime in ms.
run_flash() {
  T_FLASH=$(ms)
  { $B/orvane-flash "$@" 2>$W/flash.err; echo $? >$W/flash.rc; } |
    while IFS= read -r line; do echo "$(ms) $line"; done >$W/flash.out
  RC=$(cat $W/flash.rc)
}
expect_rc() { [ "$RC" = "$1" ] || fail "exit status $RC, expected $1"; }
expect_lines() { # the expected lines, one argument each
  printf '%s\n' "$@" >$W/lines.expected
  cut -d' ' -f2- $W/flash.out >$W/lines
  diff $W/lines.expected $W/lines >$W/lines.diff || fail "log lines differ"
}
stamp_of() { grep -m1 " $1\$" $W/flash.out | cut -d' ' -f1; }
expect_received() { # expectation [script frames]
  $B/vm_tool check $S/$1.expect $W/sim.log $2 >$W/received.check || fail "$(cat $W/received.check)"
}
expect_events() { # event count
  local n
  n=$(grep -c "  $1\$" $W/sim.log)
  [ "$n" = "$2" ] || fail "'$1' $n times, expected $2"
}

USB_FULL_LINES='Open USB interface success.
Enter bootloader mode success!
Start bootloader.
BL Version:V1.03
Start send bootloader command.
Loading firmware ... Package 1
Loading firmware ... Package 2
Loading firmware ... Package 3
Loading firmware ... Package 4
Firmware Successfully Downloaded.'
# The device gone for good at script frame 5.
USB_LEFT_LINES='Open USB interface success.
Enter bootloader mode success!
Start bootloader.
BL Version:V1.03
Start send bootloader command.
Loading firmware ... Package 1
Send command fail.'
RS232_LINES='Start bootloader.
Start send bootloader command.
Loading firmware ... Package 1
Loading firmware ... Package 2
Loading firmware ... Package 3
Loading firmware ... Package 4
Firmware Successfully Downloaded.'

lines_of() {
  local IFS='
'
  set -f
  # shellcheck disable=SC2086 # split on line ends on purpose
  expect_lines $1
}

s_uhid_full() {
  start_sim --uhid && wait_hidraw
  run_flash --usb $S/usb-full.txt
  stop_sim
  expect_rc 0
  lines_of "$USB_FULL_LINES"
  expect_received usb-full
  # Frame 1 and the finishing 0xC7/0x16 restart the device: two removals, two new devices.
  expect_events "uhid: device created" 3
}

s_uhid_restarts() {
  start_sim --uhid --sim-restart 40 && wait_hidraw
  run_flash --usb $S/usb-restarts.txt
  stop_sim
  expect_rc 0
  lines_of "$USB_FULL_LINES"
  expect_received usb-restarts
  expect_events "uhid: device created" 4
  # 0xC7/0x15 and 0xC7/0x16 are answered on the new device; frame 1's reply gives way to the poll.
  expect_events "uhid: restart reply sent on the new device" 2
}

s_uhid_all() {
  local i pid pids=""
  for i in 1 2 3; do
    $B/orvane-sim --sim-version V1.03 --uhid >$W/sim$i.out 2>$W/sim$i.log &
    pid=$!
    echo $pid >>/tmp/pids
    pids="$pids $pid"
  done
  wait_hidraw 3
  run_flash --usb --all $S/usb-full.txt
  for pid in $pids; do kill "$pid"; wait "$pid"; done
  expect_rc 0
  # Every device's outcome line (the layout of the summary is --all's own).
  local ok
  ok=$(grep -c 'Firmware Successfully Downloaded\.' $W/flash.out)
  [ "$ok" -ge 3 ] || fail "$ok lines of 3 devices report a download"
  grep -q 'Send command fail\.' $W/flash.out && fail "a device reports a failed download"
  # Each device restarts twice and comes back as a new hidraw node; each must have been played
  # the whole script, once.
  for i in 1 2 3; do
    $B/vm_tool check $S/usb-full.expect $W/sim$i.log >$W/received$i.check ||
      fail "device $i: $(cat $W/received$i.check)"
    grep -v ' bytes ' $W/sim$i.log | sed "s/^/VM-LOG $NAME sim$i.log: /"
  done
}

s_uhid_leaves() {
  start_sim --uhid --sim-hang-up 5 && wait_hidraw
  run_flash --usb $S/usb-full.txt
  stop_sim
  expect_rc 1
  lines_of "$USB_LEFT_LINES"
  expect_received usb-full 5
  expect_events "uhid: device created" 2
}

s_uhid_never_back() {
  start_sim --uhid --sim-hang-up 1 && wait_hidraw
  run_flash --usb $S/usb-full.txt
  stop_sim
  expect_rc 1
  lines_of 'Open USB interface success.
Enter bootloader mode success!
Send command fail.'
  expect_received usb-full 1
  # The poll gives up once 6 whole seconds have passed; frame 2 (an erase) then costs 500 + 200
  # + 2000 ms and ten 200 ms pauses between reads that fail at once.
  local took=$(($(stamp_of 'Send command fail.') - $(stamp_of 'Enter bootloader mode success!')))
  echo "VM-LOG $NAME poll and frame 2 took $took ms"
  [ "$took" -ge 10600 ] && [ "$took" -le 12500 ] || fail "poll and frame 2 took $took ms"
}

s_hidg_full() {
  start_sim --hidg /dev/hidg0 --udc $CFG/hid/UDC && wait_hidraw
  run_flash --usb $S/usb-full.txt
  stop_sim
  expect_rc 0
  lines_of "$USB_FULL_LINES"
  expect_received usb-full
  expect_events "hidg: gadget bound" 2
}

s_hidg_leaves() {
  start_sim --hidg /dev/hidg0 --udc $CFG/hid/UDC --sim-hang-up 5 && wait_hidraw
  run_flash --usb $S/usb-full.txt
  stop_sim
  expect_rc 1
  lines_of "$USB_LEFT_LINES"
  expect_received usb-full 5
  grep -q 'HID_ID=0003:00000ACD:00003710' /sys/class/hidraw/*/device/uevent 2>/dev/null &&
    fail "a hidraw node is left after the unbind"
}

s_acm_full() {
  start_sim --attach /dev/ttyGS0
  run_flash --port /dev/ttyACM0 $S/rs232-full.txt
  stop_sim
  expect_rc 0
  lines_of "Open RS232 interface success.
$RS232_LINES"
  expect_received rs232-full
}

s_acm_line_settings() {
  $B/vm_tool line-settings /dev/ttyACM0 >$W/line.out
  RC=$?
  sed "s/^/VM-LOG $NAME /" $W/line.out
  expect_rc 0
}

s_acm_vanish() {
  start_sim --attach /dev/ttyGS0 --udc $CFG/ser/UDC --sim-hang-up 4
  run_flash --port /dev/ttyACM0 $S/rs232-full.txt
  stop_sim
  expect_rc 1
  lines_of 'Open RS232 interface success.
Start bootloader.
Start send bootloader command.
Send command fail.'
  expect_received rs232-full 4
  [ ! -e /dev/ttyACM0 ] || fail "/dev/ttyACM0 still there after the unbind"
}

s_uart_full() {
  run_flash --port /dev/ttyS1 $S/rs232-full.txt
  expect_rc 0
  lines_of "Open RS232 interface success.
$RS232_LINES"
  echo "VM-HOST-CHECK uart-full rs232-full"
}

s_uart_line_settings() {
  $B/vm_tool line-settings /dev/ttyS1 >$W/line.out
  RC=$?
  sed "s/^/VM-LOG $NAME /" $W/line.out
  expect_rc 0
}

s_uart_baud_refused() {
  # Above the UART's 115200 the driver keeps its old rate, which the link must not take for 250000.
  $B/vm_tool baud /dev/ttyS1 250000 >$W/line.out
  RC=$?
  sed "s/^/VM-LOG $NAME /" $W/line.out
  expect_rc 3
  run_flash --port /dev/ttyS1 --baud 250000 $S/rs232-short.txt
  expect_rc 2
  lines_of 'Open RS232 interface fail.'
}

s_uart_baud() {
  # 28800 is no standard rate, but the UART's divisor (115200 / 4) makes it exactly.
  $B/vm_tool baud /dev/ttyS1 28800 >$W/line.out
  RC=$?
  sed "s/^/VM-LOG $NAME /" $W/line.out
  expect_rc 0
  run_flash --port /dev/ttyS1 --baud 28800 $S/rs232-short.txt
  expect_rc 0
  lines_of 'Open RS232 interface success.
Start bootloader.
Start send bootloader command.
Loading firmware ... Package 1
Firmware Successfully Downloaded.'
  echo "VM-HOST-CHECK uart-baud rs232-short"
}

if [ -n "${1:-}" ]; then
  NAME=$1
  name=$1
  rm -rf $W
  mkdir -p $W
  t0=$(ms)
  s_$(echo "$name" | tr - _)
  took=$(($(ms) - t0))
  # The console keeps what each scenario saw; the host shows it when the scenario failed.
  for f in flash.out flash.err lines.diff received.check sim.log; do
    [ -s $W/$f ] && grep -v ' bytes ' $W/$f | sed "s/^/VM-LOG $name $f: /" | tail -40
  done
  if [ -z "$FAILS" ]; then
    echo "VM-RESULT $name PASS ${took} ms"
  else
    echo "VM-RESULT $name FAIL $FAILS"
  fi
fi
