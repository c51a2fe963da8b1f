#!/usr/bin/env bash
# save_flow_e2e.sh CARDLING_EXE [WORK_DIR]
#
# Saves personalised copies through the real program, driven with xdotool as
# a user would: the show is cut short with a right click, Ctrl+M on the card
# opens the message entry, and the save-file dialog gets a name.
#   1. A new file: the program closes and the copy greets with both lines.
#   2. The running executable itself: it is replaced once the program has
#      ended, and no temporary file is left.
#   3. The same, but the copy process is killed as soon as it starts: the
#      executable stays as it was; killed once the program has ended, the
#      executable is whole, old or new.
#   4. Cancelling the message, an empty message and cancelling the save-file
#      dialog leave the card open and write nothing.
#   5. The running executable under its short 8.3 name can't be written while
#      it runs: "Error" is shown, the program ends, the executable is kept.
# Runs inside scripts/wine-rig (DISPLAY and WINEPREFIX set).
set -uo pipefail

[ $# -ge 1 ] || { echo "usage: save_flow_e2e.sh CARDLING_EXE [WORK_DIR]" >&2; exit 2; }
source_exe=$1
work=${2:-$(mktemp -d)}
python=/usr/bin/python3
message_typed=("Greetings from" "the two of us")
message_stored=$'Greetings from\r\nthe two of us'
failures=0
started_pids=()

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

cleanup() {
  for pid in "${started_pids[@]}"; do
    kill "$pid" 2>/dev/null
  done
}
trap cleanup EXIT

# Z:\ path of a Unix path, as the program's own dialogs show it.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Prints the program's greeting (MSGTEXT 101) as stored in an executable.
greeting_of() {
  "$python" - "$1" <<'EOF'
import sys, pefile
pe = pefile.PE(sys.argv[1], fast_load=True)
pe.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
    if str(kind.name) != "MSGTEXT":
        continue
    for name in kind.directory.entries:
        if name.id == 101:
            entry = name.directory.entries[0].data.struct
            sys.stdout.buffer.write(pe.get_data(entry.OffsetToData, entry.Size))
EOF
}

has_greeting() { [ "$(greeting_of "$1")" = "$2" ]; }

wait_until() { # seconds command...
  local limit=$(($1 * 10)); shift
  for ((i = 0; i < limit; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

process_gone() { ! kill -0 "$1" 2>/dev/null; }

# The window of this title, waiting for it to appear.
find_window() {
  timeout "${2:-20}" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -1
}

# Right-clicks the largest visible window of the program on the screen: the
# stage window with the gift box, which ends the show and opens the card.
open_card() {
  local class=$1 best="" area=0
  local WINDOW X Y WIDTH HEIGHT SCREEN
  for ((try = 0; try < 100 && area < 100; try++)); do
    for window in $(xdotool search --onlyvisible --classname "$class" 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$window")"
      # The host window, once used for a wipe, is parked off the screen.
      ((X >= 0 && Y >= 0)) || continue
      if ((WIDTH * HEIGHT > area)); then
        area=$((WIDTH * HEIGHT)) best="$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
      fi
    done
    ((area >= 100)) || sleep 0.2
  done
  [ -n "$best" ] || return 1
  xdotool mousemove $best click 3
  [ -n "$(find_window "Christmas Cardlings")" ]
}

open_message_dialog() {
  xdotool key ctrl+m
  [ -n "$(find_window "Enter your message" 15)" ]
}

# Tab from the entry field goes to OK.
press_ok() { xdotool key Tab Return; }

card_is_open() {
  kill -0 "$program_pid" 2>/dev/null && [ -n "$(find_window "Christmas Cardlings" 1)" ]
}

window_absent() { [ -z "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null)" ]; }

# Ctrl+M on the card, the two lines, then OK; leaves the save-file dialog
# open.
enter_message() {
  open_message_dialog || return 1
  xdotool type --delay 15 "${message_typed[0]}"
  xdotool key Return
  xdotool type --delay 15 "${message_typed[1]}"
  press_ok
  [ -n "$(find_window "Save As" 20)" ]
}

# Replaces the proposed file name with the given one.
type_file_name() {
  xdotool key End shift+Home
  xdotool type --delay 10 "$1"
}

# Answers Yes to "already exists, replace it?".
confirm_replace() {
  sleep 1
  xdotool key y
}

start_program() { # exe -> sets program_pid
  # A scenario that failed may have left its program running; it must not
  # take the next one's input.
  local pid
  for pid in "${started_pids[@]}"; do
    kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null
  done
  wine "$1" >/dev/null 2>&1 &
  program_pid=$!
  started_pids+=("$program_pid")
}

temp_folder=$(wine cmd /c 'echo %TEMP%' 2>/dev/null | tr -d '\r')
temp_folder=$(winepath -u "$temp_folder" 2>/dev/null)
temp_listing() { ls -1 "$temp_folder" 2>/dev/null | sort; }
new_temp_files() { comm -13 <(echo "$temp_before") <(temp_listing); }
remove_new_temp_files() {
  for name in $(new_temp_files); do
    rm -f "$temp_folder/$name"
  done
}

# Pid of the temporary copy running in copy mode, if one runs.
copy_process() { ps -eo pid=,args= | grep -F -- ' -1 ' | grep -F '.tmp' | grep -v grep | awk '{print $1}' | head -1; }

echo "work folder: $work"
mkdir -p "$work/card folder"
exe="$work/card folder/cardling.exe"
class=cardling.exe

# --- 1. a new file -----------------------------------------------------------
cp "$source_exe" "$exe"
original_sum=$(sha256sum <"$exe")
new_copy="$work/card folder/for grandma.exe"
rm -f "$new_copy"
temp_before=$(temp_listing)
start_program "$exe"
if open_card "$class" && enter_message; then
  type_file_name "$(windows_path "$new_copy")"
  xdotool key Return
  if wait_until 30 process_gone "$program_pid"; then pass "new file: the program closed"; else fail "new file: the program still runs"; fi
  if has_greeting "$new_copy" "$message_stored"; then pass "new file: holds the two lines"; else fail "new file: greeting is '$(greeting_of "$new_copy" | od -c | head -3)'"; fi
  [ "$(sha256sum <"$exe")" = "$original_sum" ] && pass "new file: the running executable is unchanged" || fail "new file: the running executable changed"
  # The copy runs: its show starts with a stage window of its own.
  start_program "$new_copy"
  if open_card "for grandma.exe"; then pass "new file: the copy runs and opens its card"; else fail "new file: the copy shows nothing"; fi
  kill "$program_pid" 2>/dev/null
  wait_until 10 process_gone "$program_pid"
  remove_new_temp_files # the killed copy's tune
else
  fail "new file: could not reach the save-file dialog"
fi

# --- 2. over the running executable ------------------------------------------
cp "$source_exe" "$exe"
temp_before=$(temp_listing)
start_program "$exe"
if open_card "$class" && enter_message; then
  xdotool key Return # the proposed name is the running executable's own
  confirm_replace
  if wait_until 30 process_gone "$program_pid"; then pass "over itself: the program closed"; else fail "over itself: the program still runs"; fi
  if wait_until 60 has_greeting "$exe" "$message_stored"; then pass "over itself: the executable now holds the two lines"; else fail "over itself: the executable was not replaced"; fi
  wait_until 30 test -z "$(copy_process)"
  no_new_temp_files() { [ -z "$(new_temp_files)" ]; }
  if wait_until 30 no_new_temp_files; then pass "over itself: no temporary file is left"; else fail "over itself: left in the temporary folder: $(new_temp_files | tr '\n' ' ')"; fi
  leftovers=$(ls "$work/card folder" | grep -v -e '^cardling.exe$' -e '^for grandma.exe$')
  [ -z "$leftovers" ] && pass "over itself: nothing left beside it" || fail "over itself: left beside the executable: $leftovers"
else
  fail "over itself: could not reach the save-file dialog"
fi

# --- 3. the copy process killed as it starts ---------------------------------
cp "$source_exe" "$exe"
original_sum=$(sha256sum <"$exe")
temp_before=$(temp_listing)
start_program "$exe"
if open_card "$class" && enter_message; then
  # Typed in capitals: still recognised as the running executable.
  upper=$(windows_path "$exe" | tr '[:lower:]' '[:upper:]')
  type_file_name "$upper"
  xdotool key Return
  confirm_replace
  copier=""
  for ((i = 0; i < 3000; i++)); do
    copier=$(copy_process)
    [ -z "$copier" ] || break
    sleep 0.01
  done
  if [ -n "$copier" ]; then
    kill -9 "$copier"
    pass "killed: the copy process started from the capitalised path"
  else
    fail "killed: no copy process appeared"
  fi
  wait_until 30 process_gone "$program_pid"
  sleep 2
  [ "$(sha256sum <"$exe")" = "$original_sum" ] && pass "killed: the executable is as it was" || fail "killed: the executable changed"
  # Nothing is left to delete the temporary copy once its process is gone.
  remove_new_temp_files
else
  fail "killed: could not reach the save-file dialog"
fi

# --- 3b. the copy process killed once the program has ended ------------------
# It is waiting for the file or copying it then: the executable must be
# whole, either the old one or the new one.
cp "$source_exe" "$exe"
original_sum=$(sha256sum <"$exe")
temp_before=$(temp_listing)
start_program "$exe"
if open_card "$class" && enter_message; then
  xdotool key Return
  confirm_replace
  wait_until 30 process_gone "$program_pid"
  copier=$(copy_process)
  [ -n "$copier" ] && kill -9 "$copier"
  sleep 2
  if [ "$(sha256sum <"$exe")" = "$original_sum" ]; then
    pass "killed after the end: the executable is the old one"
  elif has_greeting "$exe" "$message_stored"; then
    pass "killed after the end: the executable is the new one"
  else
    fail "killed after the end: the executable is neither the old nor the new one"
  fi
  remove_new_temp_files
  # The copy writes beside the target first; killed then, that file stays.
  for name in $(ls "$work/card folder" | grep -v -e '^cardling.exe$' -e '^for grandma.exe$'); do
    echo "note: killed after the end: left beside the executable: $name"
    rm -f "$work/card folder/$name"
  done
else
  fail "killed after the end: could not reach the save-file dialog"
fi

# --- 4. cancelled and empty -------------------------------------------------
cp "$source_exe" "$exe"
listing_before=$(ls "$work/card folder")
start_program "$exe"
if open_card "$class"; then
  if open_message_dialog; then
    xdotool key Escape
    wait_until 5 window_absent "Enter your message"
    card_is_open && pass "cancelled: Esc in the message entry keeps the card" || fail "cancelled: the card closed after Esc"
  else
    fail "cancelled: no message entry"
  fi
  if open_message_dialog; then
    press_ok
    sleep 2
    window_absent "Save As" && card_is_open && pass "cancelled: an empty message asks nothing more" || fail "cancelled: an empty message went on"
  else
    fail "cancelled: no message entry the second time"
  fi
  if enter_message; then
    xdotool key Escape
    wait_until 5 window_absent "Save As"
    card_is_open && pass "cancelled: cancelling the save-file dialog keeps the card" || fail "cancelled: the card closed with the save-file dialog"
  else
    fail "cancelled: could not reach the save-file dialog"
  fi
  [ "$(ls "$work/card folder")" = "$listing_before" ] && pass "cancelled: nothing was written" || fail "cancelled: files appeared"
  xdotool key Escape # closes the card and the program
  if wait_until 30 process_gone "$program_pid"; then pass "cancelled: Esc on the card ends the program"; else fail "cancelled: the program still runs"; fi
else
  fail "cancelled: no card"
fi

# --- 5. the running executable under its short name --------------------------
cp "$source_exe" "$exe"
original_sum=$(sha256sum <"$exe")
temp_before=$(temp_listing)
short=$(windows_path "$(winepath -s "$exe" 2>/dev/null)")
start_program "$exe"
if [ "$short" != "$(windows_path "$exe")" ] && open_card "$class" && enter_message; then
  type_file_name "$short"
  xdotool key Return
  confirm_replace
  if [ -n "$(find_window "Error" 10)" ]; then
    pass "short name: the \"Error\" box is shown"
    xdotool key Return
  else
    fail "short name: no \"Error\" box"
  fi
  if wait_until 30 process_gone "$program_pid"; then pass "short name: the program ended"; else fail "short name: the program still runs"; fi
  [ "$(sha256sum <"$exe")" = "$original_sum" ] && pass "short name: the executable is as it was" || fail "short name: the executable changed"
  [ -z "$(new_temp_files)" ] && pass "short name: no temporary file" || fail "short name: left in the temporary folder: $(new_temp_files | tr '\n' ' ')"
else
  fail "short name: could not reach the save-file dialog with a short name ($short)"
fi

if ((failures)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
