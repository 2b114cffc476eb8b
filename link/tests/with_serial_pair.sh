#!/bin/sh
# Runs a command with COM3 and COM4 of the Wine prefix joined back to back:
# the two ends of a socat pty pair, linked into the prefix's dosdevices.
# The serial link's tests open COM3 and play the controller on COM4.
# Usage: with_serial_pair.sh <command> [arguments...]
set -u
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
dir=$(mktemp -d)
devices="$WINEPREFIX/dosdevices"
socat "pty,raw,echo=0,link=$dir/a" "pty,raw,echo=0,link=$dir/b" 2>"$dir/socat.log" &
socat_pid=$!

restore() {
    kill "$socat_pid" 2>/dev/null
    wait "$socat_pid" 2>/dev/null
    for port in com3 com4; do
        rm -f "$devices/$port"
        [ -L "$dir/saved-$port" ] && mv "$dir/saved-$port" "$devices/$port"
    done
    rm -rf "$dir"
}
trap 'restore; exit 1' INT TERM

tries=0
until [ -e "$dir/a" ] && [ -e "$dir/b" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ] || ! kill -0 "$socat_pid" 2>/dev/null; then
        echo "socat did not make the pty pair" >&2
        cat "$dir/socat.log" >&2
        restore
        exit 1
    fi
    sleep 0.05
done
for port in com3 com4; do
    [ -L "$devices/$port" ] && mv "$devices/$port" "$dir/saved-$port"
done
ln -s "$dir/a" "$devices/com3"
ln -s "$dir/b" "$devices/com4"

"$@"
rc=$?
restore
exit $rc
