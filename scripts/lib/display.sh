# Starts Xvfb on a free display and exports DISPLAY; the server ends with the shell.
StartDisplay() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    XVFB_PID=$!
    trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
    for _ in $(seq 100); do
        [ -s "$fdfile" ] && break
        sleep 0.1
    done
    DISPLAY=":$(head -n1 "$fdfile")"
    export DISPLAY
    rm -f "$fdfile"
    echo "display $DISPLAY"
}
