#!/usr/bin/env bash
# The built program under a private X server, used as a person uses it: Alt+A, the
# download's path into the file dialog, Enter, Alt+C, Alt+G, a new report path, Enter;
# then a cancelled Open (Escape) and a second Save; then a Save into the open download itself,
# which the failure box refuses; Alt+F4 closes the window. Then `PROGRAM DOWNLOAD` opens the
# download at start-up with no dialog: Alt+C, Alt+G with a report path. (Return on a focused
# button and the order Tab follows, the window's own test checks.) Every report must equal the
# golden report byte for byte, and the download must be unchanged. The window's class is
# the one the desktop entry names, so the desktop matches the window to its entry. A screen
# reader (AT-SPI) reads the entry list as a text box with the report's entries, hears the
# caret move when Down is pressed in it, and after a Conversion hears the new list and the
# counts (see screen_reader.py).
#   window_e2e.sh PROGRAM DOWNLOAD GOLDEN_REPORT DESKTOP_ENTRY VERSION DESIGN_SIZE (WxH)
# Without Xvfb, xdotool or xprop it skips (exit 77), except in CI, where it fails.
set -euo pipefail
PROGRAM="$1"
DOWNLOAD="$2"
GOLDEN="$3"
WM_CLASS="$(sed -n 's/^StartupWMClass=//p' "$4")"
# The main window's title, as a pattern for xdotool: "Tarvex " and the version, dots quoted.
TITLE="^Tarvex ${5//./\\.}\$"
DESIGN_SIZE="$6"

for tool in Xvfb xdotool xprop dbus-launch /usr/libexec/at-spi-bus-launcher; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    if [ -n "${CI:-}" ]; then echo "FAIL: $tool is not installed"; exit 1; fi
    echo "SKIP: $tool is not installed"; exit 77
  fi
done

# A sanitizer build reports leaks at exit; those of system libraries are not ours.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
READER="/usr/bin/python3 $(dirname "$0")/screen_reader.py"

WORK="$(mktemp -d)"
APP_PID=""
# Ends what this script started (each by its own process id), and removes its files.
cleanup() {
  # shellcheck disable=SC2086  # each an id or nothing
  kill $APP_PID ${XVFB_PID:-} ${BUS_PID:-} ${DBUS_SESSION_BUS_PID:-} 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

# Runs "$@" every tenth of a second until it succeeds, for ten seconds at most.
within() { for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done; return 1; }
shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
hidden() { ! shown "$1"; }
# Whether the windows titled as the main window number $1 $2 ("-ge 2": the failure box too).
main_titled() { test "$(xdotool search --onlyvisible --name "$TITLE" | wc -l)" "$1" "$2"; }
running() { kill -0 "$APP_PID" 2>/dev/null; }

# A display of our own: Xvfb picks a free number and writes it to fd 3. It must not reset
# when the first program closes: the second would find no server to connect to.
Xvfb -displayfd 3 -screen 0 800x700x24 -nolisten tcp -noreset 3>"$WORK/display" 2>"$WORK/xvfb.log" &
XVFB_PID=$!
within test -s "$WORK/display" || { echo "FAIL: Xvfb did not start"; cat "$WORK/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$WORK/display")"

# A session bus of our own with the accessibility bus, as a desktop has them.
eval "$(dbus-launch --sh-syntax)"
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$WORK/atspi.log" 2>&1 &
BUS_PID=$!
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# What was on the screen when a step failed: the step, the window with the keyboard, every
# visible window, what a screen reader finds in them, and what the program printed.
STEP="start"
fail() {
  [ -n "${SHOT:-}" ] && import -window root "$SHOT"
  echo "FAIL ($STEP): $*"
  echo "keyboard: $(xdotool getwindowfocus getwindowname 2>/dev/null || echo none)"
  for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    echo "visible: $w '$(xdotool getwindowname "$w" 2>/dev/null)'"
  done
  [ -s "$WORK/program.log" ] && sed 's/^/program: /' "$WORK/program.log"
  exit 1
}

wait_window() { within shown "$1" || fail "window '$1' did not appear"; }
wait_gone() { within hidden "$1" || fail "window '$1' did not close"; }

# A copy, so that a fault cannot change the reference download.
cp "$DOWNLOAD" "$WORK/download.vlm"
DOWNLOAD="$WORK/download.vlm"

# Presses an access key that opens a dialog titled $2. Under a heavy load a key can reach the
# window before it has the keyboard back from the last dialog: then it is pressed once more,
# after a click hands the keyboard over.
dialog_key() {
  xdotool key "$1"
  for _ in $(seq 50); do shown "$2" && return 0; sleep 0.1; done
  xdotool mousemove --window "$MAIN" 3 300 click 1
  sleep 0.3
  xdotool key "$1"
  wait_window "$2"
}

# Starts the program with arguments $@ and hands its window the keyboard.
start_program() {
  LC_ALL=C "$PROGRAM" "$@" >"$WORK/program.log" 2>&1 &
  APP_PID=$!
  wait_window "$TITLE"
  MAIN="$(xdotool search --onlyvisible --name "$TITLE" | head -n1)"
  sleep 0.5
  # No window manager here: a click (on the margin, where no control takes the focus) hands
  # the window the keyboard.
  xdotool mousemove --window "$MAIN" 3 300 click 1
  sleep 0.3
}

# Puts path $2 into the name box of the file dialog titled $1 as a screen reader does
# (typed key by key, the box's completions can take the Return meant for the dialog), then
# Return accepts it.
choose_file() {
  $READER choose "$1" "$2" || fail "the name box of '$1' did not take '$2'"
  xdotool key Return
  wait_gone "$1"
  sleep 0.3
}

# Alt+G, then the report's path $1 into the Save dialog.
save_as() {
  dialog_key alt+g '^Guardar como$'
  choose_file '^Guardar como$' "$1"
}

close_program() {
  xdotool key alt+F4
  within eval '! running' || fail "the window did not close"
  wait "$APP_PID" || fail "the program exited with status $?"
  APP_PID=""
}

STEP="first start"
start_program
size="$(xdotool getwindowgeometry "$MAIN" | sed -n 's/ *Geometry: //p')"
[ "$size" = "$DESIGN_SIZE" ] || fail "the window opens at $size, not at its design size $DESIGN_SIZE"
class="$(xprop -id "$MAIN" WM_CLASS | sed -n 's/.*, "\(.*\)"$/\1/p')"
[ "$class" = "$WM_CLASS" ] ||
  fail "the window's class is '$class', not '$WM_CLASS' as the desktop entry's StartupWMClass"

STEP="open the download"
dialog_key alt+a '^Abrir$'
choose_file '^Abrir$' "$DOWNLOAD"
xdotool key alt+c
sleep 0.5
STEP="save a report"
save_as "$WORK/report.txt"

# A cancelled Open changes nothing: the same report saves again.
STEP="cancelled open"
dialog_key alt+a '^Abrir$'
xdotool key Escape
wait_gone '^Abrir$'
sleep 0.3
STEP="save after a cancelled open"
save_as "$WORK/again.txt"

# A report into the open download: the failure box (a second window of the main window's
# title), then Return closes it.
STEP="save into the open download"
save_as "$DOWNLOAD"
within main_titled -ge 2 || fail "no failure box for a report into the open download"
xdotool key Return
within main_titled -eq 1
sleep 0.3
close_program

# The download named on the command line opens at start-up, without the Open dialog.
STEP="start with a download"
start_program "$DOWNLOAD"
xdotool key alt+c
sleep 0.5
STEP="save at start-up"
save_as "$WORK/started.txt"
STEP="screen reader"
sed -n '/^ENTRADAS\r$/,/^\r$/p' "$GOLDEN" | sed '1d;$d' | tr -d '\r' >"$WORK/entries.txt"
counts="$(sed -n 's/^ENTRADAS=\(.*\) SALIDAS=\(.*\) TOTAL=\(.*\)\r$/ENTRADAS: \1, SALIDAS: \2, TOTAL: \3/p' "$GOLDEN")"
$READER read "$WORK/entries.txt" "$counts" || fail "a screen reader does not read the entry list"
close_program

# The first report, the one after a cancelled Open and the one of a download opened at start-up.
for report in report again started; do
  cmp "$GOLDEN" "$WORK/$report.txt" || fail "the report $report.txt differs from $GOLDEN"
done
cmp "$2" "$DOWNLOAD" || fail "the open download was changed by a Save"
echo "PASS: report equals $(basename "$GOLDEN"); a cancelled Open changed nothing;" \
  "a report into the open download was refused; a download given at start-up gave the same" \
  "report; a screen reader read the entry list, and heard the new list and counts after a" \
  "Conversion"
