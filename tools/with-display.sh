#!/usr/bin/env bash
# Runs a command with a private X server and a window manager, the way a desktop user has them:
# Xvfb on a free display, openbox managing it. Ends both when the command ends.
set -euo pipefail

workdir=$(mktemp -d)
cleanup() {
    [[ -n ${wm_pid:-} ]] && kill "$wm_pid" 2>/dev/null || true
    [[ -n ${x_pid:-} ]] && kill "$x_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$workdir"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number once it accepts connections.
# BRELUNDA_XVFB_SCREEN (WIDTHxHEIGHTxDEPTH) gives a larger screen, for windows at a scale factor.
: >"$workdir/display"
Xvfb -displayfd 3 -screen 0 "${BRELUNDA_XVFB_SCREEN:-1024x768x24}" -nolisten tcp -noreset 3>"$workdir/display" >"$workdir/xvfb.log" 2>&1 &
x_pid=$!
for _ in $(seq 200); do
    [[ $(cat "$workdir/display") == *[0-9]* ]] && break
    sleep 0.05
done
display=$(tr -dc '0-9' <"$workdir/display")
[[ -n $display ]] || { echo "Xvfb did not start" >&2; cat "$workdir/xvfb.log" >&2; exit 1; }
export DISPLAY=":$display"

# The window manager is ready when it has run its start-up command; the root window's WM check
# alone races. BRELUNDA_WM=i3 gives a tiling one instead of openbox, logging every request it gets
# to $BRELUNDA_WM_LOG; BRELUNDA_WM=jwm one that leaves a window where its program puts it, where
# openbox centres a dialog its program left unplaced.
export BRELUNDA_WM_LOG=$workdir/wm.log
if [[ ${BRELUNDA_WM:-openbox} == i3 ]]; then
    printf 'font pango:monospace 8\nexec touch %s/wm-ready\n' "$workdir" >"$workdir/i3.config"
    i3 -c "$workdir/i3.config" -d all >"$BRELUNDA_WM_LOG" 2>&1 &
elif [[ ${BRELUNDA_WM:-} == jwm ]]; then
    printf '<JWM><StartupCommand>touch %s/wm-ready</StartupCommand></JWM>\n' "$workdir" >"$workdir/jwmrc"
    jwm -f "$workdir/jwmrc" >"$BRELUNDA_WM_LOG" 2>&1 &
else
    # BRELUNDA_WM_TITLE_POINTS gives openbox's title bar a font of that many points: a taller
    # frame, as another theme or a larger system font gives a user.
    options=()
    if [[ -n ${BRELUNDA_WM_TITLE_POINTS:-} ]]; then
        sed "/<font place=\"\(Active\|Inactive\)Window\">/,/<\/font>/ s|<size>[0-9]*</size>|<size>$BRELUNDA_WM_TITLE_POINTS</size>|" \
            /etc/xdg/openbox/rc.xml >"$workdir/rc.xml"
        options=(--config-file "$workdir/rc.xml")
    fi
    openbox "${options[@]}" --startup "touch $workdir/wm-ready" >"$BRELUNDA_WM_LOG" 2>&1 &
fi
wm_pid=$!
for _ in $(seq 400); do
    [[ -e $workdir/wm-ready ]] && break
    sleep 0.05
done
[[ -e $workdir/wm-ready ]] || { echo "the window manager did not start" >&2; cat "$BRELUNDA_WM_LOG" >&2; exit 1; }

"$@"
