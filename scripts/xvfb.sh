# Sourced by run.sh and bench/run.sh: a private Xvfb server on a free display.

xvfb_pid=
xvfb_dir=

# start_xvfb: starts Xvfb and exports DISPLAY once the server accepts
# connections; fails with Xvfb's log when it does not come up.
start_xvfb() {
    xvfb_dir=$(mktemp -d)
    mkfifo "$xvfb_dir/display"
    # Xvfb picks a free display number itself and writes it to the descriptor
    # once it accepts connections; reading the pipe waits for exactly that, and
    # ends empty if the server dies first. Without -noreset the server would
    # reset whenever its last client leaves, between one program and the next.
    Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset 3>"$xvfb_dir/display" 2>"$xvfb_dir/log" &
    xvfb_pid=$!
    local number=
    # A server that hangs without ever writing must not hang the caller too.
    read -r -t 30 number <"$xvfb_dir/display" || true
    if [ -z "$number" ]; then
        echo "$0: Xvfb did not come up within 30 seconds. Its log:" >&2
        cat "$xvfb_dir/log" >&2
        return 1
    fi
    export DISPLAY=":$number"
}

# stop_xvfb: stops the server, if one runs; safe to call twice, as from an EXIT trap.
stop_xvfb() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
    fi
    if [ -n "$xvfb_dir" ]; then
        rm -rf "$xvfb_dir"
        xvfb_dir=
    fi
}
