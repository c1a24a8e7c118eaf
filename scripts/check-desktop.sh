#!/usr/bin/env bash
# Starts the program as a new user would, under Xvfb with a window manager, and checks what
# the window manager sees: the window titles (WM_NAME and _NET_WM_NAME), the window class
# against the desktop entry's StartupWMClass, a picture given on the command line and a
# second start handing its picture over.
#   scripts/check-desktop.sh [PROGRAM [DESKTOP_ENTRY]]   (default: the installed program)
set -euo pipefail
program=$(readlink -f "${1:-/usr/bin/quillmark}")
entry=${2:-/usr/share/applications/org.brindlewood.Quillmark.desktop}
version=$("$program" --version | awk '{print $2}')

work=$(mktemp -d /tmp/quillmark-desktop.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xprop -root >/dev/null 2>&1 && break; sleep 0.2; done
openbox >/dev/null 2>&1 &
pids+=($!)

# A fresh account: a home folder with the usual ~/.local/share and nothing of ours.
export HOME=$work/home XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME/.local/share" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset XDG_DATA_HOME XDG_CONFIG_HOME QUILLMARK_VIRTUAL_PRINTER QUILLMARK_NO_VIRTUAL_PRINTER
convert -size 350x450 gradient:navy-gold "$HOME/portrait.jpg"
printf 'not a picture' >"$HOME/broken.jpg"

fail=0
check() { # what, expected, actual
  if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAILED: $1: expected '$2', got '$3'"; fail=1; fi
}
wait_window() { # exact title; prints the window id
  local id
  for _ in $(seq 150); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}
titles() { # the two title properties, as the window manager reads them
  xprop -id "$1" WM_NAME _NET_WM_NAME | sed -E 's/^[^=]*= "(.*)"$/\1/' | paste -sd'|'
}
expect_window() { # title; sets $id to the window (empty when it never came)
  if id=$(wait_window "$1"); then
    check "window \"$1\" (WM_NAME|_NET_WM_NAME)" "$1|$1" "$(titles "$id")"
  else
    id=""
    check "window \"$1\" shown" "shown" "not found"
  fi
}
dialog() { # keys that open it on the main window, its title, the key that closes it
  xdotool windowactivate --sync "$main"
  xdotool key $1
  expect_window "$2"
  [ -n "$id" ] && xdotool key "$3"
  sleep 0.5
}
wait_socket_gone() { # the program has ended and let go of its socket
  for _ in $(seq 50); do [ -e "$XDG_RUNTIME_DIR/quillmark.socket" ] || break; sleep 0.2; done
}

(cd "$HOME" && exec "$program" portrait.jpg) >"$work/first.out" 2>&1 &
pids+=($!)
expect_window "Quillmark v$version"
main=$id
[ -n "$main" ] || { cat "$work/first.out"; exit 1; }
class=$(xprop -id "$main" WM_CLASS | sed -E 's/.*= "([^"]*)", "([^"]*)"/\2/')
check "WM_CLASS matches StartupWMClass" "$(sed -n 's/^StartupWMClass=//p' "$entry")" "$class"
log=$HOME/.local/share/Brindlewood/Quillmark/Quillmark.log
sleep 1
check "picture argument loaded" "yes" "$(grep -q "Loading : $HOME/portrait.jpg" "$log" && echo yes || echo no)"

dialog ctrl+s "Settings" Escape

# A second start hands its picture over; the broken one gives the error box.
rc=0
"$program" "$HOME/broken.jpg" || rc=$?
check "second start ends at once" "0" "$rc"
expect_window "Quillmark"
[ -n "$id" ] && xdotool key Return
check "one program wrote the log" "1" "$(grep -c "	Starting" "$log")"
sleep 0.5

xdotool windowactivate --sync "$main"
xdotool mousemove --window "$main" 280 "$(($(xdotool getwindowgeometry "$main" | awk -F'[x ]' '/Geometry/{print $NF}') - 45))" click 1
expect_window "Preview"
[ -n "$id" ] && xdotool key Escape
sleep 0.5

# The about box, through the menu bar: the last menu ("?"), its last command.
xdotool windowactivate --sync "$main"
xdotool key alt
sleep 0.3
xdotool key Left Down Up Return
expect_window "About Quillmark"
[ -n "$id" ] && xdotool key Escape
sleep 0.5

# Exit, then a start without a picture: Greyscale asks for one first.
xdotool windowactivate --sync "$main"
xdotool key ctrl+q
wait_socket_gone
"$program" >>"$work/first.out" 2>&1 &
pids+=($!)
expect_window "Quillmark v$version"
main=$id
if [ -n "$main" ]; then
  dialog ctrl+g "Information" Return
  xdotool windowactivate --sync "$main"
  xdotool key ctrl+q
fi
wait_socket_gone

# No printer at all once the virtual one is switched off: the error box, then the end.
QUILLMARK_NO_VIRTUAL_PRINTER=1 CUPS_SERVER=$work/no-cups.sock "$program" >>"$work/first.out" 2>&1 &
last=$!
pids+=($last)
expect_window "Error"
[ -n "$id" ] && xdotool key Return
rc=0
for _ in $(seq 50); do kill -0 "$last" 2>/dev/null || break; sleep 0.2; done
kill -0 "$last" 2>/dev/null && rc=running
check "no printer: the program ends after the error" "0" "$rc"

exit $fail
