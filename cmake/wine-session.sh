#!/bin/sh
# Holds a Wine session open while the Windows build's tests run.
#
#   wine-session.sh start STATE_FILE   creates the prefix on first use, then
#                                      starts a keeper (an idle cmd.exe)
#   wine-session.sh stop STATE_FILE    ends that keeper
#
# Without a keeper every start of kestro.exe brings up Wine's service
# processes, and they hold the caller's output pipes open for seconds after
# the program has ended. The keeper owns them instead; it reads a pipe whose
# writer is a `sleep`, so it ends by itself when the sleep does (one hour) or
# when `stop` ends that sleep.
export WINEDEBUG=-all
action="$1"
state="$2"
[ -n "$state" ] || { echo "usage: $0 start|stop STATE_FILE" >&2; exit 2; }

keeper_running() {
    [ -f "$state" ] && kill -0 "$(cat "$state")" 2>/dev/null
}

case "$action" in
start)
    prefix="${WINEPREFIX:-$HOME/.wine}"
    if [ ! -f "$prefix/system.reg" ]; then
        timeout 300 wineboot -i </dev/null >/dev/null 2>&1 || {
            echo "wine-session: creating the Wine prefix $prefix failed" >&2
            exit 1
        }
    fi
    if ! keeper_running; then
        # The subshell records its PID and becomes the sleep.
        (sh -c 'echo $$ > "$1"; exec sleep 3600' sh "$state" | setsid wine cmd.exe >/dev/null 2>&1) \
            </dev/null >/dev/null 2>&1 &
        # Waits until the session is up, so that the first test does not pay for it.
        timeout 120 wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || {
            echo "wine-session: wine does not start" >&2
            exit 1
        }
    fi
    ;;
stop)
    if keeper_running; then kill "$(cat "$state")"; fi
    rm -f "$state"
    ;;
*)
    echo "usage: $0 start|stop STATE_FILE" >&2
    exit 2
    ;;
esac
exit 0
